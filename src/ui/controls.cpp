// The raised button look and the faces of the seven controls after the Draw button.
#include <cstdint>
#include <string_view>

#include "state/game_state.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

// The look of one bevelled face.
struct FaceColours {
  Colour face, light, dark;
};

constexpr FaceColours NewGameFace{RGB(50, 110, 50), RGB(90, 170, 90), RGB(20, 55, 20)};
constexpr FaceColours PayTableFace{RGB(100, 70, 0), RGB(175, 135, 30), RGB(45, 28, 0)};
constexpr FaceColours SpeedFace{RGB(45, 45, 75), RGB(85, 85, 130), RGB(15, 15, 30)};
constexpr FaceColours BetFace{RGB(75, 50, 20), RGB(140, 100, 40), RGB(30, 18, 0)};
constexpr FaceColours SoundOnFace{RGB(35, 95, 35), RGB(80, 170, 80), RGB(10, 50, 10)};
constexpr FaceColours SoundOffFace{RGB(95, 35, 35), RGB(170, 80, 80), RGB(50, 10, 10)};
constexpr FaceColours AutoPickFace{RGB(80, 50, 0), RGB(180, 130, 30), RGB(35, 20, 0)};
constexpr FaceColours AutoPickMainFace{RGB(50, 50, 50), RGB(85, 85, 85), RGB(22, 22, 22)};
constexpr FaceColours AboutFace{RGB(60, 40, 90), RGB(120, 90, 180), RGB(25, 15, 50)};

void DrawFace(const Rect& r, const FaceColours& c) { DrawBevelButton(r.x, r.y, r.w, r.h, c.face, c.light, c.dark); }

// Text width and height rounded to whole pixels.
int64_t TextW(std::string_view text) { return RoundHalfEven(StringWidth(text)); }
int64_t LineH() { return RoundHalfEven(StringHeight("A")); }

// One line centred across the rectangle (x, w) with its top at y.
void DrawCentred(int64_t x, int64_t w, double y, std::string_view text, Colour colour) {
  SetPenColor(colour);
  DrawString(static_cast<double>(x) + static_cast<double>(w - TextW(text)) / 2.0, y, text);
}

// The two-line layout: line 1 ends above the middle and line 2 starts below it.
void DrawTwoLines(const Rect& r, std::string_view line1, double line1Top, Colour c1, std::string_view line2,
                  Colour c2) {
  DrawCentred(r.x, r.w, line1Top, line1, c1);
  DrawCentred(r.x, r.w, static_cast<double>(r.y + r.h / 2 + 4), line2, c2);
}

// Colours of a stepper: title, arrows, value label, and its segment bar.
struct StepperColours {
  Colour title, arrows, label, unlit, outline;
};

// A segment bar of n segments with the first v lit; lit(i) gives segment i's lit colour.
template <class LitColour>
void DrawSegmentBar(const Rect& r, int64_t n, int64_t v, const StepperColours& c, LitColour lit) {
  const int64_t barY = r.y + (r.h - 14) / 2 + 2;
  const int64_t segW = (r.w - 16) / n;
  for (int64_t i = 0; i < n; ++i) {
    const int64_t sx = r.x + 8 + i * segW;
    SetDrawMode(ModeOpaque);
    DrawRect(sx + 1, barY, segW - 2, 14, i < v ? lit(i) : c.unlit);
    SetDrawMode(ModeOutline);
    DrawRect(sx + 1, barY, segW - 2, 14, c.outline);
  }
}

// Title and arrows at the top, the value label at the bottom of a stepper.
void DrawStepperText(const Rect& r, std::string_view title, std::string_view label, const StepperColours& c) {
  SetDrawMode(ModeTransparentText);
  const double top = static_cast<double>(r.y + 6);
  DrawCentred(r.x, r.w, top, title, c.title);
  SetPenColor(c.arrows);
  DrawString(static_cast<double>(r.x + 8), top, "<");
  DrawString(static_cast<double>(r.x + r.w - 16), top, ">");
  DrawCentred(r.x, r.w, static_cast<double>(r.y + r.h) - StringHeight("A") - 6, label, c.label);
}

constexpr const char* SpeedNames[SpeedCount + 1] = {"", "Slowest", "Slow", "Medium", "Fast", "Fastest"};

}  // namespace

// The raised 3-D button: face, 3-pixel light top and left, 3-pixel dark bottom and right, black frame.
void DrawBevelButton(int64_t x, int64_t y, int64_t w, int64_t h, Colour face, Colour light, Colour dark) {
  SetDrawMode(ModeOpaque);
  DrawRect(x, y, w, h, face);
  DrawRect(x, y, w, 3, light);
  DrawRect(x, y, 3, h, light);
  DrawRect(x, y + h - 3, w, 3, dark);
  DrawRect(x + w - 3, y, 3, h, dark);
  SetDrawMode(ModeOutline);
  DrawRect(x, y, w, h, RGB(0, 0, 0));
}

void DrawThreeLineText(int64_t x, int64_t y, int64_t w, int64_t h, const std::string_view lines[3],
                       const Colour colours[3]) {
  const int64_t th = LineH();
  const int64_t gap = (h - 3 * th) / 4;
  for (int64_t i = 1; i <= 3; ++i) {
    if (lines[i - 1].empty()) continue;
    DrawCentred(x, w, static_cast<double>(y + i * gap + (i - 1) * th), lines[i - 1], colours[i - 1]);
  }
}

// "New Game (Clears Cards)".
void DrawNewGameButton() {
  const Rect& r = Game.NewGameButtonRect;
  DrawFace(r, NewGameFace);
  SetFont(Game.FontButton);
  SetDrawMode(ModeTransparentText);
  const double top = static_cast<double>(r.y + r.h / 2) - StringHeight("New Game") - 2;
  DrawTwoLines(r, "New Game", top, RGB(220, 255, 220), "(Clears Cards)", RGB(180, 230, 180));
}

// "Payout Table" with the schedule in use and the right-click hint.
void DrawPayTableButton() {
  const Rect& r = Game.PayTableButtonRect;
  DrawFace(r, PayTableFace);
  SetFont(Game.FontButton);
  SetDrawMode(ModeTransparentText);
  const bool generous = Game.PayMode == 0;
  const std::string_view lines[3] = {"Payout Table", generous ? "GENEROUS" : "CASINO", "right-click: swap"};
  const Colour colours[3] = {RGB(255, 225, 120), generous ? RGB(120, 255, 120) : RGB(255, 120, 120), RGB(200, 175, 80)};
  DrawThreeLineText(r.x, r.y, r.w, r.h, lines, colours);
}

// The Speed stepper: five segments and the speed's name.
void DrawSpeedControl() {
  const Rect& r = Game.SpeedButtonRect;
  DrawFace(r, SpeedFace);
  const StepperColours c{RGB(220, 230, 255), RGB(180, 180, 220), RGB(255, 255, 200), RGB(40, 40, 60), RGB(20, 20, 35)};
  const int64_t speed = Game.Speed;
  DrawSegmentBar(r, SpeedCount, speed, c, [](int64_t) { return RGB(80, 200, 100); });
  SetFont(Game.FontButton);
  DrawStepperText(r, "Speed", speed >= 1 && speed <= SpeedCount ? SpeedNames[speed] : "", c);
}

// The Bet/Card stepper: ten segments running green to red and the bet per card.
void DrawBetControl() {
  const Rect& r = Game.BetButtonRect;
  DrawFace(r, BetFace);
  const StepperColours c{RGB(255, 230, 180), RGB(220, 200, 160), RGB(255, 240, 200), RGB(50, 35, 15), RGB(25, 18, 5)};
  DrawSegmentBar(r, 10, Game.BetSelection, c, [](int64_t i) {
    if (i <= 2) return RGB(120, 220, 120);
    if (i <= 5) return RGB(255, 220, 80);
    if (i <= 7) return RGB(255, 140, 50);
    return RGB(255, 80, 80);
  });
  SetFont(Game.FontButton);
  TextBuf label;
  label << "$" << Game.BetSelection << " per Card";
  DrawStepperText(r, "Bet/Card", label.view(), c);
}

// The Sound toggle: title, a speaker disc (plain when on, slashed when muted) and the state.
void DrawSoundButton() {
  const Rect& r = Game.SoundButtonRect;
  const bool on = Game.SoundOn != 0;
  DrawFace(r, on ? SoundOnFace : SoundOffFace);
  SetFont(Game.FontButton);
  const int64_t th = LineH();
  const int64_t radius = 10;
  const int64_t gap = (r.h - 2 * th - 2 * radius) / 4;
  SetDrawMode(ModeTransparentText);
  DrawCentred(r.x, r.w, static_cast<double>(r.y + gap), "Sound", RGB(255, 255, 255));

  const int64_t cx = r.x + r.w / 2;
  const int64_t cy = r.y + 2 * gap + th + radius;
  SetDrawMode(ModeOpaque);
  if (on) {
    DrawCircle(cx, cy, radius, RGB(255, 255, 100));
    DrawCircle(cx, cy, 5, RGB(255, 255, 255));
  } else {
    DrawCircle(cx, cy, radius, RGB(180, 60, 60));
    SetPenColor(RGB(255, 255, 255));
    DrawLine(cx - 10, cy - 6, cx + 10, cy + 8);
  }

  SetDrawMode(ModeTransparentText);
  const double stateTop = static_cast<double>(r.y + 3 * gap + th + 2 * radius);
  if (on) {
    DrawCentred(r.x, r.w, stateTop, "ON", RGB(220, 255, 220));
  } else {
    DrawCentred(r.x, r.w, stateTop, "MUTED", RGB(255, 220, 220));
  }
}

// Auto-Pick: names the selected card and how many numbers a pick makes; grey on the Main tab.
void DrawAutoPickButton() {
  const Rect& r = Game.AutoPickButtonRect;
  const int64_t tab = Game.ActiveTab;
  const bool onCard = tab >= 1 && tab <= CardCount;
  DrawFace(r, onCard ? AutoPickFace : AutoPickMainFace);
  SetFont(Game.FontButton);
  SetDrawMode(ModeTransparentText);
  TextBuf first;
  if (onCard) {
    const int64_t picks = Game.Cards[tab].PickCount;
    first << "Pick: Card " << tab << " (" << (picks == 0 ? 8 : picks) << ")";
  } else {
    first << "Auto-Pick";
  }
  const std::string_view lines[3] = {first.view(), "L-Click: Hot #s", "R-Click: Rndm #s"};
  const Colour colours[3] = {RGB(255, 215, 0), RGB(255, 200, 80), RGB(180, 200, 255)};
  DrawThreeLineText(r.x, r.y, r.w, r.h, lines, colours);
}

// "About & Rules".
void DrawAboutButton() {
  const Rect& r = Game.AboutButtonRect;
  DrawFace(r, AboutFace);
  SetFont(Game.FontButton);
  SetDrawMode(ModeTransparentText);
  const double top = static_cast<double>(r.y + r.h / 2 - LineH() - 2);
  DrawTwoLines(r, "About", top, RGB(230, 210, 255), "& Rules", RGB(230, 210, 255));
}
