// The drawing screen's back buffer as the back ends see it: both draw the same cairo/Pango
// canvas and differ only in how they present it.
#pragma once

#include <array>
#include <cstdint>

namespace canvas {

// A fresh back buffer of w x h logical pixels at scale device pixels per logical pixel (1..4),
// so (w * scale) x (h * scale) device pixels. Images made afterwards take the same scale.
bool OpenScreen(int64_t w, int64_t h, int64_t scale = 1);
void CloseScreen();
bool ScreenOpen();
int64_t ScreenWidth();  // device pixels
int64_t ScreenHeight();
int64_t ScreenStride();          // bytes per row
const uint32_t* ScreenPixels();  // 0x00RRGGBB per pixel, rows ScreenStride() bytes apart
void ReleaseAll();               // every image, font and pass; the screen too

// The cache of laid-out and rendered texts (on by default); switching it clears it.
void SetTextCacheEnabled(bool enabled);
int64_t TextCacheSize();
int64_t TextCacheRenders();  // texts rendered into masks so far

// A rectangle of the screen in device pixels, its top-left corner at (x, y).
struct Region {
  int64_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Region&) const = default;
};

// The tile grid the region finder compares in: squares of this many device pixels, cut short at
// the screen's right and bottom edges.
constexpr int64_t RegionTile = 64;
// At most this many rectangles per frame; more changed tiles are merged into fewer, larger ones.
constexpr int64_t MaxRegions = 32;

// The parts of the back buffer that differ from the frame the region finder saw last.
struct ChangedRegions {
  std::array<Region, MaxRegions> rects;  // disjoint or overlapping, each within the screen
  int64_t count = 0;                     // rectangles used, 0 when nothing changed
  bool whole = false;                    // the whole screen, the first frame after the screen opened
  int64_t pixels = 0;                    // device pixels the rectangles cover (overlaps counted twice)
};

// Compares the back buffer, tile by tile, with the frame this was last called for, and keeps the
// changed pixels as the new reference. A tile's rectangle is trimmed to the rows and columns that
// changed; neighbouring rectangles are merged where the merged one wastes few pixels. After the
// screen is opened (or ForgetPresentedFrame) the whole screen counts as changed. Allocates only on
// the first call after the screen opened, for its reference copy.
const ChangedRegions& FindChangedRegions();
// The next FindChangedRegions reports the whole screen.
void ForgetPresentedFrame();

}  // namespace canvas
