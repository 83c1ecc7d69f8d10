// The faces of the seven controls after the Draw button, read back from drawn frames.
#include <gtest/gtest.h>

#include <functional>
#include <string_view>

#include "controls_fixture.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

class ControlsTest : public ControlsFixture {
 protected:
  // The height of a text line of the button font, as the controls measure it.
  static int64_t LineHeight() {
    SetFont(Game.FontButton);
    return RoundHalfEven(StringHeight("A"));
  }
  static int64_t TextWidth(std::string_view text) {
    SetFont(Game.FontButton);
    return RoundHalfEven(StringWidth(text));
  }
  // The text drawn inside a control, between rows top and bottom (exclusive), on its face colour.
  static InkBox InkBetween(const Rect& r, int64_t top, int64_t bottom, Colour face) {
    return FindInk(r.x + 4, top, r.w - 8, bottom - top, face);
  }
};

// Checks the bevel: face, light top and left, dark bottom and right over the corners, black frame.
void ExpectBevel(const Rect& r, Colour face, Colour light, Colour dark) {
  const int64_t x = r.x, y = r.y, w = r.w, h = r.h;
  EXPECT_TRUE(PixelIs(x + 5, y + h - 6, face));
  EXPECT_TRUE(PixelIs(x + w - 6, y + h - 6, face));
  EXPECT_TRUE(PixelIs(x + 1, y + h / 2, light));
  EXPECT_TRUE(PixelIs(x + w / 2, y + 2, light));
  EXPECT_TRUE(PixelIs(x + 1, y + 1, light));
  EXPECT_TRUE(PixelIs(x + w - 2, y + h / 2, dark));
  EXPECT_TRUE(PixelIs(x + w / 2, y + h - 3, dark));
  EXPECT_TRUE(PixelIs(x + 1, y + h - 2, dark));  // the dark strips cover the light ones in the corners
  EXPECT_TRUE(PixelIs(x + w - 2, y + 1, dark));
  for (auto [px, py] : {std::pair{x, y + h / 2}, {x + w - 1, y + h / 2}, {x + w / 2, y}, {x + w / 2, y + h - 1}}) {
    EXPECT_TRUE(PixelIs(px, py, RGB(0, 0, 0)));
  }
}

TEST_F(ControlsTest, EachFaceHasItsColoursForEachState) {
  struct Case {
    const char* name;
    const Rect* rect;
    std::function<void()> setUp;
    Colour face, light, dark;
  } cases[] = {
      {"New Game", &Game.NewGameButtonRect, [] {}, RGB(50, 110, 50), RGB(90, 170, 90), RGB(20, 55, 20)},
      {"Payout Table", &Game.PayTableButtonRect, [] { Game.PayMode = 1; }, RGB(100, 70, 0), RGB(175, 135, 30),
       RGB(45, 28, 0)},
      {"Speed", &Game.SpeedButtonRect, [] {}, RGB(45, 45, 75), RGB(85, 85, 130), RGB(15, 15, 30)},
      {"Bet/Card", &Game.BetButtonRect, [] {}, RGB(75, 50, 20), RGB(140, 100, 40), RGB(30, 18, 0)},
      {"Sound on", &Game.SoundButtonRect, [] { Game.SoundOn = 1; }, RGB(35, 95, 35), RGB(80, 170, 80), RGB(10, 50, 10)},
      {"Sound muted", &Game.SoundButtonRect, [] { Game.SoundOn = 0; }, RGB(95, 35, 35), RGB(170, 80, 80),
       RGB(50, 10, 10)},
      {"Auto-Pick on a card", &Game.AutoPickButtonRect, [] { Game.ActiveTab = 3; }, RGB(80, 50, 0), RGB(180, 130, 30),
       RGB(35, 20, 0)},
      {"Auto-Pick on Main", &Game.AutoPickButtonRect, [] { Game.ActiveTab = 0; }, RGB(50, 50, 50), RGB(85, 85, 85),
       RGB(22, 22, 22)},
      {"About", &Game.AboutButtonRect, [] {}, RGB(60, 40, 90), RGB(120, 90, 180), RGB(25, 15, 50)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setUp();
    Frame();
    ExpectBevel(*c.rect, c.face, c.light, c.dark);
  }
}

TEST_F(ControlsTest, SpeedBarLightsOneSegmentPerStepFromTheLeft) {
  const Rect& r = Game.SpeedButtonRect;
  const int64_t segW = (r.w - 16) / 5, barY = r.y + (r.h - 14) / 2 + 2;
  for (int64_t speed : {1, 3, 5}) {
    SCOPED_TRACE(testing::Message() << "speed " << speed);
    Game.Speed = speed;
    Frame();
    for (int64_t i = 0; i < 5; ++i) {
      const int64_t sx = r.x + 8 + i * segW;
      EXPECT_TRUE(PixelIs(sx + segW / 2, barY + 7, i < speed ? RGB(80, 200, 100) : RGB(40, 40, 60))) << i;
      EXPECT_TRUE(PixelIs(sx + 1, barY + 7, RGB(20, 20, 35))) << i;         // outline
      EXPECT_TRUE(PixelIs(sx + segW / 2, barY - 1, RGB(45, 45, 75))) << i;  // face above the bar
      EXPECT_TRUE(PixelIs(sx, barY + 7, RGB(45, 45, 75))) << i;             // the gap before it
    }
  }
}

TEST_F(ControlsTest, BetBarColoursGoByPositionNotByBet) {
  const Rect& r = Game.BetButtonRect;
  const int64_t segW = (r.w - 16) / 10, barY = r.y + (r.h - 14) / 2 + 2;
  const Colour green = RGB(120, 220, 120), yellow = RGB(255, 220, 80), orange = RGB(255, 140, 50),
               red = RGB(255, 80, 80), unlit = RGB(50, 35, 15);
  struct Case {
    int64_t bet;
    Colour segments[10];
  } cases[] = {
      {10, {green, green, green, yellow, yellow, yellow, orange, orange, red, red}},
      {2, {green, green, unlit, unlit, unlit, unlit, unlit, unlit, unlit, unlit}},
      {1, {green, unlit, unlit, unlit, unlit, unlit, unlit, unlit, unlit, unlit}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bet " << c.bet);
    Game.BetSelection = c.bet;
    Game.BetPerCard = c.bet;
    Frame();
    for (int64_t i = 0; i < 10; ++i) {
      const int64_t sx = r.x + 8 + i * segW;
      EXPECT_TRUE(PixelIs(sx + segW / 2, barY + 7, c.segments[i])) << "segment " << i;
      EXPECT_TRUE(PixelIs(sx + 1, barY + 7, RGB(25, 18, 5))) << "segment " << i;
    }
  }
}

TEST_F(ControlsTest, SoundIconIsAYellowDiscWhenOnAndASlashedRedDiscWhenMuted) {
  const Rect& r = Game.SoundButtonRect;
  const int64_t th = LineHeight();
  const int64_t gap = (r.h - 2 * th - 20) / 4;
  const int64_t cx = r.x + r.w / 2, cy = r.y + 2 * gap + th + 10;

  Game.SoundOn = 1;
  Frame();
  EXPECT_TRUE(PixelIs(cx, cy, RGB(255, 255, 255)));
  EXPECT_TRUE(PixelIs(cx + 3, cy - 2, RGB(255, 255, 255)));
  EXPECT_TRUE(PixelIs(cx + 8, cy, RGB(255, 255, 100)));
  EXPECT_TRUE(PixelIs(cx, cy - 8, RGB(255, 255, 100)));
  EXPECT_TRUE(PixelIs(cx + 12, cy, RGB(35, 95, 35)));

  Game.SoundOn = 0;
  Frame();
  EXPECT_TRUE(PixelIs(cx, cy - 6, RGB(180, 60, 60)));
  EXPECT_TRUE(PixelIs(cx + 6, cy - 2, RGB(180, 60, 60)));
  EXPECT_TRUE(PixelIs(cx - 10, cy - 6, RGB(255, 255, 255)));  // the slash, end to end
  EXPECT_TRUE(PixelIs(cx + 10, cy + 8, RGB(255, 255, 255)));
  EXPECT_TRUE(PixelIs(cx + 12, cy, RGB(95, 35, 35)));

  // "ON" and "MUTED" sit centred under the icon.
  for (int64_t on : {1, 0}) {
    Game.SoundOn = on;
    Frame();
    const InkBox state = InkBetween(r, cy + 11, r.y + r.h - 4, on ? RGB(35, 95, 35) : RGB(95, 35, 35));
    ASSERT_TRUE(state.any);
    EXPECT_GE(state.top, r.y + 3 * gap + th + 20);
    EXPECT_NEAR(state.CentreX(), r.x + r.w / 2.0, 1.5);
    EXPECT_NEAR(state.right - state.left + 1, TextWidth(on ? "ON" : "MUTED"), 3);
  }
}

TEST_F(ControlsTest, PayoutTableNamesTheScheduleInItsColour) {
  const Rect& r = Game.PayTableButtonRect;
  const int64_t th = LineHeight();
  const int64_t gap = (r.h - 3 * th) / 4;
  const int64_t line2 = r.y + 2 * gap + th;
  for (int64_t mode : {0, 1}) {
    Game.PayMode = mode;
    Frame();
    const Colour shown = mode == 0 ? RGB(120, 255, 120) : RGB(255, 120, 120);
    const Colour other = mode == 0 ? RGB(255, 120, 120) : RGB(120, 255, 120);
    EXPECT_TRUE(AnyPixelIs(r.x, line2, r.w, th, shown)) << "mode " << mode;
    EXPECT_FALSE(AnyPixelIs(r.x, r.y, r.w, r.h, other)) << "mode " << mode;
    const InkBox ink = InkBetween(r, line2, line2 + th, RGB(100, 70, 0));
    EXPECT_NEAR(ink.right - ink.left + 1, TextWidth(mode == 0 ? "GENEROUS" : "CASINO"), 3);
  }
}

TEST_F(ControlsTest, AutoPickFirstLineNamesTheCardAndItsPickCount) {
  const Rect& r = Game.AutoPickButtonRect;
  const int64_t th = LineHeight();
  const int64_t gap = (r.h - 3 * th) / 4;
  struct Case {
    int64_t tab, picks;
    const char* text;
    Colour face;
  } cases[] = {
      {2, 0, "Pick: Card 2 (8)", RGB(80, 50, 0)},
      {3, 10, "Pick: Card 3 (10)", RGB(80, 50, 0)},
      {0, 5, "Auto-Pick", RGB(50, 50, 50)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Game.ActiveTab = c.tab;
    Game.Cards[c.tab == 0 ? 1 : c.tab].PickCount = c.picks;
    Frame();
    const InkBox line1 = InkBetween(r, r.y + gap, r.y + gap + th, c.face);
    ASSERT_TRUE(line1.any);
    EXPECT_NEAR(line1.right - line1.left + 1, TextWidth(c.text), 3);
    EXPECT_NEAR(line1.CentreX(), r.x + r.w / 2.0, 1.5);
    EXPECT_TRUE(AnyPixelIs(r.x, r.y + gap, r.w, th, RGB(255, 215, 0)));
  }
}

TEST_F(ControlsTest, TwoLineFacesSplitAroundTheMiddleAndStayCentredWhenWide) {
  // A window whose width leaves a remainder of 7 in the division: About is 7 pixels wider.
  headless::ResizeWindow(1333, 902);
  Frame();
  ASSERT_EQ(Game.ScreenW, 1333);
  LayOutHeaderRow();
  ASSERT_EQ(Game.AboutButtonRect.w, Game.NewGameButtonRect.w + 7);
  Frame();
  struct Case {
    const char* name;
    const Rect* rect;
    Colour face;
  } cases[] = {{"New Game", &Game.NewGameButtonRect, RGB(50, 110, 50)},
               {"About", &Game.AboutButtonRect, RGB(60, 40, 90)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rect& r = *c.rect;
    const int64_t middle = r.y + r.h / 2;
    const InkBox upper = InkBetween(r, r.y + 4, middle, c.face);
    const InkBox lower = InkBetween(r, middle, r.y + r.h - 4, c.face);
    ASSERT_TRUE(upper.any);
    ASSERT_TRUE(lower.any);
    EXPECT_LE(upper.bottom, middle - 2);
    EXPECT_GE(lower.top, middle + 4);
    EXPECT_NEAR(upper.CentreX(), r.x + r.w / 2.0, 1.5);
    EXPECT_NEAR(lower.CentreX(), r.x + r.w / 2.0, 1.5);
  }
}

}  // namespace
