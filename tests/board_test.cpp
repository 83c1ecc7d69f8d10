// The number board's pixels for each look of a cell: fill, bevel, outline, digits, hit cross,
// asterisks and the heat-map tint.
#include <gtest/gtest.h>

#include <cstdlib>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "ui/ui.h"

namespace {

constexpr Colour Black = RGB(0, 0, 0);
constexpr Colour White = RGB(255, 255, 255);
constexpr Colour Yellow = RGB(255, 230, 0);

struct Look {
  Colour fill, topLeft, bottomRight, number;
};
constexpr Look Idle = {RGB(0, 90, 200), RGB(80, 160, 255), RGB(0, 45, 110), White};
constexpr Look Picked = {RGB(140, 20, 160), RGB(70, 0, 85), RGB(200, 80, 220), RGB(255, 220, 255)};
constexpr Look Drawn = {RGB(210, 10, 10), RGB(255, 100, 100), RGB(100, 0, 0), White};
constexpr Look Hit = {RGB(40, 180, 60), RGB(110, 230, 130), RGB(15, 100, 30), White};

class BoardTest : public GameFixture {
 protected:
  // Top-left corner of number n's cell on the default 878 x 718 board.
  static int64_t Cx(int64_t n) { return CellRect(Game.BoardRect, n).x; }
  static int64_t Cy(int64_t n) { return CellRect(Game.BoardRect, n).y; }
  static Colour At(int64_t n, int64_t dx, int64_t dy) { return headless::PixelAt(Cx(n) + dx, Cy(n) + dy); }

  void Pick(int64_t card, int64_t n) {
    Game.Cards[card].Picked[n] = 1;
    Game.Cards[card].PickCount += 1;
    RecountCardsPerNumber();
  }
  // Number n revealed in the draw and counted on card c: the draw charged the card with it.
  static void Count(int64_t card, int64_t n) {
    Game.Drawn[n] = 1;
    ChargedCard& charged = Game.Charge.Cards[card];
    Game.Charge.Charged[card] = 1;
    charged.Picked[n] = 1;
    charged.Hit[n] = 1;
    charged.HitCount += 1;
  }
  // Number n revealed in the draw, a hit on every card that picks it, as the reveal counts it.
  void Reveal(int64_t n) {
    Game.Drawn[n] = 1;
    for (int64_t c = 1; c <= 4; ++c)
      if (Game.Cards[c].Picked[n] != 0) Count(c, n);
  }

  // Fill above and left of the label and away from the cross; bevel strips (3 pixels inside
  // the black outline; the bottom-left corner belongs to the bottom strip).
  void ExpectLook(int64_t n, Colour fill, Colour topLeft, Colour bottomRight) {
    SCOPED_TRACE(::testing::Message() << "number " << n);
    EXPECT_EQ(At(n, 43, 10), fill);
    EXPECT_EQ(At(n, 8, 30), fill);
    EXPECT_EQ(At(n, 43, 1), topLeft);
    EXPECT_EQ(At(n, 1, 44), topLeft);
    EXPECT_EQ(At(n, 43, 88), bottomRight);
    EXPECT_EQ(At(n, 86, 44), bottomRight);
    EXPECT_EQ(At(n, 1, 88), bottomRight);
    EXPECT_EQ(At(n, 0, 44), Black);
    EXPECT_EQ(At(n, 43, 0), Black);
  }
  void ExpectLook(int64_t n, const Look& look) { ExpectLook(n, look.fill, look.topLeft, look.bottomRight); }

  // How many pixels of the cell's inner area have exactly this colour.
  static int CountInCell(int64_t n, Colour c) {
    int count = 0;
    for (int64_t dy = 3; dy < 87; ++dy)
      for (int64_t dx = 3; dx < 85; ++dx) count += At(n, dx, dy) == c ? 1 : 0;
    return count;
  }

  static void ExpectCross(int64_t n) {
    SCOPED_TRACE(::testing::Message() << "cross of " << n);
    EXPECT_EQ(At(n, 14, 14), Yellow);  // falling bar near the top-left
    EXPECT_EQ(At(n, 73, 14), Yellow);  // rising bar near the top-right
    EXPECT_EQ(At(n, 14, 75), Yellow);  // rising bar near the bottom-left
  }
};

TEST_F(BoardTest, CardTabShowsIdlePickedDrawnAndHit) {
  SetActiveTab(2);
  Pick(2, 12);
  Pick(2, 14);
  Pick(3, 13);  // another card's pick does not show on Card 2
  Game.Drawn[13] = 1;
  Count(2, 14);
  ASSERT_TRUE(Frame());

  ExpectLook(11, Idle);
  ExpectLook(12, Picked);
  ExpectLook(13, Drawn);
  ExpectLook(14, Hit);
  ExpectCross(14);
  EXPECT_NE(At(11, 14, 14), Yellow);

  // Digits in the look's number colour; a hit number is redrawn black over the cross.
  EXPECT_GT(CountInCell(11, White), 20);
  EXPECT_GT(CountInCell(12, Picked.number), 20);
  EXPECT_GT(CountInCell(13, White), 20);
  EXPECT_EQ(CountInCell(14, White), 0);
  EXPECT_GT(CountInCell(14, Black), 20);
}

TEST_F(BoardTest, MainTabCombinesTheCardsAndMarksSharedNumbersWithAsterisks) {
  SetActiveTab(0);
  Pick(1, 21);
  Pick(1, 22);
  Pick(2, 22);
  Pick(4, 22);
  Pick(2, 23);
  Pick(3, 23);
  Pick(3, 25);
  Reveal(23);
  Reveal(24);
  Reveal(25);
  ASSERT_TRUE(Frame());

  ExpectLook(21, Picked);  // one card: pressed-in purple with pink digits
  EXPECT_GT(CountInCell(21, Picked.number), 20);
  ExpectLook(22, Picked);  // three cards: a white asterisk instead of the digits
  ExpectLook(23, Hit);     // two cards and drawn: green, the cross and a black asterisk
  ExpectCross(23);
  ExpectLook(24, Drawn);
  ExpectLook(25, Hit);  // one card and drawn: black digits over the cross
  ExpectCross(25);
  EXPECT_EQ(CountInCell(25, White), 0);

  // The 60-pixel asterisk is centred in the 87 x 89 cell at (13, 14).
  EXPECT_EQ(At(22, 13 + 30, 14 + 30), White);
  EXPECT_EQ(At(22, 13 + 5, 14 + 30), White);
  EXPECT_EQ(At(22, 13 + 30, 14 + 5), White);
  EXPECT_EQ(CountInCell(22, Picked.number), 0);
  EXPECT_EQ(At(23, 13 + 30, 14 + 30), Black);
  EXPECT_EQ(At(23, 13 + 30, 14 + 5), Black);
  EXPECT_EQ(CountInCell(23, White), 0);
}

TEST_F(BoardTest, SharedNumberShowsNoDigitsEvenWithoutAnAsteriskImage) {
  SetActiveTab(0);
  Pick(1, 40);
  Pick(2, 40);
  Game.StarImageWhite = 0;
  ASSERT_TRUE(Frame());
  ExpectLook(40, Picked);
  const int64_t inner = 82 * 84;
  EXPECT_EQ(CountInCell(40, Picked.fill), inner);
}

TEST_F(BoardTest, HeatMapTintsByDrawCountAndHidesThePicks) {
  SetActiveTab(0);
  Game.HeatMapOn = 1;
  Game.HeatCount[31] = 1;
  Game.HeatCount[32] = 3;
  Game.HeatCount[33] = 5;
  Pick(1, 32);
  Pick(2, 32);
  Pick(1, 34);
  Game.Drawn[33] = 1;
  Game.Drawn[34] = 1;
  ASSERT_TRUE(Frame());

  // lo = 1, hi = 5: alphas 32, 123 and 215 of orange over the idle blue.
  struct Case {
    int64_t n, alpha;
  } cases[] = {{31, 32}, {32, 123}, {33, 215}, {34, 0}, {35, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "number " << c.n);
    const Colour tinted = At(c.n, 43, 10);
    const int base[3] = {0, 90, 200}, tint[3] = {255, 130, 0};
    for (int ch = 0; ch < 3; ++ch) {
      const double expected = base[ch] + (tint[ch] - base[ch]) * c.alpha / 255.0;
      const int actual = static_cast<int>(tinted >> (8 * ch) & 0xFF);
      EXPECT_NEAR(actual, expected, 1.5) << "channel " << ch;
    }
    EXPECT_EQ(At(c.n, 43, 1), Idle.topLeft);
    EXPECT_EQ(At(c.n, 43, 88), Idle.bottomRight);
    EXPECT_EQ(At(c.n, 0, 44), Black);
    EXPECT_NE(At(c.n, 14, 14), Yellow);
    EXPECT_GT(CountInCell(c.n, White), 20);  // white digits, no asterisk
  }
}

TEST_F(BoardTest, HeatMapEdgeCases) {
  SetActiveTab(0);
  Game.HeatMapOn = 1;
  ASSERT_TRUE(Frame());
  ExpectLook(1, Idle);  // nothing drawn yet: plain blue everywhere
  ExpectLook(80, Idle);

  // All drawn numbers at one count share the lowest tint.
  Game.HeatCount[2] = 4;
  Game.HeatCount[3] = 4;
  ASSERT_TRUE(Frame());
  EXPECT_EQ(At(2, 43, 10), At(3, 43, 10));
  const Colour low = At(2, 43, 10);
  EXPECT_NEAR(static_cast<int>(low & 0xFF), 255 * 32 / 255.0, 1.5);
  ExpectLook(1, Idle);

  // A card tab never shows the heat map.
  Game.ActiveTab = 1;
  ASSERT_TRUE(Frame());
  ExpectLook(2, Idle);
}

TEST(DrawHitCross, BarsAreElevenPixelsThickAndReachPastTheInnerArea) {
  headless::Reset();
  ASSERT_TRUE(OpenWindowedScreen(GameWindow, 0, 0, 140, 140));
  ClearBackBuffer(Black);
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  DrawHitCross(20, 20, 90, 90);  // margins of 5: bars from (25, 25) to (105, 105)
  EndDrawing();
  PresentFrame();
  for (int64_t d : {-5, 0, 5}) {
    EXPECT_EQ(headless::PixelAt(65 + d, 65), Yellow) << d;
    EXPECT_EQ(headless::PixelAt(40 + d, 40), Yellow) << d;
    EXPECT_EQ(headless::PixelAt(90 + d, 40), Yellow) << d;
  }
  EXPECT_EQ(headless::PixelAt(40 + 7, 40), Black);
  EXPECT_EQ(headless::PixelAt(40 - 7, 40), Black);
  EXPECT_EQ(headless::PixelAt(20, 20), Black);
  EXPECT_EQ(headless::PixelAt(25 - 5, 25), Yellow);  // the shifted lines start 5 pixels out
  EXPECT_EQ(headless::PixelAt(105 + 5, 105), Yellow);
  EXPECT_EQ(headless::PixelAt(111, 105), Black);
}

}  // namespace
