// The 2D drawing shared by both back ends, into a 32-bit back buffer or an image buffer. Cairo
// renders shapes and Pango lays out and renders text; what a frame draws again and again (texts,
// circles) is rendered once into coverage masks and composited straight into the pixels, so a
// steady frame does no layout, no rasterising and no heap allocation.
//
// The game's coordinates are logical pixels. The screen and the images are made at an integer
// scale s (the window's device pixels per logical pixel): every logical pixel covers s x s device
// pixels, lines are s device pixels thick, and texts, circles and vector paths are rasterised at
// device resolution. At s = 1 the arithmetic is exactly that of an unscaled canvas.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/blend.h"
#include "platform/canvas_internal.h"
#include "platform/platform.h"

namespace {

constexpr int64_t MaxObjects = 64;
constexpr int64_t MaxScale = 4;  // larger factors are drawn at 4

struct Image {
  cairo_surface_t* surface = nullptr;
  bool opaque = false;  // every pixel opaque, so stamps are plain copies; found when drawing ends
  int64_t scale = 1;    // device pixels per logical pixel, the screen's when the image was made
};

struct Font {
  PangoFontDescription* description = nullptr;
};

struct Pass {
  cairo_t* cr = nullptr;  // made on first need: most passes composite straight into the pixels
  cairo_surface_t* target = nullptr;
  blend::Surface pixels;
  int64_t scale = 1;  // the target's device pixels per logical pixel
  Colour pen = RGB(255, 255, 255);
  int64_t mode = ModeOpaque;
  int64_t font = 0;
};

cairo_surface_t* screen = nullptr;
int64_t screenScale = 1;  // of the screen most recently opened; new images are made at it
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

// The pen as a premultiplied pixel: alpha counts only in ModeAlphaBlend.
uint32_t PenPixel() {
  return blend::Premultiplied(pass.pen & 0xFFFFFF, pass.mode == ModeAlphaBlend ? pass.pen >> 24 : 255);
}

blend::Surface SurfaceOf(cairo_surface_t* s) {
  cairo_surface_flush(s);
  return {cairo_image_surface_get_data(s), cairo_image_surface_get_stride(s), cairo_image_surface_get_width(s),
          cairo_image_surface_get_height(s)};
}

blend::Mask MaskOf(cairo_surface_t* s) {
  return {cairo_image_surface_get_data(s), cairo_image_surface_get_stride(s), cairo_image_surface_get_width(s),
          cairo_image_surface_get_height(s)};
}

// A cairo context on the pass's target, for the drawing that is not composited directly.
cairo_t* Cairo() {
  if (!pass.cr) pass.cr = cairo_create(pass.target);
  cairo_surface_mark_dirty(pass.target);
  return pass.cr;
}

// Coverage masks of circles by scale and logical radius, filled and outlined, rendered once by
// cairo at device resolution.
constexpr int64_t MaxMaskedRadius = 128;
std::array<cairo_surface_t*, MaxScale * MaxMaskedRadius * 2> circleMasks{};

cairo_surface_t* CircleMask(int64_t r, bool outline, int64_t scale) {
  cairo_surface_t*& mask = circleMasks[((scale - 1) * MaxMaskedRadius + r) * 2 + (outline ? 1 : 0)];
  if (mask) return mask;
  const int side = static_cast<int>((2 * r + 3) * scale);
  mask = cairo_image_surface_create(CAIRO_FORMAT_A8, side, side);
  cairo_t* cr = cairo_create(mask);
  cairo_scale(cr, static_cast<double>(scale), static_cast<double>(scale));
  const double centre = static_cast<double>(r) + 1.5;
  if (outline) {
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, centre, centre, static_cast<double>(r), 0, 2 * M_PI);
    cairo_stroke(cr);
  } else {
    cairo_arc(cr, centre, centre, r + 0.5, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  return mask;
}

void ReleaseCircleMasks() {
  for (auto& mask : circleMasks) {
    if (mask) cairo_surface_destroy(mask);
    mask = nullptr;
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
// coverage mask that later draws stamp in the pen colour. The cache holds at most MaxEntries: when
// full, the least recently used quarter goes. Texts drawn in every frame are never the oldest, and
// the ones that come and go with the draws (ball numbers) outlive hundreds of draws' worth of
// one-off texts (balances, totals), so a long session stays bounded without evicting what recurs.
class TextCache {
 public:
  struct Entry {
    double width = 0, height = 0;
    cairo_surface_t* mask = nullptr;  // coverage of the text drawn at the key's sub-pixel offset
    int64_t maskX = 0, maskY = 0;     // the mask's top-left corner relative to the whole-pixel origin
    uint64_t lastUse = 0;
  };

  static constexpr size_t MaxEntries = 1024;
  bool enabled = true;

  ~TextCache() { Clear(); }

  // The entry for a key, created empty when missing; the key lives in the caller's buffer.
  Entry& Get(std::string_view key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) {
      if (entries_.size() >= MaxEntries) EvictOldest(MaxEntries / 4);
      it = entries_.emplace(std::string(key), Entry{}).first;
    }
    it->second.lastUse = clock_;
    return it->second;
  }

  // Counts one frame.
  void Tick() { ++clock_; }

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

  // Drops about the count least recently used entries.
  void EvictOldest(size_t count) {
    size_t n = 0;
    for (const auto& [key, entry] : entries_) ages_[n++] = entry.lastUse;
    std::nth_element(ages_.begin(), ages_.begin() + static_cast<ptrdiff_t>(count - 1),
                     ages_.begin() + static_cast<ptrdiff_t>(n));
    const uint64_t threshold = ages_[count - 1];
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->second.lastUse <= threshold) {
        if (it->second.mask) cairo_surface_destroy(it->second.mask);
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::unordered_map<std::string, Entry, Hash, std::equal_to<>> entries_;
  std::array<uint64_t, MaxEntries> ages_{};  // scratch for EvictOldest
  uint64_t clock_ = 0;
};

TextCache textCache;
int64_t textRenders = 0;
std::array<uint32_t, MaxObjects> fontGeneration{};

// Writes the cache key of a text: font number and generation, the sub-pixel offset in device
// pixels (in 64ths, or 0xFFFF for the measurements alone), the scale (0 for the measurements,
// which are the same at every scale), then the text. Returns an empty view when it won't fit.
std::string_view TextKey(char* buf, size_t size, std::string_view text, uint32_t subX, uint32_t subY, uint32_t scale) {
  const uint32_t font = ValidNumber(pass.font) ? static_cast<uint32_t>(pass.font) : 0;
  const uint32_t header[5] = {font, font ? fontGeneration[font] : 0, subX, subY, scale};
  if (sizeof header + text.size() > size) return {};
  std::memcpy(buf, header, sizeof header);
  std::memcpy(buf + sizeof header, text.data(), text.size());
  return {buf, sizeof header + text.size()};
}

// Width and height of a text in the current font, laid out once per (font, text).
TextCache::Entry* Measured(std::string_view text, char* keyBuf, size_t keySize) {
  if (!textCache.enabled) return nullptr;
  const std::string_view key = TextKey(keyBuf, keySize, text, 0xFFFF, 0xFFFF, 0);
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

// Renders a text's coverage at a device sub-pixel offset into an A8 mask, exactly as a direct
// draw at that offset would cover the target. At scale s the glyphs are rasterised at s times the
// font size on the positions of the logical layout times s, so the text covers s times its
// logical extent: a text centred or right-aligned by its logical width stays where it belongs.
void RenderMask(TextCache::Entry& e, std::string_view text, double fx, double fy, int64_t scale) {
  ++textRenders;
  PangoLayout* layout = LayOut(text);
  PangoRectangle ink;
  pango_layout_get_pixel_extents(layout, &ink, nullptr);
  e.maskX = (ink.x - 2) * scale;
  e.maskY = (ink.y - 2) * scale;
  const int w = static_cast<int>(std::max<int64_t>(1, (ink.width + 5) * scale));
  const int h = static_cast<int>(std::max<int64_t>(1, (ink.height + 5) * scale));
  e.mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* cr = cairo_create(e.mask);
  cairo_set_source_rgb(cr, 0, 0, 0);
  const double s = static_cast<double>(scale);
  cairo_scale(cr, s, s);
  cairo_move_to(cr, (fx - static_cast<double>(e.maskX)) / s, (fy - static_cast<double>(e.maskY)) / s);
  pango_cairo_show_layout(cr, layout);
  cairo_destroy(cr);
  cairo_surface_flush(e.mask);
}

// A one-device-pixel line in the pen colour, both end points included: Bresenham's walk.
void PlotDeviceLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  const blend::Surface& s = pass.pixels;
  const uint32_t value = PenPixel();
  const bool opaque = (value >> 24) == 0xFF;
  const int64_t dx = std::llabs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int64_t dy = -std::llabs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int64_t err = dx + dy;
  for (;;) {
    if (x1 >= 0 && y1 >= 0 && x1 < s.width && y1 < s.height) {
      uint32_t& p = s.Row(y1)[x1];
      p = opaque ? value : blend::Over(value, p);
    }
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
}

// A one-logical-pixel line between two logical pixels, both included. At scale s each end covers
// its s x s block and s parallel device lines, side by side across the line's main direction,
// fill the band between them: s device pixels thick, and never one pixel twice.
void PlotLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (!pass.target) return;
  const int64_t s = pass.scale;
  const bool alongX = std::llabs(x2 - x1) >= std::llabs(y2 - y1);
  const int64_t last = s - 1;  // the far side of a block from its top-left device pixel
  for (int64_t k = 0; k < s; ++k) {
    if (alongX) {
      const bool right = x1 <= x2;
      PlotDeviceLine(x1 * s + (right ? 0 : last), y1 * s + k, x2 * s + (right ? last : 0), y2 * s + k);
    } else {
      const bool down = y1 <= y2;
      PlotDeviceLine(x1 * s + k, y1 * s + (down ? 0 : last), x2 * s + k, y2 * s + (down ? last : 0));
    }
  }
}

// Records whether an image that was just drawn on is opaque everywhere.
void NoteImageChanged(cairo_surface_t* surface) {
  for (Image& image : images) {
    if (image.surface != surface) continue;
    image.opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 || blend::Opaque(SurfaceOf(surface));
  }
}

cairo_surface_t* TargetSurface(int64_t target) {
  if (target == ScreenTarget) return screen;
  if (ValidNumber(target)) return images[target].surface;
  return nullptr;
}

// The region finder's reference: the frame it last saw, rows of width pixels packed tightly.
struct PresentedFrame {
  std::vector<uint32_t> pixels;
  int64_t width = 0, height = 0;
  bool valid = false;  // false until the first frame after the screen opened
  canvas::ChangedRegions found;
};
PresentedFrame presented;

// Two rectangles are merged when the merged one covers at most this many pixels more than the
// two: about what one more rectangle costs to upload and present on its own.
constexpr int64_t MergeSlack = canvas::RegionTile * canvas::RegionTile;

int64_t Area(const canvas::Region& r) { return r.w * r.h; }

canvas::Region Union(const canvas::Region& a, const canvas::Region& b) {
  const int64_t x = std::min(a.x, b.x), y = std::min(a.y, b.y);
  return {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y};
}

bool WorthMerging(const canvas::Region& a, const canvas::Region& b) {
  return Area(Union(a, b)) <= Area(a) + Area(b) + MergeSlack;
}

// Adds a changed rectangle: into one already found when the union wastes little, else as a new
// one; with the list full, into the one that grows least.
void AddRegion(canvas::ChangedRegions& out, const canvas::Region& r) {
  for (int64_t i = 0; i < out.count; ++i) {
    if (WorthMerging(out.rects[i], r)) {
      out.rects[i] = Union(out.rects[i], r);
      return;
    }
  }
  if (out.count < canvas::MaxRegions) {
    out.rects[out.count++] = r;
    return;
  }
  int64_t best = 0, bestGrowth = -1;
  for (int64_t i = 0; i < out.count; ++i) {
    const int64_t growth = Area(Union(out.rects[i], r)) - Area(out.rects[i]);
    if (bestGrowth < 0 || growth < bestGrowth) {
      best = i;
      bestGrowth = growth;
    }
  }
  out.rects[best] = Union(out.rects[best], r);
}

// Merges rectangles that grew into each other's reach until no pair is worth merging.
void MergeRegions(canvas::ChangedRegions& out) {
  for (bool merged = true; merged;) {
    merged = false;
    for (int64_t i = 0; i < out.count && !merged; ++i) {
      for (int64_t j = i + 1; j < out.count; ++j) {
        if (!WorthMerging(out.rects[i], out.rects[j])) continue;
        out.rects[i] = Union(out.rects[i], out.rects[j]);
        out.rects[j] = out.rects[--out.count];
        merged = true;
        break;
      }
    }
  }
}

// Compares one tile of the back buffer with the reference and copies its changed rows into it;
// only the band's rows set in rows (bit k: row ty + k) can differ. Returns the bounding box of the
// changed pixels, empty (w = 0) when none changed.
canvas::Region CompareTile(const uint32_t* back, int64_t backStride, int64_t tx, int64_t ty, int64_t tw, int64_t th,
                           uint64_t rows) {
  int64_t top = -1, bottom = -1, left = tw, right = -1;
  for (int64_t y = ty; y < ty + th; ++y) {
    if (!(rows >> (y - ty) & 1)) continue;
    const uint32_t* b = back + y * backStride + tx;
    uint32_t* r = presented.pixels.data() + y * presented.width + tx;
    if (std::memcmp(b, r, static_cast<size_t>(tw) * 4) == 0) continue;
    if (left > 0) {
      int64_t l = 0;
      while (b[l] == r[l]) ++l;
      left = std::min(left, l);
    }
    if (right < tw - 1) {
      int64_t rr = tw - 1;
      while (b[rr] == r[rr]) --rr;
      right = std::max(right, rr);
    }
    if (top < 0) top = y;
    bottom = y;
    std::memcpy(r, b, static_cast<size_t>(tw) * 4);
  }
  if (top < 0) return {};
  return {tx + left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

namespace canvas {

const ChangedRegions& FindChangedRegions() {
  ChangedRegions& out = presented.found;
  out.count = 0;
  out.whole = false;
  out.pixels = 0;
  const uint32_t* back = ScreenPixels();
  if (!back) return out;
  const int64_t w = ScreenWidth(), h = ScreenHeight(), stride = ScreenStride() / 4;
  if (!presented.valid || presented.width != w || presented.height != h) {
    presented.pixels.resize(static_cast<size_t>(w * h));
    for (int64_t y = 0; y < h; ++y)
      std::memcpy(presented.pixels.data() + y * w, back + y * stride, static_cast<size_t>(w) * 4);
    presented.width = w;
    presented.height = h;
    presented.valid = true;
    out.rects[0] = {0, 0, w, h};
    out.count = 1;
    out.whole = true;
    out.pixels = w * h;
    return out;
  }
  static_assert(RegionTile <= 64, "a band's rows are one bit each of a 64-bit mask");
  for (int64_t ty = 0; ty < h; ty += RegionTile) {
    const int64_t th = std::min(RegionTile, h - ty);
    // Whole rows first, in one comparison each: most rows of a frame have not changed at all, and
    // only the rows that have are compared tile by tile.
    uint64_t rows = 0;
    for (int64_t k = 0; k < th; ++k) {
      const int64_t y = ty + k;
      if (std::memcmp(back + y * stride, presented.pixels.data() + y * w, static_cast<size_t>(w) * 4) != 0)
        rows |= uint64_t{1} << k;
    }
    if (rows == 0) continue;
    for (int64_t tx = 0; tx < w; tx += RegionTile) {
      const Region box = CompareTile(back, stride, tx, ty, std::min(RegionTile, w - tx), th, rows);
      if (box.w > 0) AddRegion(out, box);
    }
  }
  MergeRegions(out);
  for (int64_t i = 0; i < out.count; ++i) out.pixels += Area(out.rects[i]);
  return out;
}

void ForgetPresentedFrame() { presented.valid = false; }

bool OpenScreen(int64_t w, int64_t h, int64_t scale) {
  CloseScreen();
  if (w <= 0 || h <= 0) return false;
  const int64_t s = std::clamp<int64_t>(scale, 1, MaxScale);
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w * s), static_cast<int>(h * s));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_surface_set_device_scale(surface, static_cast<double>(s), static_cast<double>(s));
  screen = surface;
  screenScale = s;
  ForgetPresentedFrame();
  return true;
}

void CloseScreen() {
  if (pass.target && pass.target == screen) EndDrawing();
  if (screen) cairo_surface_destroy(screen);
  screen = nullptr;
  ForgetPresentedFrame();
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
  std::vector<uint32_t>().swap(presented.pixels);
  for (int64_t i = 1; i < MaxObjects; ++i) {
    FreeImageBuffer(i);
    FreeFontFace(i);
  }
  textCache.Clear();
  ReleaseCircleMasks();
  screenScale = 1;
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
int64_t TextCacheRenders() { return textRenders; }

}  // namespace canvas

int64_t ScreenScale() { return screen ? screenScale : 0; }

void ClearBackBuffer(Colour colour) {
  if (!screen) return;
  const blend::Surface all = SurfaceOf(screen);
  blend::FillRect(all, 0, 0, all.width, all.height, blend::Premultiplied(colour & 0xFFFFFF, 255));
  cairo_surface_mark_dirty(screen);
}

int64_t BeginDrawing(int64_t target) {
  EndDrawing();
  cairo_surface_t* surface = TargetSurface(target);
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return 0;
  pass.target = surface;
  pass.pixels = SurfaceOf(surface);
  pass.scale = surface == screen ? screenScale : images[target].scale;
  if (surface == screen) textCache.Tick();
  pass.pen = RGB(255, 255, 255);
  pass.mode = ModeOpaque;
  pass.font = 0;
  return 1;
}

void EndDrawing() {
  if (pass.cr) cairo_destroy(pass.cr);
  if (pass.target) cairo_surface_mark_dirty(pass.target);
  if (pass.target && pass.target != screen) NoteImageChanged(pass.target);
  pass.cr = nullptr;
  pass.target = nullptr;
  pass.pixels = {};
  pass.scale = 1;
}

void SetPenColor(Colour colour) { pass.pen = colour; }
void SetDrawMode(int64_t mode) { pass.mode = mode; }

void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h) {
  if (!pass.target || w <= 0 || h <= 0) return;
  const uint32_t src = PenPixel();
  const int64_t s = pass.scale;
  if (pass.mode == ModeOutline && w > 2 && h > 2) {
    blend::FillRect(pass.pixels, x * s, y * s, w * s, s, src);
    blend::FillRect(pass.pixels, x * s, (y + h - 1) * s, w * s, s, src);
    blend::FillRect(pass.pixels, x * s, (y + 1) * s, s, (h - 2) * s, src);
    blend::FillRect(pass.pixels, (x + w - 1) * s, (y + 1) * s, s, (h - 2) * s, src);
  } else {
    blend::FillRect(pass.pixels, x * s, y * s, w * s, h * s, src);
  }
}

void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  pass.pen = colour;
  DrawRect(x, y, w, h);
}

// A circle covering the pixels within r of pixel (x, y): 2r + 1 pixels across, anti-aliased.
void DrawCircle(int64_t x, int64_t y, int64_t r) {
  if (!pass.target || r < 0) return;
  const bool outline = pass.mode == ModeOutline;
  if (r < MaxMaskedRadius) {
    const int64_t s = pass.scale;
    blend::MaskSolid(pass.pixels, MaskOf(CircleMask(r, outline, s)), (x - r - 1) * s, (y - r - 1) * s, PenPixel());
    return;
  }
  cairo_t* cr = Cairo();
  UseColour(cr, pass.pen, pass.mode);
  cairo_new_path(cr);
  if (outline) {
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, x + 0.5, y + 0.5, static_cast<double>(r), 0, 2 * M_PI);
    cairo_stroke(cr);
  } else {
    cairo_arc(cr, x + 0.5, y + 0.5, r + 0.5, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  cairo_surface_flush(pass.target);
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
  if (!pass.target || text.empty()) return;
  const double s = static_cast<double>(pass.scale);
  const double baseX = std::floor(x * s), baseY = std::floor(y * s);
  const auto subX = static_cast<uint32_t>(std::lround((x * s - baseX) * 64));
  const auto subY = static_cast<uint32_t>(std::lround((y * s - baseY) * 64));
  char keyBuf[512];
  const std::string_view key = textCache.enabled
                                   ? TextKey(keyBuf, sizeof keyBuf, text, subX, subY, static_cast<uint32_t>(pass.scale))
                                   : std::string_view();
  if (key.empty() || subX >= 64 || subY >= 64) {
    cairo_t* cr = Cairo();
    UseColour(cr, pass.pen, pass.mode == ModeAlphaBlend ? ModeAlphaBlend : ModeOpaque);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, LayOut(text));
    cairo_surface_flush(pass.target);
    return;
  }
  TextCache::Entry& e = textCache.Get(key);
  if (!e.mask) RenderMask(e, text, subX / 64.0, subY / 64.0, pass.scale);
  blend::MaskSolid(pass.pixels, MaskOf(e.mask), static_cast<int64_t>(baseX) + e.maskX,
                   static_cast<int64_t>(baseY) + e.maskY, PenPixel());
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
  if (!pass.target || !ValidNumber(image) || !images[image].surface) return;
  cairo_surface_t* img = images[image].surface;
  const bool hasAlpha = cairo_image_surface_get_format(img) == CAIRO_FORMAT_ARGB32 && !images[image].opaque;
  blend::Stamp(pass.pixels, SurfaceOf(img), hasAlpha, x * pass.scale, y * pass.scale);
}

// An image of w x h logical pixels, made at the scale of the screen most recently opened.
int64_t CreateImageBuffer(int64_t image, int64_t w, int64_t h, int64_t depth, Colour fill) {
  if (!ValidNumber(image) || w <= 0 || h <= 0) return 0;
  FreeImageBuffer(image);
  const cairo_format_t format = depth == 32 ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
  const int64_t scale = screenScale;
  cairo_surface_t* s = cairo_image_surface_create(format, static_cast<int>(w * scale), static_cast<int>(h * scale));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return 0;
  }
  cairo_surface_set_device_scale(s, static_cast<double>(scale), static_cast<double>(scale));
  cairo_t* cr = cairo_create(s);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  UseColour(cr, fill, depth == 32 ? ModeAlphaBlend : ModeOpaque);
  cairo_paint(cr);
  cairo_destroy(cr);
  images[image].surface = s;
  images[image].scale = scale;
  NoteImageChanged(s);
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
  NoteImageChanged(target);
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
