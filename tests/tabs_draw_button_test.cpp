// The tab strip and the Draw button, read back from drawn frames.
#include <gtest/gtest.h>

#include <string_view>

#include "controls_fixture.h"
#include "rules/rules.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr Colour Strip = RGB(40, 40, 52);
constexpr Colour Gold = RGB(255, 215, 0);
constexpr Colour GoldLight = RGB(255, 255, 170);
constexpr Colour GoldShadow = RGB(170, 145, 0);
constexpr Colour Grey = RGB(65, 65, 82);
constexpr Colour GreyLight = RGB(95, 95, 110);
constexpr Colour GreyShadow = RGB(28, 28, 38);
constexpr Colour Orange = RGB(255, 120, 0);

using TabsTest = ControlsFixture;

TEST_F(TabsTest, TheSelectedTabIsGoldWithAFourPixelShadowAndTheOthersGrey) {
  const Rect& bar = Game.TabBarRect;
  const int64_t y = bar.y, tw5 = bar.w / 5;
  for (int64_t selected : {0, 2, 4}) {
    SetActiveTab(selected);
    Frame();
    for (int64_t t = 0; t < 5; ++t) {
      SCOPED_TRACE(testing::Message() << "tab " << t << ", selected " << selected);
      const int64_t tx = bar.x + t * tw5;
      const bool on = t == selected;
      const Colour face = on ? Gold : Grey, light = on ? GoldLight : GreyLight, shadow = on ? GoldShadow : GreyShadow;
      EXPECT_TRUE(PixelIs(tx + 8, y + 8, face));
      EXPECT_TRUE(PixelIs(tx + tw5 - 8, y + 44, face));
      EXPECT_TRUE(PixelIs(tx + 20, y + 2, light));
      EXPECT_TRUE(PixelIs(tx + 20, y + 3, light));
      EXPECT_TRUE(PixelIs(tx + 1, y + 20, light));
      EXPECT_TRUE(PixelIs(tx + 2, y + 20, light));
      EXPECT_TRUE(PixelIs(tx + 20, y + 47, face));
      EXPECT_TRUE(PixelIs(tx + 20, y + 48, on ? shadow : face));
      EXPECT_TRUE(PixelIs(tx + 20, y + 49, on ? shadow : face));
      EXPECT_TRUE(PixelIs(tx + 20, y + 50, shadow));
      EXPECT_TRUE(PixelIs(tx + 20, y + 51, shadow));
      EXPECT_TRUE(PixelIs(tx + tw5 - 3, y + 20, shadow));
      EXPECT_TRUE(PixelIs(tx + tw5 - 2, y + 20, shadow));
      EXPECT_TRUE(PixelIs(tx, y + 20, Strip));
      EXPECT_TRUE(PixelIs(tx + tw5 - 1, y + 20, Strip));
      EXPECT_TRUE(PixelIs(tx + 20, y + 1, Strip));

      // The label is centred on the tab, dark on gold and light on grey.
      const InkBox label = FindInk(tx + 4, y + 5, tw5 - 8, 42, face);
      ASSERT_TRUE(label.any);
      EXPECT_NEAR(label.CentreX(), tx + tw5 / 2.0, 2.0);
      EXPECT_NEAR((label.top + label.bottom) / 2.0, y + 26.0, 4.0);
      EXPECT_TRUE(AnyPixelIs(tx + 4, y + 5, tw5 - 8, 42, on ? RGB(20, 20, 20) : RGB(195, 195, 210)));
    }
  }
}

TEST_F(TabsTest, TheHeatMapPutsAnOrangeDotAfterTheMainLabel) {
  const Rect& bar = Game.TabBarRect;
  const int64_t tw5 = bar.w / 5;
  SetFont(Game.FontTab);
  const int64_t lw = RoundHalfEven(StringWidth("Main"));
  const int64_t dotX = bar.x + (tw5 - lw) / 2 + lw + 4, dotY = bar.y + 26;
  SetActiveTab(0);

  Game.HeatMapOn = 0;
  Frame();
  const InkBox plain = FindInk(bar.x + 4, bar.y + 5, tw5 - 8, 42, Gold);
  EXPECT_FALSE(AnyPixelIs(bar.x, bar.y, tw5, 52, Orange));

  Game.HeatMapOn = 1;
  Frame();
  EXPECT_TRUE(PixelIs(dotX + 4, dotY, Orange));
  EXPECT_TRUE(PixelIs(dotX, dotY + 4, Orange));
  EXPECT_TRUE(PixelIs(dotX + 8, dotY, Gold));
  // Over the dot's upper left a pale highlight is blended in.
  const Colour highlight = headless::PixelAt(dotX - 2, dotY - 2);
  EXPECT_GT(highlight >> 8 & 0xFF, 120u) << ShowColour(highlight);
  // The label moved 10 pixels left to make room.
  const InkBox label = FindInk(bar.x + 4, bar.y + 5, dotX - 7 - (bar.x + 4), 42, Gold);
  ASSERT_TRUE(plain.any && label.any);
  EXPECT_EQ(label.left, plain.left - 10);
}

class DrawButtonTest : public ControlsFixture {
 protected:
  // The Draw button alone, drawn over the last frame.
  void DrawButtonOnly() {
    ASSERT_TRUE(BeginDrawing(ScreenTarget));
    DrawDrawButton();
    EndDrawing();
  }
};

TEST_F(DrawButtonTest, EachStateHasItsFaceAndItsLinesAtFixedPlaces) {
  struct Case {
    const char* name;
    int64_t autoRun, drawing, held;
    Colour face, light, dark;
    bool lines[3];
  } cases[] = {
      {"idle", 0, 0, 0, RGB(40, 80, 190), RGB(80, 130, 240), RGB(15, 40, 110), {true, true, true}},
      {"holding", 0, 0, 1, RGB(30, 55, 130), RGB(50, 80, 160), RGB(10, 25, 70), {true, true, true}},
      {"drawing", 0, 1, 0, RGB(70, 70, 90), RGB(110, 110, 130), RGB(30, 30, 45), {true, false, false}},
      {"drawing while held", 0, 1, 1, RGB(70, 70, 90), RGB(110, 110, 130), RGB(30, 30, 45), {true, false, false}},
      {"auto-run", 1, 0, 0, RGB(180, 35, 35), RGB(230, 90, 90), RGB(100, 10, 10), {true, true, false}},
      {"auto-run mid-draw, held", 1, 1, 1, RGB(180, 35, 35), RGB(230, 90, 90), RGB(100, 10, 10), {true, true, false}},
  };
  const Rect& r = Game.DrawButtonRect;
  SetFont(Game.FontButton);
  const int64_t th = RoundHalfEven(StringHeight("A"));
  const int64_t gap = (r.h - 3 * th) / 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Game.AutoRun = c.autoRun;
    Game.Drawing = c.drawing;
    Game.DrawButtonDown = c.held;
    DrawButtonOnly();
    EXPECT_TRUE(PixelIs(r.x + 5, r.y + r.h - 6, c.face));
    EXPECT_TRUE(PixelIs(r.x + 1, r.y + r.h / 2, c.light));
    EXPECT_TRUE(PixelIs(r.x + r.w - 2, r.y + r.h / 2, c.dark));
    EXPECT_TRUE(PixelIs(r.x, r.y + r.h / 2, RGB(0, 0, 0)));
    for (int64_t i = 1; i <= 3; ++i) {
      const int64_t top = r.y + i * gap + (i - 1) * th;
      const InkBox line = FindInk(r.x + 4, top, r.w - 8, th, c.face);
      EXPECT_EQ(line.any, c.lines[i - 1]) << "line " << i;
      if (line.any) {
        EXPECT_NEAR(line.CentreX(), r.x + r.w / 2.0, 1.5) << "line " << i;
      }
    }
    EXPECT_TRUE(AnyPixelIs(r.x, r.y + gap, r.w, th, RGB(255, 255, 255)));  // line 1 is white
  }
}

}  // namespace

namespace {

TEST_F(DrawButtonTest, HoldingTheMouseShowsTheHoldingFaceThenAutoRunAfterOneSecond) {
  SetActiveTab(1);
  TogglePick(1, 7);
  const Rect& r = Game.DrawButtonRect;
  const Colour idle = RGB(40, 80, 190), holding = RGB(30, 55, 130), autoRun = RGB(180, 35, 35);
  Frame();
  EXPECT_TRUE(PixelIs(r.x + 5, r.y + r.h - 6, idle));

  headless::SetPointer(Cx(r), Cy(r));
  headless::SetButton(MouseLeft, true);
  ASSERT_TRUE(Run(500, 10));
  EXPECT_TRUE(PixelIs(r.x + 5, r.y + r.h - 6, holding));
  for (int frame = 0; frame < 200 && Game.AutoRun == 0; ++frame) ASSERT_TRUE(Run(10, 10));
  ASSERT_EQ(Game.AutoRun, 1);
  Frame();
  EXPECT_TRUE(PixelIs(r.x + 5, r.y + r.h - 6, autoRun));  // the mouse is still down
  headless::SetButton(MouseLeft, false);
  Frame();
  EXPECT_TRUE(PixelIs(r.x + 5, r.y + r.h - 6, autoRun));
}

}  // namespace
