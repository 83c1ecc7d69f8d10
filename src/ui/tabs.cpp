// The tab strip above the board and the Draw button at the head of the control row.
#include <cstdint>
#include <string_view>

#include "state/game_state.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr std::string_view TabLabels[TabCount] = {"Main", "Card 1", "Card 2", "Card 3", "Card 4"};
constexpr int64_t StripH = 52;

// The colours of one tab, selected or not.
struct TabColours {
  Colour face, label, highlight, shadow;
};
constexpr TabColours SelectedTab{RGB(255, 215, 0), RGB(20, 20, 20), RGB(255, 255, 170), RGB(170, 145, 0)};
constexpr TabColours OtherTab{RGB(65, 65, 82), RGB(195, 195, 210), RGB(95, 95, 110), RGB(28, 28, 38)};

// One state of the Draw button: its bevel colours and up to three lines.
struct DrawButtonLook {
  Colour face, light, dark;
  std::string_view lines[3];
};
constexpr DrawButtonLook AutoRunLook{
    RGB(180, 35, 35), RGB(230, 90, 90), RGB(100, 10, 10), {"STOP AUTO", "(click to stop)", ""}};
constexpr DrawButtonLook DrawingLook{RGB(70, 70, 90), RGB(110, 110, 130), RGB(30, 30, 45), {"Drawing...", "", ""}};
constexpr DrawButtonLook HoldingLook{
    RGB(30, 55, 130), RGB(50, 80, 160), RGB(10, 25, 70), {"Draw Numbers", "HOLDING...", "Release to cancel"}};
constexpr DrawButtonLook IdleLook{
    RGB(40, 80, 190), RGB(80, 130, 240), RGB(15, 40, 110), {"Draw Numbers", "Hold 1s = AUTO", "use SPACEBAR"}};

}  // namespace

// The five tabs, the selected one gold, with the heat-map dot beside "Main" while the map is on.
void DrawTabs(int64_t selectedTab, bool heatDot) {
  const Rect& bar = Game.TabBarRect;
  const int64_t x = bar.x, y = bar.y, tw5 = bar.w / TabCount;
  SetDrawMode(ModeOpaque);
  DrawRect(x, y, bar.w, StripH, RGB(40, 40, 52));
  SetFont(Game.FontTab);

  for (int64_t t = 0; t < TabCount; ++t) {
    const int64_t tx = x + t * tw5;
    const bool selected = t == selectedTab;
    const TabColours& c = selected ? SelectedTab : OtherTab;
    SetDrawMode(ModeOpaque);
    DrawRect(tx + 1, y + 2, tw5 - 2, 50, c.face);
    DrawRect(tx + 1, y + 2, tw5 - 2, 2, c.highlight);
    DrawRect(tx + 1, y + 2, 2, 50, c.highlight);
    if (selected) {
      DrawRect(tx + 1, y + 48, tw5 - 2, 4, c.shadow);
    } else {
      DrawRect(tx + 1, y + 50, tw5 - 2, 2, c.shadow);
    }
    DrawRect(tx + tw5 - 3, y + 2, 2, 50, c.shadow);

    const std::string_view label = TabLabels[t];
    const int64_t lw = RoundHalfEven(StringWidth(label));
    const int64_t lh = RoundHalfEven(StringHeight(label));
    const bool dot = t == 0 && heatDot;
    const double lx = static_cast<double>(tx) + static_cast<double>(tw5 - lw) / 2.0 - (dot ? 10.0 : 0.0);
    SetDrawMode(ModeTransparentText);
    SetPenColor(c.label);
    DrawString(lx, static_cast<double>(y) + static_cast<double>(StripH - lh) / 2.0, label);
    if (dot) {
      const int64_t d = (tw5 - lw) / 2;
      SetDrawMode(ModeOpaque);
      DrawCircle(tx + d + lw + 4, y + 26, 6, RGB(255, 120, 0));
      SetDrawMode(ModeAlphaBlend);
      DrawCircle(tx + d + lw + 2, y + 24, 3, RGBA(255, 220, 100, 160));
    }
  }
}

// The Draw button: auto-run, drawing, holding or idle, with its lines at fixed places.
void DrawDrawButton() {
  const Rect& r = Game.DrawButtonRect;
  const DrawButtonLook& look = Game.AutoRun != 0          ? AutoRunLook
                               : Game.Drawing != 0        ? DrawingLook
                               : Game.DrawButtonDown != 0 ? HoldingLook
                                                          : IdleLook;
  DrawBevelButton(r.x, r.y, r.w, r.h, look.face, look.light, look.dark);
  SetFont(Game.FontButton);
  SetDrawMode(ModeTransparentText);
  const Colour colours[3] = {RGB(255, 255, 255), RGB(180, 210, 255), RGB(200, 230, 255)};
  DrawThreeLineText(r.x, r.y, r.w, r.h, look.lines, colours);
}
