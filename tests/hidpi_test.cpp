// The game on a high-density screen: at scale 2 every logical pixel covers 2 x 2 device pixels,
// shapes land at twice their logical coordinates, texts are rasterised at twice their size, and
// input stays in logical pixels. A scale change while the game runs rebuilds what holds pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/game.h"
#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "ui/ui.h"

namespace {

// A copy of the presented frame, in device pixels.
struct Frame {
  int64_t w = 0, h = 0;
  std::vector<Colour> pixels;
  Colour At(int64_t x, int64_t y) const { return pixels[static_cast<size_t>(y * w + x)]; }
  bool operator==(const Frame&) const = default;
};

Frame Grab() {
  Frame f;
  f.w = headless::FrameWidth();
  f.h = headless::FrameHeight();
  const uint32_t* p = canvas::ScreenPixels();
  const int64_t words = canvas::ScreenStride() / 4;
  f.pixels.resize(static_cast<size_t>(f.w * f.h));
  for (int64_t y = 0; y < f.h; ++y)
    for (int64_t x = 0; x < f.w; ++x) f.pixels[static_cast<size_t>(y * f.w + x)] = p[y * words + x] & 0xFFFFFF;
  return f;
}

// Starts a game at a scale with picks on Card 1, plays one draw to its end on the Card 1 tab
// (balls in the tube, hits and asterisks on the board, amounts in the stats panel) and returns
// the last frame.
Frame PlayedFrame(int64_t scale) {
  headless::Reset(7);
  headless::SetScale(scale);
  EXPECT_TRUE(StartUp());
  for (int64_t n : {1, 5, 12, 23, 34, 45, 56, 67, 78, 80}) TogglePick(1, n);
  TogglePick(2, 5);
  TogglePick(2, 45);
  Game.Speed = 5;
  StartDraw();
  for (int i = 0; i < 2000 && (Game.Drawing || Game.BallAnimRunning); ++i) {
    headless::AdvanceMs(16);
    RunFrame();
  }
  SetActiveTab(1);
  RunFrame();
  return Grab();
}

// The layout's regions, the header band among them.
std::vector<Rect> Regions() {
  return {{0, 0, Game.ScreenW, 120},
          Game.DrawButtonRect,
          Game.NewGameButtonRect,
          Game.PayTableButtonRect,
          Game.SpeedButtonRect,
          Game.BetButtonRect,
          Game.SoundButtonRect,
          Game.AutoPickButtonRect,
          Game.AboutButtonRect,
          {Game.StatsPanelX, Game.StatsPanelY, Game.StatsPanelW, Game.StatsPanelH},
          Game.TabBarRect,
          Game.BoardRect,
          {Game.BallsPanelX, Game.BallsPanelY, Game.BallsPanelW, Game.BallsPanelH}};
}

// Whether logical pixel (x, y) of a scale-1 frame and its eight neighbours have one colour.
bool Flat(const Frame& f, int64_t x, int64_t y) {
  if (x < 1 || y < 1 || x + 1 >= f.w || y + 1 >= f.h) return false;
  for (int64_t dy = -1; dy <= 1; ++dy)
    for (int64_t dx = -1; dx <= 1; ++dx)
      if (f.At(x + dx, y + dy) != f.At(x, y)) return false;
  return true;
}

class ScaleTwoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    one = new Frame(PlayedFrame(1));
    oneRegions = new std::vector<Rect>(Regions());
    Shutdown();
    two = new Frame(PlayedFrame(2));
    twoRegions = new std::vector<Rect>(Regions());
    Shutdown();
  }
  static void TearDownTestSuite() {
    delete one;
    delete two;
    delete oneRegions;
    delete twoRegions;
  }
  // Whether the 2 x 2 device block of logical pixel (x, y) at scale 2 is that pixel at scale 1.
  static bool SameBlock(int64_t x, int64_t y) {
    const Colour c = one->At(x, y);
    return two->At(2 * x, 2 * y) == c && two->At(2 * x + 1, 2 * y) == c && two->At(2 * x, 2 * y + 1) == c &&
           two->At(2 * x + 1, 2 * y + 1) == c;
  }

  static Frame *one, *two;
  static std::vector<Rect>*oneRegions, *twoRegions;
};
Frame* ScaleTwoTest::one = nullptr;
Frame* ScaleTwoTest::two = nullptr;
std::vector<Rect>* ScaleTwoTest::oneRegions = nullptr;
std::vector<Rect>* ScaleTwoTest::twoRegions = nullptr;

// The layout is computed in logical pixels, the same at both scales; the frame has twice the
// pixels each way.
TEST_F(ScaleTwoTest, LayoutStaysLogicalAndTheFrameDoubles) {
  EXPECT_EQ(one->w, 1282);
  EXPECT_EQ(one->h, 902);
  EXPECT_EQ(two->w, 2564);
  EXPECT_EQ(two->h, 1804);
  ASSERT_EQ(oneRegions->size(), twoRegions->size());
  for (size_t i = 0; i < oneRegions->size(); ++i) {
    const Rect a = (*oneRegions)[i], b = (*twoRegions)[i];
    EXPECT_TRUE(a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h) << "region " << i;
  }
}

// Each region's edges (its bevels, outlines and frames, drawn by rectangles and lines) land at
// twice their logical coordinates: along every edge, just inside and just outside, the device
// block at scale 2 is the scale-1 pixel. The few samples where a ball, a text or a hit cross's
// diagonal reaches an edge are rasterised at device resolution and need not be whole blocks.
TEST_F(ScaleTwoTest, EveryRegionLandsAtTwiceItsLogicalCoordinates) {
  for (size_t i = 0; i < oneRegions->size(); ++i) {
    const Rect r = (*oneRegions)[i];
    int64_t checked = 0, wrong = 0;
    auto check = [&](int64_t x, int64_t y) {
      if (x < 0 || y < 0 || x >= one->w || y >= one->h) return;
      ++checked;
      wrong += SameBlock(x, y) ? 0 : 1;
    };
    for (int64_t d : {-1, 0, 1}) {
      for (int64_t x = r.x + 2; x < r.x + r.w - 2; x += 3) {
        check(x, r.y + d);
        check(x, r.y + r.h - 1 + d);
      }
      for (int64_t y = r.y + 2; y < r.y + r.h - 2; y += 3) {
        check(r.x + d, y);
        check(r.x + r.w - 1 + d, y);
      }
    }
    EXPECT_GT(checked, 100) << "region " << i;
    EXPECT_LE(wrong, checked / 50) << "region " << i << " at " << r.x << "," << r.y << " " << r.w << "x" << r.h;
  }
}

// Wherever a panel's fill is flat at scale 1, the scale-2 frame has that colour at twice the
// coordinates; most of the screen is such fill.
TEST_F(ScaleTwoTest, FlatPanelPixelsEqualTheScaleOneFrameAtHalfTheCoordinates) {
  int64_t flat = 0, wrong = 0;
  for (int64_t y = 1; y < two->h; y += 7) {
    for (int64_t x = 1; x < two->w; x += 5) {
      if (!Flat(*one, x / 2, y / 2)) continue;
      ++flat;
      if (two->At(x, y) != one->At(x / 2, y / 2)) ++wrong;
    }
  }
  EXPECT_GT(flat, 50000);
  EXPECT_EQ(wrong, 0);
}

// Texts, circles and asterisks are drawn at device resolution, not enlarged: their scale-2
// pixels are not all repeated 2 x 2 blocks.
TEST_F(ScaleTwoTest, TextAndCirclesAreRasterisedAtDeviceResolution) {
  auto unevenBlocks = [](const Rect& r) {
    int64_t uneven = 0;
    for (int64_t y = r.y; y < r.y + r.h; ++y)
      for (int64_t x = r.x; x < r.x + r.w; ++x) {
        const Colour c = two->At(2 * x, 2 * y);
        uneven +=
            (two->At(2 * x + 1, 2 * y) != c || two->At(2 * x, 2 * y + 1) != c || two->At(2 * x + 1, 2 * y + 1) != c)
                ? 1
                : 0;
      }
    return uneven;
  };
  const Rect draw = Game.DrawButtonRect;  // its label
  EXPECT_GT(unevenBlocks({draw.x + 10, draw.y + 10, draw.w - 20, draw.h - 20}), 50);
  const Rect tube = {Game.BallsPanelX, Game.BallsPanelY + 120, Game.BallsPanelW, Game.BallsPanelH - 132};
  EXPECT_GT(unevenBlocks(tube), 200);               // ball circles and their numbers
  EXPECT_GT(unevenBlocks({294, 172, 88, 89}), 50);  // cell 1: digits and an asterisk or cross
}

// Text measured at scale 1 and drawn at scale 2: the ink is about twice as tall and as wide,
// and starts at about twice its scale-1 position, so centred and right-aligned texts stay put.
TEST(ScaledText, InkIsTwiceAsLargeAtTwiceThePosition) {
  struct Ink {
    int64_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  };
  auto inkAt = [](int64_t scale, double x, double y, const char* text) {
    headless::Reset(1);
    EXPECT_TRUE(canvas::OpenScreen(300, 100, scale));
    EXPECT_EQ(ScreenScale(), scale);
    EXPECT_EQ(LoadFontFace(1, "Segoe UI", 14, FontBold), 1);
    ClearBackBuffer(RGB(0, 0, 0));
    EXPECT_TRUE(BeginDrawing(ScreenTarget));
    SetFont(1);
    SetDrawMode(ModeTransparentText);
    SetPenColor(RGB(255, 255, 255));
    const double width = StringWidth(text);
    DrawString(x - width, y, text);  // right-aligned at x
    EndDrawing();
    Ink ink;
    const Frame f = Grab();
    for (int64_t py = 0; py < f.h; ++py)
      for (int64_t px = 0; px < f.w; ++px)
        if ((f.At(px, py) & 0xFF) > 96) {
          ink.left = std::min(ink.left, px);
          ink.right = std::max(ink.right, px + 1);
          ink.top = std::min(ink.top, py);
          ink.bottom = std::max(ink.bottom, py + 1);
        }
    canvas::ReleaseAll();
    return std::pair{ink, width};
  };
  for (const char* text : {"M", "Bet: $10", "Progressive $25,000"}) {
    const auto [one, w1] = inkAt(1, 250.5, 20, text);
    const auto [two, w2] = inkAt(2, 250.5, 20, text);
    EXPECT_EQ(w1, w2) << text << ": measured with the scale-1 font";
    const double height1 = static_cast<double>(one.bottom - one.top);
    const double height2 = static_cast<double>(two.bottom - two.top);
    EXPECT_NEAR(height2 / height1, 2.0, 0.2) << text;
    EXPECT_NEAR(two.top, 2 * one.top, 2) << text;
    EXPECT_NEAR(two.left, 2 * one.left, 2) << text;
    EXPECT_NEAR(two.right, 2 * one.right, 2) << text << ": the right edge stays aligned";
  }
}

// One-pixel lines and outlines are two device pixels thick at scale 2, diagonals included, and
// a blended line covers each device pixel once.
TEST(ScaledLines, OnePixelLinesAreTwoDevicePixelsThick) {
  headless::Reset(1);
  ASSERT_TRUE(canvas::OpenScreen(100, 100, 2));
  ClearBackBuffer(RGB(0, 0, 0));
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  SetDrawMode(ModeAlphaBlend);
  SetPenColor(RGBA(255, 255, 255, 128));
  DrawLine(10, 10, 40, 25);  // along x
  DrawLine(60, 70, 50, 95);  // along y, drawn upwards from its lower end
  SetDrawMode(ModeOutline);
  DrawRect(70, 10, 20, 30, RGB(0, 255, 0));
  EndDrawing();
  const Frame f = Grab();
  const Colour once = f.At(20, 20);
  ASSERT_NE(once, 0u);
  auto countIn = [&](int64_t x, int64_t y0, int64_t y1, Colour c) {
    int64_t n = 0;
    for (int64_t y = y0; y < y1; ++y) n += f.At(x, y) == c ? 1 : 0;
    return n;
  };
  auto countAlong = [&](int64_t y, int64_t x0, int64_t x1, Colour c) {
    int64_t n = 0;
    for (int64_t x = x0; x < x1; ++x) n += f.At(x, y) == c ? 1 : 0;
    return n;
  };
  for (int64_t x = 20; x < 82; ++x) {
    EXPECT_EQ(countIn(x, 0, 100, once), 2) << "column " << x;
    EXPECT_EQ(countIn(x, 0, 100, 0), 98) << "column " << x << ": nothing blended twice";
  }
  EXPECT_EQ(f.At(20, 20), once);  // the first end's whole block
  EXPECT_EQ(f.At(21, 21), once);
  EXPECT_EQ(f.At(81, 50) == once || f.At(81, 51) == once, true);  // the last end's block
  for (int64_t y = 140; y < 190; ++y) EXPECT_EQ(countAlong(y, 95, 125, once), 2) << "row " << y;
  const Colour green = RGB(0, 255, 0);
  EXPECT_EQ(countIn(150, 0, 100, green), 4);  // top and bottom edges, two device rows each
  EXPECT_EQ(countAlong(50, 130, 190, green), 4);
  EXPECT_EQ(f.At(140, 20), green);
  EXPECT_EQ(f.At(141, 21), green);
  EXPECT_EQ(f.At(142, 22), 0u);
  canvas::ReleaseAll();
}

class ScaleClickTest : public GameFixture {
 protected:
  int64_t Scale() const override { return 2; }
};

// Pointer positions are logical: the same clicks hit the same cells and buttons at scale 2.
TEST_F(ScaleClickTest, ClicksInLogicalPixelsHitTheSameCellsAndButtons) {
  ASSERT_EQ(headless::FrameWidth(), 2564);
  ASSERT_EQ(Game.ActiveTab, 1);
  Click(294 + 43, 172 + 44);  // cell 1
  EXPECT_EQ(Game.Cards[1].Picked[1], 1);
  Click(294 + 9 * 87 + 43, 172 + 7 * 89 + 44);  // cell 80
  EXPECT_EQ(Game.Cards[1].Picked[80], 1);
  EXPECT_EQ(Game.Cards[1].PickCount, 2);
  const Rect pay = Game.PayTableButtonRect;
  Click(pay.x + pay.w / 2, pay.y + pay.h / 2);
  EXPECT_EQ(Game.PayTableOpen, 1);
  const Rect tabs = Game.TabBarRect;
  Click(tabs.x + 10, tabs.y + tabs.h / 2);  // closes the overlay
  EXPECT_EQ(Game.PayTableOpen, 0);
  Click(tabs.x + 10, tabs.y + tabs.h / 2);  // the Main tab
  EXPECT_EQ(Game.ActiveTab, 0);
}

// A scale change while the game runs rebuilds the screen, the fonts and the images: the frame
// then equals one started at that scale, and going back gives the scale-1 frame to the pixel.
TEST(ScaleChange, RebuildsTheScreenAndImagesAsAResizeDoes) {
  auto startFrame = [](int64_t scale) {
    headless::Reset(5);
    headless::SetScale(scale);
    EXPECT_TRUE(StartUp());
    TogglePick(1, 12);
    TogglePick(2, 12);  // an asterisk on cell 12
    RunFrame();
    Frame f = Grab();
    Shutdown();
    return f;
  };
  const Frame one = startFrame(1), two = startFrame(2);

  headless::Reset(5);
  ASSERT_TRUE(StartUp());
  TogglePick(1, 12);
  TogglePick(2, 12);
  RunFrame();
  const int64_t fontBefore = Game.FontButton;
  headless::SetScale(2);
  RunFrame();
  EXPECT_EQ(ScreenScale(), 2);
  EXPECT_EQ(Game.FontButton, fontBefore);
  EXPECT_EQ(Game.ScreenW, 1282);
  const Frame changed = Grab();
  EXPECT_EQ(changed.w, 2564);
  EXPECT_TRUE(changed == two) << "a frame after the change differs from one started at scale 2";
  headless::SetScale(1);
  RunFrame();
  EXPECT_TRUE(Grab() == one) << "back at scale 1 the frame differs from the original";
  Shutdown();
}

}  // namespace
