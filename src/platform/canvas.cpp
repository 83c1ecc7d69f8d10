// The 2D drawing shared by both back ends: cairo for shapes and images, Pango for text, all into
// an ARGB32 back buffer or an image buffer.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/canvas_internal.h"
#include "platform/platform.h"

namespace {

constexpr int64_t MaxObjects = 64;

struct Image {
  cairo_surface_t* surface = nullptr;
};

struct Font {
  PangoFontDescription* description = nullptr;
};

struct Pass {
  cairo_t* cr = nullptr;
  cairo_surface_t* target = nullptr;
  Colour pen = RGB(255, 255, 255);
  int64_t mode = ModeOpaque;
  int64_t font = 0;
};

cairo_surface_t* screen = nullptr;
std::array<Image, MaxObjects> images;
std::array<Font, MaxObjects> fonts;
Pass pass;
cairo_t* vector = nullptr;  // the open vector drawing pass, if any
PangoContext* textContext = nullptr;
PangoLayout* textLayout = nullptr;
PangoFontDescription* fallbackFont = nullptr;

bool ValidNumber(int64_t n) { return n >= 1 && n < MaxObjects; }

double Channel(Colour c, int shift) { return ((c >> shift) & 0xFF) / 255.0; }

// The pen as a cairo source: alpha counts only in ModeAlphaBlend.
void UseColour(cairo_t* cr, Colour c, int64_t mode) {
  if (mode == ModeAlphaBlend) {
    cairo_set_source_rgba(cr, Channel(c, 0), Channel(c, 8), Channel(c, 16), Channel(c, 24));
  } else {
    cairo_set_source_rgb(cr, Channel(c, 0), Channel(c, 8), Channel(c, 16));
  }
}

PangoLayout* Layout() {
  if (!textLayout) {
    textContext = pango_font_map_create_context(pango_cairo_font_map_get_default());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(textContext, options);
    cairo_font_options_destroy(options);
    textLayout = pango_layout_new(textContext);
    fallbackFont = pango_font_description_from_string("Sans");
    pango_font_description_set_absolute_size(fallbackFont, 12 * PANGO_SCALE);
  }
  return textLayout;
}

// Lays the text out in the pass's font; the layout is reused from call to call.
PangoLayout* LayOut(std::string_view text) {
  PangoLayout* layout = Layout();
  const PangoFontDescription* description =
      ValidNumber(pass.font) && fonts[pass.font].description ? fonts[pass.font].description : fallbackFont;
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  return layout;
}

// Laid-out and rendered texts, reused from frame to frame. Each distinct (font, text) is laid out
// once for its size; each distinct (font, text, sub-pixel offset) is rendered once into an A8
// coverage mask that later draws stamp in the pen colour. Entries unused for SweepEvery frames are
// evicted, and the cache never holds more than MaxEntries, so a long session does not grow; the
// window is long enough that texts which come and go with the draws (ball numbers) stay cached.
class TextCache {
 public:
  struct Entry {
    double width = 0, height = 0;
    cairo_surface_t* mask = nullptr;  // coverage of the text drawn at the key's sub-pixel offset
    int64_t maskX = 0, maskY = 0;     // the mask's top-left corner relative to the whole-pixel origin
    uint64_t lastUse = 0;
  };

  bool enabled = true;

  // The entry for a key, created empty when missing; the key lives in the caller's buffer.
  Entry& Get(std::string_view key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) it = entries_.emplace(std::string(key), Entry{}).first;
    it->second.lastUse = clock_;
    return it->second;
  }

  // Counts one frame; every so often drops what the last frames did not use.
  void Tick() {
    ++clock_;
    if (clock_ % SweepEvery != 0 && entries_.size() < MaxEntries) return;
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (clock_ - it->second.lastUse > SweepEvery || entries_.size() >= MaxEntries) {
        if (it->second.mask) cairo_surface_destroy(it->second.mask);
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Clear() {
    for (auto& [key, entry] : entries_)
      if (entry.mask) cairo_surface_destroy(entry.mask);
    entries_.clear();
  }

  size_t Size() const { return entries_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  static constexpr uint64_t SweepEvery = 1 << 15;
  static constexpr size_t MaxEntries = 4096;
  std::unordered_map<std::string, Entry, Hash, std::equal_to<>> entries_;
  uint64_t clock_ = 0;
};

TextCache textCache;
std::array<uint32_t, MaxObjects> fontGeneration{};

// Writes the cache key of a text: font number and generation, the sub-pixel offset (in 64ths,
// or 0xFFFF for the measurements alone), then the text. Returns an empty view when it won't fit.
std::string_view TextKey(char* buf, size_t size, std::string_view text, uint32_t subX, uint32_t subY) {
  const uint32_t font = ValidNumber(pass.font) ? static_cast<uint32_t>(pass.font) : 0;
  const uint32_t header[4] = {font, font ? fontGeneration[font] : 0, subX, subY};
  if (sizeof header + text.size() > size) return {};
  std::memcpy(buf, header, sizeof header);
  std::memcpy(buf + sizeof header, text.data(), text.size());
  return {buf, sizeof header + text.size()};
}

// Width and height of a text in the current font, laid out once per (font, text).
TextCache::Entry* Measured(std::string_view text, char* keyBuf, size_t keySize) {
  if (!textCache.enabled) return nullptr;
  const std::string_view key = TextKey(keyBuf, keySize, text, 0xFFFF, 0xFFFF);
  if (key.empty()) return nullptr;
  TextCache::Entry& e = textCache.Get(key);
  if (e.width == 0 && e.height == 0) {
    PangoRectangle logical;
    pango_layout_get_extents(LayOut(text), nullptr, &logical);
    e.width = static_cast<double>(logical.width) / PANGO_SCALE;
    e.height = static_cast<double>(logical.height) / PANGO_SCALE;
  }
  return &e;
}

// Renders a text's coverage at a sub-pixel offset into an A8 mask, exactly as a direct draw at
// that offset would cover the target.
void RenderMask(TextCache::Entry& e, std::string_view text, double fx, double fy) {
  PangoLayout* layout = LayOut(text);
  PangoRectangle ink;
  pango_layout_get_pixel_extents(layout, &ink, nullptr);
  e.maskX = ink.x - 2;
  e.maskY = ink.y - 2;
  const int w = std::max(1, ink.width + 5), h = std::max(1, ink.height + 5);
  e.mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* cr = cairo_create(e.mask);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, fx - static_cast<double>(e.maskX), fy - static_cast<double>(e.maskY));
  pango_cairo_show_layout(cr, layout);
  cairo_destroy(cr);
  cairo_surface_flush(e.mask);
}

// Sets one pixel of a 32-bit surface, clipped to its bounds.
inline void PutPixel(uint8_t* data, int64_t stride, int64_t w, int64_t h, int64_t x, int64_t y, uint32_t value) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  reinterpret_cast<uint32_t*>(data + y * stride)[x] = value;
}

// A one-pixel line written straight into the target: Bresenham's walk, both end points included.
void PlotLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (!pass.target) return;
  cairo_surface_flush(pass.target);
  uint8_t* data = cairo_image_surface_get_data(pass.target);
  const int64_t stride = cairo_image_surface_get_stride(pass.target);
  const int64_t w = cairo_image_surface_get_width(pass.target);
  const int64_t h = cairo_image_surface_get_height(pass.target);
  const Colour c = pass.pen;
  const uint32_t value = 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  const int64_t dx = std::llabs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int64_t dy = -std::llabs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int64_t err = dx + dy;
  for (;;) {
    PutPixel(data, stride, w, h, x1, y1, value);
    if (x1 == x2 && y1 == y2) break;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x1 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y1 += sy;
    }
  }
  cairo_surface_mark_dirty(pass.target);
}

cairo_surface_t* TargetSurface(int64_t target) {
  if (target == ScreenTarget) return screen;
  if (ValidNumber(target)) return images[target].surface;
  return nullptr;
}

}  // namespace

namespace canvas {

bool OpenScreen(int64_t w, int64_t h) {
  CloseScreen();
  if (w <= 0 || h <= 0) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w), static_cast<int>(h));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  screen = s;
  return true;
}

void CloseScreen() {
  if (pass.target && pass.target == screen) EndDrawing();
  if (screen) cairo_surface_destroy(screen);
  screen = nullptr;
}

bool ScreenOpen() { return screen != nullptr; }
int64_t ScreenWidth() { return screen ? cairo_image_surface_get_width(screen) : 0; }
int64_t ScreenHeight() { return screen ? cairo_image_surface_get_height(screen) : 0; }
int64_t ScreenStride() { return screen ? cairo_image_surface_get_stride(screen) : 0; }

const uint32_t* ScreenPixels() {
  if (!screen) return nullptr;
  cairo_surface_flush(screen);
  return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(screen));
}

void ReleaseAll() {
  EndDrawing();
  EndVectorDrawing();
  CloseScreen();
  for (int64_t i = 1; i < MaxObjects; ++i) {
    FreeImageBuffer(i);
    FreeFontFace(i);
  }
  textCache.Clear();
  if (textLayout) g_object_unref(textLayout);
  if (textContext) g_object_unref(textContext);
  if (fallbackFont) pango_font_description_free(fallbackFont);
  textLayout = nullptr;
  textContext = nullptr;
  fallbackFont = nullptr;
}

void SetTextCacheEnabled(bool enabled) {
  textCache.Clear();
  textCache.enabled = enabled;
}

int64_t TextCacheSize() { return static_cast<int64_t>(textCache.Size()); }

}  // namespace canvas

void ClearBackBuffer(Colour colour) {
  if (!screen) return;
  cairo_t* cr = cairo_create(screen);
  UseColour(cr, colour, ModeOpaque);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
}

int64_t BeginDrawing(int64_t target) {
  EndDrawing();
  cairo_surface_t* surface = TargetSurface(target);
  if (!surface) return 0;
  pass.cr = cairo_create(surface);
  if (cairo_status(pass.cr) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(pass.cr);
    pass.cr = nullptr;
    return 0;
  }
  pass.target = surface;
  if (surface == screen) textCache.Tick();
  pass.pen = RGB(255, 255, 255);
  pass.mode = ModeOpaque;
  pass.font = 0;
  return 1;
}

void EndDrawing() {
  if (pass.cr) cairo_destroy(pass.cr);
  if (pass.target) cairo_surface_flush(pass.target);
  pass.cr = nullptr;
  pass.target = nullptr;
}

void SetPenColor(Colour colour) { pass.pen = colour; }
void SetDrawMode(int64_t mode) { pass.mode = mode; }

void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h) {
  if (!pass.cr || w <= 0 || h <= 0) return;
  cairo_t* cr = pass.cr;
  UseColour(cr, pass.pen, pass.mode);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (pass.mode == ModeOutline) {
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1.0, h - 1.0);
    cairo_stroke(cr);
  } else {
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
  }
}

void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  pass.pen = colour;
  DrawRect(x, y, w, h);
}

// A circle covering the pixels within r of pixel (x, y): 2r + 1 pixels across, anti-aliased.
void DrawCircle(int64_t x, int64_t y, int64_t r) {
  if (!pass.cr || r < 0) return;
  cairo_t* cr = pass.cr;
  UseColour(cr, pass.pen, pass.mode);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_new_path(cr);
  if (pass.mode == ModeOutline) {
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, x + 0.5, y + 0.5, static_cast<double>(r), 0, 2 * M_PI);
    cairo_stroke(cr);
  } else {
    cairo_arc(cr, x + 0.5, y + 0.5, r + 0.5, 0, 2 * M_PI);
    cairo_fill(cr);
  }
}

void DrawCircle(int64_t x, int64_t y, int64_t r, Colour colour) {
  pass.pen = colour;
  DrawCircle(x, y, r);
}

void DrawLineWH(int64_t x, int64_t y, int64_t w, int64_t h) {
  if (w == 0 || h == 0) return;
  PlotLine(x, y, x + w + (w > 0 ? -1 : 1), y + h + (h > 0 ? -1 : 1));
}

void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2) { PlotLine(x1, y1, x2, y2); }

void SetFont(int64_t font) { pass.font = font; }

void DrawString(double x, double y, std::string_view text) {
  if (!pass.cr || text.empty()) return;
  cairo_t* cr = pass.cr;
  UseColour(cr, pass.pen, pass.mode == ModeAlphaBlend ? ModeAlphaBlend : ModeOpaque);
  const double baseX = std::floor(x), baseY = std::floor(y);
  const auto subX = static_cast<uint32_t>(std::lround((x - baseX) * 64));
  const auto subY = static_cast<uint32_t>(std::lround((y - baseY) * 64));
  char keyBuf[512];
  const std::string_view key = textCache.enabled ? TextKey(keyBuf, sizeof keyBuf, text, subX, subY) : std::string_view();
  if (key.empty() || subX >= 64 || subY >= 64) {
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, LayOut(text));
    return;
  }
  TextCache::Entry& e = textCache.Get(key);
  if (!e.mask) RenderMask(e, text, subX / 64.0, subY / 64.0);
  cairo_mask_surface(cr, e.mask, baseX + static_cast<double>(e.maskX), baseY + static_cast<double>(e.maskY));
}

double StringWidth(std::string_view text) {
  char keyBuf[512];
  if (const TextCache::Entry* e = Measured(text, keyBuf, sizeof keyBuf)) return e->width;
  PangoRectangle logical;
  pango_layout_get_extents(LayOut(text), nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

double StringHeight(std::string_view text) {
  char keyBuf[512];
  if (const TextCache::Entry* e = Measured(text, keyBuf, sizeof keyBuf)) return e->height;
  PangoRectangle logical;
  pango_layout_get_extents(LayOut(text), nullptr, &logical);
  return static_cast<double>(logical.height) / PANGO_SCALE;
}

void StampImage(int64_t image, int64_t x, int64_t y) {
  if (!pass.cr || !ValidNumber(image) || !images[image].surface) return;
  cairo_set_source_surface(pass.cr, images[image].surface, static_cast<double>(x), static_cast<double>(y));
  cairo_paint(pass.cr);
}

int64_t CreateImageBuffer(int64_t image, int64_t w, int64_t h, int64_t depth, Colour fill) {
  if (!ValidNumber(image) || w <= 0 || h <= 0) return 0;
  FreeImageBuffer(image);
  const cairo_format_t format = depth == 32 ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
  cairo_surface_t* s = cairo_image_surface_create(format, static_cast<int>(w), static_cast<int>(h));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return 0;
  }
  cairo_t* cr = cairo_create(s);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  UseColour(cr, fill, depth == 32 ? ModeAlphaBlend : ModeOpaque);
  cairo_paint(cr);
  cairo_destroy(cr);
  images[image].surface = s;
  return image;
}

void FreeImageBuffer(int64_t image) {
  if (!ValidNumber(image) || !images[image].surface) return;
  if (pass.target == images[image].surface) EndDrawing();
  cairo_surface_destroy(images[image].surface);
  images[image].surface = nullptr;
}

int64_t BeginVectorDrawing(int64_t image) {
  EndVectorDrawing();
  if (!ValidNumber(image) || !images[image].surface) return 0;
  vector = cairo_create(images[image].surface);
  if (cairo_status(vector) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(vector);
    vector = nullptr;
    return 0;
  }
  return 1;
}

void EndVectorDrawing() {
  if (!vector) return;
  cairo_surface_t* target = cairo_get_target(vector);
  cairo_destroy(vector);
  cairo_surface_flush(target);
  vector = nullptr;
}

void SetPathPaint(Colour rgba) {
  if (vector) UseColour(vector, rgba, ModeAlphaBlend);
}

void PathMoveTo(double x, double y) {
  if (vector) cairo_move_to(vector, x, y);
}

void PathLineTo(double x, double y) {
  if (vector) cairo_line_to(vector, x, y);
}

void PathCircle(double x, double y, double r) {
  if (!vector) return;
  cairo_new_sub_path(vector);
  cairo_arc(vector, x, y, r, 0, 2 * M_PI);
  cairo_close_path(vector);
}

void StrokeCurrentPath(double width, int64_t options) {
  if (!vector) return;
  cairo_set_line_width(vector, width);
  const bool round = (options & StrokeRound) != 0;
  cairo_set_line_cap(vector, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(vector, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
  cairo_stroke(vector);
}

void FillCurrentPath() {
  if (vector) cairo_fill(vector);
}

int64_t LoadFontFace(int64_t font, const char* family, int64_t size, int64_t flags) {
  if (!ValidNumber(font) || size <= 0) return 0;
  FreeFontFace(font);
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family);
  pango_font_description_set_absolute_size(d, static_cast<double>(size) * PANGO_SCALE);
  pango_font_description_set_weight(d, (flags & FontBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d, (flags & FontItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  fonts[font].description = d;
  ++fontGeneration[font];
  return font;
}

void FreeFontFace(int64_t font) {
  if (!ValidNumber(font) || !fonts[font].description) return;
  pango_font_description_free(fonts[font].description);
  fonts[font].description = nullptr;
}
