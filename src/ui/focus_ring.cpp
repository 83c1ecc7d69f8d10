// The keyboard focus ring: a frame just inside the focused item, black outside and white inside,
// so that it reads on every cell, button and tab colour. Its widths are logical pixels, which the
// screen's scale factor multiplies like every other coordinate.
#include "ui/ui.h"

namespace {

// A frame of width t just inside r, in colour c.
void Frame(const Rect& r, int64_t t, Colour c) {
  if (r.w <= 2 * t || r.h <= 2 * t) return;
  DrawRect(r.x, r.y, r.w, t, c);
  DrawRect(r.x, r.y + r.h - t, r.w, t, c);
  DrawRect(r.x, r.y + t, t, r.h - 2 * t, c);
  DrawRect(r.x + r.w - t, r.y + t, t, r.h - 2 * t, c);
}

}  // namespace

// Draws the ring over whatever the item shows.
void DrawFocusRing(const Rect& r) {
  SetDrawMode(ModeOpaque);
  Frame(r, 1, RGB(0, 0, 0));
  Frame(Rect{r.x + 1, r.y + 1, r.w - 2, r.h - 2}, FocusRingWidth - 1, RGB(255, 255, 255));
}
