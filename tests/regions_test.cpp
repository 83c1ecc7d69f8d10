// The region finder of the shared canvas: the rectangles of the back buffer that changed since the
// frame it saw last, on its tile grid, trimmed to the changed pixels; and a whole game presented
// by those rectangles alone, whose window matches the whole back buffer after every frame.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "game_fixture.h"
#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

// 400 x 200 is 6 whole tiles and one 16 wide across, 3 whole tiles and one 8 high down.
constexpr int64_t ScreenW = 400, ScreenH = 200;
constexpr Colour Base = RGB(20, 30, 70);
constexpr Colour Ink = RGB(250, 240, 10);

// Paints device pixels in one pass on the screen.
void Paint(std::initializer_list<canvas::Region> rects, Colour colour = Ink) {
  ASSERT_EQ(BeginDrawing(ScreenTarget), 1);
  for (const canvas::Region& r : rects) DrawRect(r.x, r.y, r.w, r.h, colour);
  EndDrawing();
}

std::vector<canvas::Region> Found(const canvas::ChangedRegions& found) {
  return {found.rects.begin(), found.rects.begin() + found.count};
}

struct RegionCase {
  const char* name;
  std::function<void()> change;          // after the first frame was seen
  std::vector<canvas::Region> expected;  // in the finder's order
  bool whole = false;
};

void PrintTo(const RegionCase& c, std::ostream* os) { *os << c.name; }

class RegionFinderTest : public ::testing::TestWithParam<RegionCase> {
 protected:
  void SetUp() override {
    headless::Reset(1);
    ASSERT_TRUE(canvas::OpenScreen(ScreenW, ScreenH));
    ClearBackBuffer(Base);
  }
  void TearDown() override { canvas::ReleaseAll(); }
};

TEST_P(RegionFinderTest, ReportsTheChangedRectangles) {
  const RegionCase& c = GetParam();
  const canvas::ChangedRegions& first = canvas::FindChangedRegions();
  ASSERT_TRUE(first.whole) << "the first frame after the screen opened";
  ASSERT_EQ(Found(first), (std::vector<canvas::Region>{{0, 0, ScreenW, ScreenH}}));

  c.change();
  const canvas::ChangedRegions& found = canvas::FindChangedRegions();
  EXPECT_EQ(found.whole, c.whole);
  const std::vector<canvas::Region> rects = Found(found);
  ASSERT_EQ(rects.size(), c.expected.size());
  int64_t pixels = 0;
  for (size_t i = 0; i < rects.size(); ++i) {
    EXPECT_TRUE(rects[i] == c.expected[i])
        << "rectangle " << i << " is " << rects[i].x << "," << rects[i].y << " " << rects[i].w << " x " << rects[i].h;
    pixels += rects[i].w * rects[i].h;
  }
  EXPECT_EQ(found.pixels, pixels);

  // What was reported is now the reference: the same frame again has changed nowhere.
  EXPECT_EQ(canvas::FindChangedRegions().count, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionFinderTest,
    ::testing::Values(RegionCase{"NothingChanged", [] {}, {}},
                      RegionCase{"RepaintedInTheSameColour",
                                 [] {
                                   Paint({{0, 0, ScreenW, ScreenH}}, Base);
                                 },
                                 {}},
                      RegionCase{"OnePixel",
                                 [] {
                                   Paint({{100, 70, 1, 1}});
                                 },
                                 {{100, 70, 1, 1}}},
                      // Both sides of the first vertical and horizontal tile edges: four tiles, one rectangle.
                      RegionCase{"AcrossATileCorner",
                                 [] {
                                   Paint({{63, 63, 2, 2}});
                                 },
                                 {{63, 63, 2, 2}}},
                      RegionCase{"ATileEdgeColumn",
                                 [] {
                                   Paint({{64, 0, 1, ScreenH}});
                                 },
                                 {{64, 0, 1, ScreenH}}},
                      RegionCase{"TheLastPixelOfATile",
                                 [] {
                                   Paint({{127, 127, 1, 1}});
                                 },
                                 {{127, 127, 1, 1}}},
                      // Far apart: merging would cover far more than the two.
                      RegionCase{"TwoDistantPixels",
                                 [] {
                                   Paint({{5, 5, 1, 1}, {390, 190, 1, 1}});
                                 },
                                 {{5, 5, 1, 1}, {390, 190, 1, 1}}},
                      // Close enough that one rectangle costs less than two.
                      RegionCase{"TwoNeighbours",
                                 [] {
                                   Paint({{10, 10, 4, 4}, {20, 12, 4, 4}});
                                 },
                                 {{10, 10, 14, 6}}},
                      RegionCase{"TheWholeFrame",
                                 [] {
                                   Paint({{0, 0, ScreenW, ScreenH}});
                                 },
                                 {{0, 0, ScreenW, ScreenH}}},
                      // The last column of tiles is 16 wide and the last row 8 high.
                      RegionCase{"TheRightAndBottomEdges",
                                 [] {
                                   Paint({{390, 195, 10, 5}});
                                 },
                                 {{390, 195, 10, 5}}},
                      RegionCase{"TheBottomRightPixel",
                                 [] {
                                   Paint({{ScreenW - 1, ScreenH - 1, 1, 1}});
                                 },
                                 {{ScreenW - 1, ScreenH - 1, 1, 1}}},
                      RegionCase{"TheShortLastRowOfTiles",
                                 [] {
                                   Paint({{0, 192, ScreenW, 8}});
                                 },
                                 {{0, 192, ScreenW, 8}}},
                      // Reopened at the same size with the same picture: everything is new to the window.
                      RegionCase{"AReopenedScreen",
                                 [] {
                                   ASSERT_TRUE(canvas::OpenScreen(ScreenW, ScreenH));
                                   ClearBackBuffer(Base);
                                 },
                                 {{0, 0, ScreenW, ScreenH}},
                                 true},
                      RegionCase{"AScreenReopenedAtAnotherSize",
                                 [] {
                                   ASSERT_TRUE(canvas::OpenScreen(ScreenW / 2, ScreenH / 2, 2));
                                   ClearBackBuffer(Base);
                                 },
                                 {{0, 0, ScreenW, ScreenH}},
                                 true},
                      RegionCase{
                          "AForgottenFrame", [] { canvas::ForgetPresentedFrame(); }, {{0, 0, ScreenW, ScreenH}}, true}),
    [](const ::testing::TestParamInfo<RegionCase>& info) { return std::string(info.param.name); });

// Changes in every tile of a grid are more rectangles than the list holds: they are merged into
// fewer, and every changed pixel stays inside one of them.
TEST(RegionFinder, MoreChangesThanRectanglesStayCovered) {
  headless::Reset(1);
  ASSERT_TRUE(canvas::OpenScreen(1280, 768));
  ClearBackBuffer(Base);
  canvas::FindChangedRegions();
  std::vector<canvas::Region> dots;
  ASSERT_EQ(BeginDrawing(ScreenTarget), 1);
  for (int64_t y = 30; y < 768; y += 64)
    for (int64_t x = 30; x < 1280; x += 64) {
      DrawRect(x, y, 1, 1, Ink);
      dots.push_back({x, y, 1, 1});
    }
  EndDrawing();
  ASSERT_GT(static_cast<int64_t>(dots.size()), canvas::MaxRegions);
  const canvas::ChangedRegions& found = canvas::FindChangedRegions();
  EXPECT_GT(found.count, 0);
  EXPECT_LE(found.count, canvas::MaxRegions);
  for (const canvas::Region& d : dots) {
    bool covered = false;
    for (int64_t i = 0; i < found.count; ++i) {
      const canvas::Region& r = found.rects[i];
      covered = covered || (d.x >= r.x && d.y >= r.y && d.x < r.x + r.w && d.y < r.y + r.h);
    }
    EXPECT_TRUE(covered) << "the dot at " << d.x << "," << d.y;
  }
  canvas::ReleaseAll();
}

// A game presented by the changed rectangles alone, at both scales: picks, a Fastest draw with
// balls rolling, the pay table over it, another tab, a resize and a scale change. After every
// frame the window it built matches the whole back buffer, and a rolling draw changes only a
// small share of the window.
class PartialGameTest : public GameFixture, public ::testing::WithParamInterface<int64_t> {
 protected:
  int64_t Scale() const override { return GetParam(); }
};

TEST_P(PartialGameTest, TheWindowMatchesTheWholeFrameAfterEveryPresent) {
  headless::SetPartialPresent(true);
  for (int n = 1; n <= 10; ++n) TogglePick(1, n * 7);
  ASSERT_TRUE(Run(50, 16));
  Game.Speed = 5;
  StartDraw();
  const auto beforeRoll = headless::PartialPresents();
  ASSERT_TRUE(Run(600, 16));
  const auto rolled = headless::PartialPresents();
  const int64_t frames = rolled.frames - beforeRoll.frames;
  ASSERT_GT(frames, 30);
  const double share = static_cast<double>(rolled.changedPixels - beforeRoll.changedPixels) /
                       static_cast<double>(frames * headless::FrameWidth() * headless::FrameHeight());
  EXPECT_LT(share, 0.15) << "of the window changed per frame while balls roll";
  Game.PayTableOpen = 1;
  ASSERT_TRUE(Run(300, 16));
  Game.PayTableOpen = 0;
  SetActiveTab(2);
  ASSERT_TRUE(Run(100, 16));
  SetActiveTab(0);
  headless::ResizeWindow(1400, 960);
  ASSERT_TRUE(Run(300, 16));
  headless::SetScale(3 - GetParam());
  ASSERT_TRUE(Run(300, 16));
  while (Game.Drawing == 1 || Game.BallAnimRunning == 1) ASSERT_TRUE(Run(100, 16));
  ASSERT_TRUE(Run(100, 16));
  const auto all = headless::PartialPresents();
  EXPECT_GT(all.unchanged, 0) << "a resting board presents frames identical to the last";
  EXPECT_EQ(all.differingPixels, 0) << "over " << all.frames << " frames";
}

INSTANTIATE_TEST_SUITE_P(Scales, PartialGameTest, ::testing::Values(1, 2));

}  // namespace
