// The recall banner: over the header's controls beside the Draw button (never over the board),
// it says that a past draw is shown, gives its lines, and carries the older, newer and close marks.
#include <cstdint>

#include "platform/platform.h"
#include "state/game_state.h"
#include "state/recall_view.h"
#include "ui/ui.h"

namespace {

constexpr Colour BannerFace = RGB(24, 28, 44);
constexpr Colour BannerEdge = RGB(255, 215, 0);
constexpr Colour BannerText = RGB(255, 235, 160);
constexpr Colour MarkFace = RGB(60, 66, 96);
constexpr int64_t MarkW = 34;  // each mark's width and height, logical pixels
constexpr int64_t MarkGap = 8;

// One mark: a square with its sign centred.
void DrawMark(const Rect& r, const char* sign) {
  SetDrawMode(ModeOpaque);
  DrawRect(r.x, r.y, r.w, r.h, MarkFace);
  SetDrawMode(ModeOutline);
  DrawRect(r.x, r.y, r.w, r.h, BannerEdge);
  SetDrawMode(ModeTransparentText);
  SetPenColor(BannerText);
  const double w = StringWidth(sign), h = StringHeight(sign);
  DrawString(static_cast<double>(r.x) + (static_cast<double>(r.w) - w) / 2.0,
             static_cast<double>(r.y) + (static_cast<double>(r.h) - h) / 2.0, sign);
}

}  // namespace

// Draws the banner while a draw is recalled and records where it and its marks are.
void DrawRecallBanner() {
  if (Recall.Open == 0) {
    Recall.BannerRect = Recall.OlderMark = Recall.NewerMark = Recall.CloseMark = Rect{};
    return;
  }
  const Rect& from = Game.NewGameButtonRect;
  const Rect& to = Game.AboutButtonRect;
  const Rect b{from.x, from.y, to.x + to.w - from.x, from.h};
  Recall.BannerRect = b;
  SetDrawMode(ModeOpaque);
  DrawRect(b.x, b.y, b.w, b.h, BannerFace);
  DrawRect(b.x, b.y, b.w, 2, BannerEdge);
  DrawRect(b.x, b.y + b.h - 2, b.w, 2, BannerEdge);
  DrawRect(b.x, b.y, 2, b.h, BannerEdge);
  DrawRect(b.x + b.w - 2, b.y, 2, b.h, BannerEdge);

  const int64_t my = b.y + (b.h - MarkW) / 2;
  Recall.CloseMark = Rect{b.x + b.w - MarkGap - MarkW, my, MarkW, MarkW};
  Recall.NewerMark = Rect{Recall.CloseMark.x - 2 * MarkGap - MarkW, my, MarkW, MarkW};
  Recall.OlderMark = Rect{Recall.NewerMark.x - MarkGap - MarkW, my, MarkW, MarkW};
  SetFont(Game.FontButton);
  DrawMark(Recall.OlderMark, "<");
  DrawMark(Recall.NewerMark, ">");
  DrawMark(Recall.CloseMark, "x");

  SetDrawMode(ModeTransparentText);
  SetPenColor(BannerText);
  const double lineH = StringHeight("M") + 8.0;
  const double top = static_cast<double>(b.y) + (static_cast<double>(b.h) - 2.0 * lineH) / 2.0 + 4.0;
  for (int64_t i = 0; i < RecallBannerLines; ++i)
    DrawString(static_cast<double>(b.x + 14), top + static_cast<double>(i) * lineH, Recall.Banner[i]);
}
