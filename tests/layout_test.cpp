// Screen regions at several window sizes, the font sizes that follow the height, and the
// asterisk images.
#include <gtest/gtest.h>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "ui/ui.h"

// Printing of rectangles, found by the test macros next to Rect itself.
static std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "{" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << "}";
}

namespace {

void LayOutAt(int64_t w, int64_t h) {
  headless::Reset();
  Game = GameState{};
  Game.ScreenW = w;
  Game.ScreenH = h;
  ComputeLayout();
}

struct Region {
  const char* name;
  Rect actual;
};

// Every region of the layout, in one list, with the panels written as rectangles.
std::vector<Region> Regions() {
  return {
      {"Draw", Game.DrawButtonRect},
      {"NewGame", Game.NewGameButtonRect},
      {"PayTable", Game.PayTableButtonRect},
      {"Speed", Game.SpeedButtonRect},
      {"Bet", Game.BetButtonRect},
      {"Sound", Game.SoundButtonRect},
      {"AutoPick", Game.AutoPickButtonRect},
      {"About", Game.AboutButtonRect},
      {"Stats", {Game.StatsPanelX, Game.StatsPanelY, Game.StatsPanelW, Game.StatsPanelH}},
      {"TabBar", Game.TabBarRect},
      {"Board", Game.BoardRect},
      {"Balls", {Game.BallsPanelX, Game.BallsPanelY, Game.BallsPanelW, Game.BallsPanelH}},
  };
}

void ExpectRegions(const std::vector<Rect>& expected) {
  const std::vector<Region> regions = Regions();
  ASSERT_EQ(regions.size(), expected.size());
  for (size_t i = 0; i < regions.size(); ++i) EXPECT_EQ(regions[i].actual, expected[i]) << regions[i].name;
}

TEST(ComputeLayout, StartUpScreen) {
  LayOutAt(1282, 902);
  ExpectRegions({
      {12, 12, 155, 96},
      {169, 12, 155, 96},
      {326, 12, 155, 96},
      {483, 12, 155, 96},
      {640, 12, 155, 96},
      {797, 12, 155, 96},
      {954, 12, 155, 96},
      {1111, 12, 159, 96},
      {0, 120, 294, 770},
      {294, 120, 878, 52},
      {294, 172, 878, 718},
      {1172, 120, 110, 770},
  });
}

TEST(ComputeLayout, WideWindowGivesTheRemainderToAbout) {
  // bw = (1925 - 38) / 8 = 235, remainder 7.
  LayOutAt(1925, 902);
  ExpectRegions({
      {12, 12, 235, 96},
      {249, 12, 235, 96},
      {486, 12, 235, 96},
      {723, 12, 235, 96},
      {960, 12, 235, 96},
      {1197, 12, 235, 96},
      {1434, 12, 235, 96},
      {1671, 12, 242, 96},
      {0, 120, 294, 770},
      {294, 120, 1521, 52},
      {294, 172, 1521, 718},
      {1815, 120, 110, 770},
  });
}

TEST(ComputeLayout, TallWindowGrowsTheBoardAndSidePanels) {
  LayOutAt(1280, 1500);
  ExpectRegions({
      {12, 12, 155, 96},
      {169, 12, 155, 96},
      {326, 12, 155, 96},
      {483, 12, 155, 96},
      {640, 12, 155, 96},
      {797, 12, 155, 96},
      {954, 12, 155, 96},
      {1111, 12, 157, 96},
      {0, 120, 294, 1368},
      {294, 120, 876, 52},
      {294, 172, 876, 1316},
      {1170, 120, 110, 1368},
  });
}

TEST(ComputeLayout, AboutEndsTwelvePixelsFromTheRightAtEveryWidth) {
  for (int64_t w = 1280; w <= 1300; ++w) {
    LayOutAt(w, 902);
    const int64_t bw = Game.DrawButtonRect.w;
    EXPECT_EQ(Game.AboutButtonRect.x + Game.AboutButtonRect.w, w - 12) << w;
    EXPECT_EQ(Game.AboutButtonRect.w - bw, (w - 38) % 8) << w;
    EXPECT_EQ(Game.AutoPickButtonRect.x + bw + 2, Game.AboutButtonRect.x) << w;
  }
}

TEST(ComputeLayout, BoardNeverShrinksBelow200) {
  LayOutAt(500, 300);
  EXPECT_EQ(Game.BoardRect, (Rect{294, 172, 200, 200}));
  EXPECT_EQ(Game.TabBarRect, (Rect{294, 120, 200, 52}));
  LayOutAt(605, 385);  // one pixel past each floor
  EXPECT_EQ(Game.BoardRect, (Rect{294, 172, 201, 201}));
}

TEST(Fonts, SizesFollowTheScreenHeight) {
  struct Case {
    int64_t screenH;
    FontSizes sizes;
  } cases[] = {
      {902, {27, 12, 18, 16, 13, 15}},
      {1000, {30, 14, 20, 17, 15, 16}},  // the button and tab fonts stop at 1.28 times their base
      {2000, {61, 14, 20, 35, 30, 33}},
      {780, {24, 11, 16, 14, 12, 13}},
      {400, {16, 7, 11, 9, 8, 9}},  // the scale never goes below 0.7
  };
  for (const Case& c : cases) {
    const FontSizes s = FontSizesFor(c.screenH);
    EXPECT_EQ(s.cell, c.sizes.cell) << c.screenH;
    EXPECT_EQ(s.button, c.sizes.button) << c.screenH;
    EXPECT_EQ(s.tab, c.sizes.tab) << c.screenH;
    EXPECT_EQ(s.ball, c.sizes.ball) << c.screenH;
    EXPECT_EQ(s.overlay, c.sizes.overlay) << c.screenH;
    EXPECT_EQ(s.heading, c.sizes.heading) << c.screenH;
  }
}

TEST(Fonts, AllSixLoadUnderTheirOwnNumbersAndReloadAtANewHeight) {
  LayOutAt(1282, 902);
  LoadFonts();
  EXPECT_EQ(Game.FontCellNumber, FontNumberCell);
  EXPECT_EQ(Game.FontButton, FontNumberButton);
  EXPECT_EQ(Game.FontTab, FontNumberTab);
  EXPECT_EQ(Game.FontBall, FontNumberBall);
  EXPECT_EQ(Game.FontOverlay, FontNumberOverlay);
  EXPECT_EQ(Game.FontHeading, FontNumberHeading);

  SetFont(Game.FontCellNumber);
  const double small = StringHeight("80");
  Game.ScreenH = 1400;
  LoadFonts();
  SetFont(Game.FontCellNumber);
  EXPECT_GT(StringHeight("80"), small);
  EXPECT_EQ(Game.FontCellNumber, FontNumberCell);
}

TEST(StarImages, SizeIsSeventyPercentOfTheSmallerCellSideWithAFloor) {
  EXPECT_EQ(StarSizeFor(878, 718), 60);   // cell 87 x 89
  EXPECT_EQ(StarSizeFor(876, 1316), 60);  // width decides
  EXPECT_EQ(StarSizeFor(1521, 400), 35);  // height decides: 50 * 70 / 100
  EXPECT_EQ(StarSizeFor(200, 200), 16);   // 20 * 70 / 100 = 14, raised to 16
}

TEST(StarImages, MadeAtStartUpSizeAndRebuiltOnlyWhenTheSizeChanges) {
  LayOutAt(1282, 902);
  EXPECT_EQ(Game.StarImageSize, 60);
  EXPECT_EQ(Game.StarImageWhite, ImageNumberStarWhite);
  EXPECT_EQ(Game.StarImageBlack, ImageNumberStarBlack);

  // A handle cleared behind the images' back shows whether they were made again.
  Game.StarImageBlack = 0;
  EnsureStarImages(60);
  EXPECT_EQ(Game.StarImageBlack, 0);
  Game.ScreenH = 904;  // a taller board whose cells keep the asterisk size
  ComputeLayout();
  EXPECT_EQ(Game.StarImageBlack, 0);
  EnsureStarImages(0);
  EXPECT_EQ(Game.StarImageBlack, 0);

  Game.ScreenW = 1600;
  Game.ScreenH = 1000;
  ComputeLayout();  // cells 119 x 102
  EXPECT_EQ(Game.StarImageSize, 71);
  EXPECT_EQ(Game.StarImageBlack, ImageNumberStarBlack);
  EXPECT_EQ(MakeStarImage(ImageNumberStarWhite, 0, RGBA(255, 255, 255, 255)), 0);
}

// Stamps an asterisk on a plain screen: opaque strokes, an untouched (transparent) background.
TEST(StarImages, StrokesAreOpaqueAndTheRestIsTransparent) {
  headless::Reset();
  Game = GameState{};
  ASSERT_TRUE(OpenWindowedScreen(GameWindow, 0, 0, 200, 100));
  ASSERT_EQ(MakeStarImage(ImageNumberStarWhite, 60, RGBA(255, 255, 255, 255)), ImageNumberStarWhite);
  ASSERT_EQ(MakeStarImage(ImageNumberStarBlack, 60, RGBA(0, 0, 0, 255)), ImageNumberStarBlack);
  ClearBackBuffer(RGB(0, 90, 200));
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  SetDrawMode(ModeAlphaBlend);
  StampImage(ImageNumberStarWhite, 10, 10);
  StampImage(ImageNumberStarBlack, 110, 10);
  EndDrawing();
  PresentFrame();
  for (int64_t left : {10, 110}) {
    const Colour ink = left == 10 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    EXPECT_EQ(headless::PixelAt(left + 30, 10 + 30), ink);            // the centre dot
    EXPECT_EQ(headless::PixelAt(left + 5, 10 + 30), ink);             // the horizontal arm
    EXPECT_EQ(headless::PixelAt(left + 30, 10 + 5), ink);             // the vertical arm
    EXPECT_EQ(headless::PixelAt(left + 1, 10 + 1), RGB(0, 90, 200));  // a corner stays clear
    EXPECT_EQ(headless::PixelAt(left + 58, 10 + 58), RGB(0, 90, 200));
  }
}

class LayoutResizeTest : public GameFixture {};

// A bigger window lays the board out again and reloads the fonts; the game goes on as it was.
TEST_F(LayoutResizeTest, EnlargingKeepsTheGameAndFillsTheNewBoard) {
  Game.Cards[1].Picked[80] = 1;
  Game.Cards[1].PickCount = 1;
  Game.Balance = 777;
  Game.HeatCount[5] = 3;
  SetFont(Game.FontCellNumber);
  const double oldHeight = StringHeight("80");

  headless::ResizeWindow(1600, 1000);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.BoardRect, (Rect{294, 172, 1196, 816}));
  EXPECT_EQ(Game.AboutButtonRect.x + Game.AboutButtonRect.w, 1588);
  EXPECT_EQ(Game.StarImageSize, 71);
  SetFont(Game.FontCellNumber);
  EXPECT_GT(StringHeight("80"), oldHeight);
  EXPECT_EQ(Game.Balance, 777);
  EXPECT_EQ(Game.Cards[1].Picked[80], 1);
  EXPECT_EQ(Game.HeatCount[5], 3);
  EXPECT_EQ(Game.ActiveTab, 1);

  // Number 80 sits in the new bottom-right corner, picked; the board reaches the right edge.
  const int64_t right = 294 + 1196, bottom = 172 + 816;
  EXPECT_EQ(headless::PixelAt(right - 40, bottom - 75), RGB(140, 20, 160));
  EXPECT_EQ(headless::PixelAt(right - 1, bottom - 40), RGB(0, 0, 0));
}

}  // namespace
