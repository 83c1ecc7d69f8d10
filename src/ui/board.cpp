// The number board: 80 bevelled cells showing picks, drawn balls and hits, or the heat map of how
// often each number has been drawn.
#include <cmath>
#include <cstdio>

#include "state/draw_view.h"
#include "state/game_state.h"
#include "ui/palette.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr Colour BoardColour = RGB(20, 30, 70);
constexpr Colour OutlineColour = RGB(0, 0, 0);
constexpr Colour HeatTint = RGB(255, 130, 0);
constexpr Colour CrossColour = RGB(255, 230, 0);
constexpr Colour MarkColour = RGB(255, 255, 255);  // the picked corner and the drawn ring

struct CellLook {
  Colour fill, topLeft, bottomRight, number;
};
constexpr CellLook HitLook = {HitColour, RGB(110, 230, 130), RGB(15, 100, 30), RGB(255, 255, 255)};
constexpr CellLook DrawnLook = {DrawnColour, RGB(255, 100, 100), RGB(100, 0, 0), RGB(255, 255, 255)};
constexpr CellLook PickedLook = {RGB(140, 20, 160), RGB(70, 0, 85), RGB(200, 80, 220), RGB(255, 220, 255)};
constexpr CellLook IdleLook = {RGB(0, 90, 200), RGB(80, 160, 255), RGB(0, 45, 110), RGB(255, 255, 255)};

// One cell's box (one pixel larger than its inner size, so neighbours overlap), inner size and
// the centred position of its label.
struct Cell {
  int64_t x, y, w, h;  // inner size w x h; the box is (w + 1) x (h + 1)
  int64_t tx, ty;
  char label[4];
  int labelLen;
  std::string_view Label() const { return {label, static_cast<size_t>(labelLen)}; }
};

// The drawn-count range of the heat map: hi at least 1, lo the least count above 0 (or 0).
struct HeatRange {
  int64_t lo, span;
};

HeatRange ScanHeat() {
  int64_t hi = 1, lo = 0;
  for (int n = 1; n <= NumberCount; ++n) {
    const int64_t c = Game.HeatCount[n];
    if (c > hi) hi = c;
    if (c > 0 && (lo == 0 || c < lo)) lo = c;
  }
  return {lo, hi > lo ? hi - lo : 1};
}

// The tint's alpha for a count: 0 when never drawn, then 32 (least drawn) up to 215 (most drawn).
int64_t HeatAlpha(int64_t count, const HeatRange& range) {
  if (count == 0) return 0;
  float t = 0.15f + 0.85f * static_cast<float>(count - range.lo) / static_cast<float>(range.span);
  if (t > 1.0f) t = 1.0f;
  return static_cast<int64_t>(t * 215.0f);
}

void DrawOutline(const Cell& cell) {
  SetDrawMode(ModeOutline);
  DrawRect(cell.x, cell.y, cell.w + 1, cell.h + 1, OutlineColour);
}

// The label with a black shadow one pixel down and right.
void DrawLabel(const Cell& cell, Colour colour) {
  SetDrawMode(ModeTransparentText);
  SetPenColor(OutlineColour);
  DrawString(static_cast<double>(cell.tx + 1), static_cast<double>(cell.ty + 1), cell.Label());
  SetPenColor(colour);
  DrawString(static_cast<double>(cell.tx), static_cast<double>(cell.ty), cell.Label());
}

void DrawHeatCell(const Cell& cell, int64_t n, const HeatRange& range) {
  SetDrawMode(ModeOpaque);
  DrawRect(cell.x, cell.y, cell.w + 1, cell.h + 1, IdleLook.fill);
  const int64_t alpha = HeatAlpha(Game.HeatCount[n], range);
  if (alpha > 0) {
    SetDrawMode(ModeAlphaBlend);
    DrawRect(cell.x, cell.y, cell.w + 1, cell.h + 1, HeatTint | static_cast<Colour>(alpha) << 24);
  }
  DrawCellBevel(cell.x, cell.y, cell.w + 1, cell.h + 1, IdleLook.topLeft, IdleLook.bottomRight);
  DrawOutline(cell);
  DrawLabel(cell, RGB(255, 255, 255));
}

// The high-visibility mark of a cell, under its label: a corner triangle for a pick, a ring for
// a drawn number, a black edge along the hit's cross (drawn next), nothing for an idle cell.
void DrawCellMark(const Cell& cell, CellMark mark, Colour fill) {
  const int64_t side = cell.w < cell.h ? cell.w : cell.h;
  SetDrawMode(ModeOpaque);
  if (mark == CellMark::Picked) {
    const int64_t s = side * 2 / 5;
    for (int64_t i = 0; i < s; ++i) DrawRect(cell.x + 3, cell.y + 3 + i, s - i, 1, MarkColour);
  } else if (mark == CellMark::Drawn) {
    const int64_t r = side / 2 - 5, t = side / 12 > 2 ? side / 12 : 2;
    DrawCircle(cell.x + cell.w / 2, cell.y + cell.h / 2, r, MarkColour);
    DrawCircle(cell.x + cell.w / 2, cell.y + cell.h / 2, r - t, fill);
  } else if (mark == CellMark::Hit) {
    const int64_t mx = static_cast<int64_t>(std::floor(static_cast<double>(cell.w) * 0.05 + 0.5));
    const int64_t my = static_cast<int64_t>(std::floor(static_cast<double>(cell.h) * 0.05 + 0.5));
    const int64_t x1 = cell.x + mx, y1 = cell.y + my, x2 = cell.x + cell.w - mx, y2 = cell.y + cell.h - my;
    SetPenColor(OutlineColour);
    for (int64_t k = -8; k <= 8; ++k) {
      DrawLine(x1, y1 + k, x2, y2 + k);
      DrawLine(x1 + k, y1, x2 + k, y2);
      DrawLine(x2, y1 + k, x1, y2 + k);
      DrawLine(x2 + k, y1, x1 + k, y2);
    }
  }
}

// A cell of a card tab or of the combined Main view, in the look the view gives it. On Main a
// number on two or more cards shows an asterisk instead of its digits.
void DrawStateCell(const Cell& cell, int64_t n, const DrawView& view, int64_t card) {
  const CellMark mark = CellMarkOf(view, card, n);
  const bool hit = mark == CellMark::Hit;
  const CellLook& look = hit                        ? HitLook
                         : mark == CellMark::Picked ? PickedLook
                         : mark == CellMark::Drawn  ? DrawnLook
                                                    : IdleLook;
  const bool asterisk = card == 0 && view.CardsPerNumber[n] > 1;

  SetDrawMode(ModeOpaque);
  DrawRect(cell.x, cell.y, cell.w + 1, cell.h + 1, look.fill);
  DrawCellBevel(cell.x, cell.y, cell.w + 1, cell.h + 1, look.topLeft, look.bottomRight);
  DrawOutline(cell);
  if (Game.HighVisibilityMarks != 0) DrawCellMark(cell, mark, look.fill);
  if (!asterisk) DrawLabel(cell, look.number);
  if (hit) {
    DrawHitCross(cell.x, cell.y, cell.w, cell.h);
    if (!asterisk) {
      SetDrawMode(ModeTransparentText);
      SetPenColor(OutlineColour);
      DrawString(static_cast<double>(cell.tx), static_cast<double>(cell.ty), cell.Label());
    }
  }
  if (asterisk && Game.StarImageWhite != 0) {
    SetDrawMode(ModeAlphaBlend);
    StampImage(hit ? Game.StarImageBlack : Game.StarImageWhite, cell.x + (cell.w - Game.StarImageSize) / 2,
               cell.y + (cell.h - Game.StarImageSize) / 2);
  }
}

// Where cell i of one axis starts from the board's edge, and its inner size; its box is one pixel
// longer, so neighbouring boxes share an edge pixel or meet.
struct CellSpan {
  int64_t start, size;
};

// Cell i's span along an axis of `length` pixels cut into `parts` cells of a float's length.
CellSpan SpanAlong(int64_t length, int64_t parts, int64_t i) {
  const float cell = static_cast<float>(length) / static_cast<float>(parts);
  return {static_cast<int64_t>(static_cast<float>(i) * cell), static_cast<int64_t>(cell)};
}

// The cell along one axis whose box holds offset r, -1 outside the grid. A pixel two boxes share
// (their common outline), or one no box holds, goes to r / cell truncated, as it always has.
int64_t IndexAlong(int64_t length, int64_t parts, int64_t r) {
  if (length <= 0) return -1;
  const float cell = static_cast<float>(length) / static_cast<float>(parts);
  const int64_t guess = static_cast<int64_t>(static_cast<double>(r) / static_cast<double>(cell));
  if (guess < 0 || guess >= parts) return -1;
  auto holds = [&](int64_t i) {
    const CellSpan s = SpanAlong(length, parts, i);
    return r >= s.start && r <= s.start + s.size;
  };
  if (holds(guess)) return guess;
  if (guess + 1 < parts && holds(guess + 1)) return guess + 1;
  if (guess > 0 && holds(guess - 1)) return guess - 1;
  return guess;
}

}  // namespace

// The look of number n on card c's tab, or on Main for c = 0. On a card: a hit when the draw
// counts n for the card and the card still picks it; drawn when it counts but was taken off;
// picked when picked now (a pick the draw does not count counts from the next); then drawn or
// idle. On Main: a hit when some card still picks a number the draw counts for it; otherwise
// picked, drawn or idle as on a card.
CellMark CellMarkOf(const DrawView& view, int64_t c, int64_t n) {
  if (n < 1 || n > NumberCount) return CellMark::Idle;
  const bool drawn = view.Drawn[n] != 0;
  if (c >= 1 && c <= CardCount) {
    const DrawViewCard& card = view.Cards[c];
    const bool picked = card.Picked[n] != 0;
    if (card.Counted[n] != 0) return picked ? CellMark::Hit : CellMark::Drawn;
    if (picked) return CellMark::Picked;
    return drawn ? CellMark::Drawn : CellMark::Idle;
  }
  for (int64_t k = 1; k <= CardCount; ++k)
    if (view.Cards[k].Counted[n] != 0 && view.Cards[k].Picked[n] != 0) return CellMark::Hit;
  if (view.CardsPerNumber[n] > 0) return CellMark::Picked;
  return drawn ? CellMark::Drawn : CellMark::Idle;
}

// The box cell n (1..80) is drawn in on the board: its corner, and its inner size plus one.
// Drawing and hit-testing both take a cell's place from here.
Rect CellRect(const Rect& board, int64_t n) {
  const int64_t col = (n - 1) % 10, row = (n - 1) / 10;
  const CellSpan across = SpanAlong(board.w, 10, col);
  const CellSpan down = SpanAlong(board.h, 8, row);
  return {board.x + across.start, board.y + down.start, across.size + 1, down.size + 1};
}

// The number drawn under a screen point, 0 outside the 10 x 8 grid.
int64_t CellUnder(const Rect& board, int64_t px, int64_t py) {
  const int64_t col = IndexAlong(board.w, 10, px - board.x);
  const int64_t row = IndexAlong(board.h, 8, py - board.y);
  if (col < 0 || row < 0) return 0;
  return row * 10 + col + 1;
}

// Draws the 10 x 8 grid of 1..80 into the rectangle from the view: card `card`'s tab (cardView 1)
// or the combined Main view (cardView 0), which shows the heat map instead when it is switched on.
void DrawBoard(int64_t x, int64_t y, int64_t w, int64_t h, int64_t cardView, int64_t card, const DrawView& view) {
  const bool heat = cardView == 0 && view.HeatMap != 0;
  const HeatRange range = heat ? ScanHeat() : HeatRange{0, 1};
  const Rect board{x, y, w, h};

  // The cell boxes overlap by a pixel and reach the right and bottom edges, so they cover the
  // board's background completely: it is only painted where the grid could leave a gap.
  SetDrawMode(ModeOpaque);
  if (w < 10 || h < 8) DrawRect(x, y, w, h, BoardColour);
  SetFont(Game.FontCellNumber);

  for (int64_t n = 1; n <= NumberCount; ++n) {
    const Rect box = CellRect(board, n);
    Cell cell;
    cell.x = box.x;
    cell.y = box.y;
    cell.w = box.w - 1;
    cell.h = box.h - 1;
    cell.labelLen = std::snprintf(cell.label, sizeof cell.label, "%d", static_cast<int>(n));
    const int64_t tw = RoundHalfEven(StringWidth(cell.Label()));
    const int64_t th = RoundHalfEven(StringHeight(cell.Label()));
    cell.tx = cell.x + (cell.w - tw) / 2;
    cell.ty = cell.y + (cell.h - th) / 2;
    if (heat) {
      DrawHeatCell(cell, n, range);
    } else {
      DrawStateCell(cell, n, view, cardView == 1 ? card : 0);
    }
  }
}

// A 3-pixel edge inside the rectangle: top and left in one colour, bottom and right over them in
// the other.
void DrawCellBevel(int64_t x, int64_t y, int64_t w, int64_t h, Colour topLeft, Colour bottomRight) {
  SetDrawMode(ModeOpaque);
  DrawRect(x, y, w, 3, topLeft);
  DrawRect(x, y, 3, h, topLeft);
  DrawRect(x, y + h - 3, w, 3, bottomRight);
  DrawRect(x + w - 3, y, 3, h, bottomRight);
}

// The thick yellow cross of a hit: two diagonal bars of 44 one-pixel lines, 5% in from the edges.
void DrawHitCross(int64_t x, int64_t y, int64_t w, int64_t h) {
  const int64_t mx = static_cast<int64_t>(std::floor(static_cast<double>(w) * 0.05 + 0.5));
  const int64_t my = static_cast<int64_t>(std::floor(static_cast<double>(h) * 0.05 + 0.5));
  const int64_t x1 = x + mx, y1 = y + my, x2 = x + w - mx, y2 = y + h - my;
  SetDrawMode(ModeOpaque);
  SetPenColor(CrossColour);
  for (int64_t k = -5; k <= 5; ++k) {
    DrawLine(x1, y1 + k, x2, y2 + k);
    DrawLine(x1 + k, y1, x2 + k, y2);
    DrawLine(x2, y1 + k, x1, y2 + k);
    DrawLine(x2 + k, y1, x1 + k, y2);
  }
}
