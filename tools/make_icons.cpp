// Build-time tool: draws the game's icon, the green ball with its shine and rim, as hicolor PNGs
// of the sizes asked for and one scalable SVG. The PNGs come from the game's own drawing code on
// the headless back end.
// Usage: make_icons OUTPUT_DIR SIZE...  writes OUTPUT_DIR/<S>x<S>/apps/<id>.png for each size and
// OUTPUT_DIR/scalable/apps/<id>.svg.
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "ui/palette.h"
#include "ui/ui.h"

namespace {

constexpr const char* AppId = "com.vorbel.Keno";
constexpr int64_t Oversample = 4;  // the ball is drawn this many times larger, then averaged
constexpr Colour RimColour = RGB(65, 65, 65);

// The ball's proportions within an icon of side s: radius and rim width, in the same unit.
struct BallShape {
  double r, rim;
};
BallShape ShapeFor(double s) { return {s * 7 / 16, s / 48 < Oversample ? Oversample : s / 48}; }

// Draws the ball centred on a square screen of side s over an opaque background and returns the
// screen's pixels as RGB, row by row.
std::vector<Colour> DrawBallOn(int64_t s, Colour background) {
  std::vector<Colour> pixels;
  if (!OpenWindowedScreen(1, 0, 0, s, s)) return pixels;
  ClearBackBuffer(background);
  if (!BeginDrawing(ScreenTarget)) return pixels;
  const BallShape shape = ShapeFor(static_cast<double>(s));
  const auto r = static_cast<int64_t>(shape.r), rim = static_cast<int64_t>(shape.rim);
  SetDrawMode(ModeOpaque);
  DrawCircle(s / 2, s / 2, r, RimColour);
  DrawBallBody(s / 2, s / 2, r - rim, true);
  EndDrawing();
  pixels.reserve(static_cast<size_t>(s * s));
  for (int64_t y = 0; y < s; ++y) {
    for (int64_t x = 0; x < s; ++x) pixels.push_back(headless::PixelAt(x, y));
  }
  return pixels;
}

// One channel (0 red, 1 green, 2 blue) of an RGB colour.
uint32_t Channel(Colour c, int channel) { return c >> (8 * channel) & 0xFF; }

// Writes the icon of side size as a PNG with transparency. The ball drawn over black and over
// white gives each pixel's coverage (the difference) and its colour premultiplied by it (the
// picture over black); averaging blocks of Oversample x Oversample pixels smooths the edge.
bool WritePng(int64_t size, const std::string& path) {
  const int64_t s = size * Oversample;
  const std::vector<Colour> black = DrawBallOn(s, RGB(0, 0, 0));
  const std::vector<Colour> white = DrawBallOn(s, RGB(255, 255, 255));
  if (black.size() != static_cast<size_t>(s * s) || white.size() != black.size()) return false;

  cairo_surface_t* icon =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size), static_cast<int>(size));
  cairo_surface_flush(icon);
  unsigned char* data = cairo_image_surface_get_data(icon);
  const int stride = cairo_image_surface_get_stride(icon);
  constexpr uint32_t Block = Oversample * Oversample;
  for (int64_t y = 0; y < size; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int64_t x = 0; x < size; ++x) {
      uint32_t alpha = 0, sum[3] = {0, 0, 0};
      for (int64_t dy = 0; dy < Oversample; ++dy) {
        for (int64_t dx = 0; dx < Oversample; ++dx) {
          const size_t i = static_cast<size_t>((y * Oversample + dy) * s + x * Oversample + dx);
          alpha += 255 - (Channel(white[i], 1) - Channel(black[i], 1));
          for (int c = 0; c < 3; ++c) sum[c] += Channel(black[i], c);
        }
      }
      const uint32_t a = (alpha + Block / 2) / Block;
      uint32_t premultiplied[3];
      for (int c = 0; c < 3; ++c) {
        const uint32_t v = (sum[c] + Block / 2) / Block;
        premultiplied[c] = v > a ? a : v;
      }
      row[x] = a << 24 | premultiplied[0] << 16 | premultiplied[1] << 8 | premultiplied[2];
    }
  }
  cairo_surface_mark_dirty(icon);
  const bool ok = cairo_surface_write_to_png(icon, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(icon);
  return ok;
}

// "#rrggbb" of an RGB colour.
std::string Hex(Colour c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", Channel(c, 0), Channel(c, 1), Channel(c, 2));
  return buf;
}

// Writes the same ball as an SVG of side 256 with the proportions and colours of the PNGs.
bool WriteSvg(const std::string& path) {
  constexpr double Side = 256, Shine = 90.0 / 255;
  const BallShape shape = ShapeFor(Side);
  const double c = Side / 2, body = shape.r - shape.rim;
  char text[1024];
  std::snprintf(text, sizeof text,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\">\n"
                "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>\n"
                "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>\n"
                "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"#ffffff\" fill-opacity=\"%.3f\"/>\n"
                "</svg>\n",
                Side, Side, Side, Side, c, c, shape.r, Hex(RimColour).c_str(), c, c, body, Hex(HitColour).c_str(),
                c - body / 3, c - body / 3, body / 3, Shine);
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out.flush());
}

// The folder of one hicolor size ("48x48", "scalable") made under root, with the icon's path.
std::string IconPath(const std::string& root, const std::string& size, const char* extension) {
  const std::filesystem::path dir = std::filesystem::path(root) / size / "apps";
  std::filesystem::create_directories(dir);
  return (dir / (std::string(AppId) + extension)).string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR SIZE...\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  if (!InitPlatform() || !OpenGameWindow(1, 0, 0, 16, 16, "icon")) {
    std::fprintf(stderr, "make_icons: the drawing back end did not start\n");
    return 1;
  }
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    const int64_t size = std::stoll(argv[i]);
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    if (size < 1 || size > 1024 || !WritePng(size, IconPath(root, name, ".png"))) {
      std::fprintf(stderr, "make_icons: could not write the %s icon\n", name.c_str());
      status = 1;
    }
  }
  if (!WriteSvg(IconPath(root, "scalable", ".svg"))) {
    std::fprintf(stderr, "make_icons: could not write the scalable icon\n");
    status = 1;
  }
  ReleasePlatform();
  return status;
}
