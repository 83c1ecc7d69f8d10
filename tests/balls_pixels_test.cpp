// The balls tube as drawn in a frame: the empty tube, landed and rolling balls, and the plain
// tube when its picture is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ui/ui.h"

namespace {

constexpr Colour Tube = RGB(150, 150, 160);
constexpr Colour EmptyRing = RGB(38, 38, 48);
constexpr Colour Green = RGB(40, 180, 60);
constexpr Colour Red = RGB(210, 10, 10);
constexpr Colour Link = RGB(45, 45, 58);
constexpr Colour LandedRim = RGB(65, 65, 65);
constexpr Colour RollingRim = RGB(255, 255, 60);

std::string Show(Colour c) {
  return "RGB(" + std::to_string(c & 0xFF) + ", " + std::to_string(c >> 8 & 0xFF) + ", " +
         std::to_string(c >> 16 & 0xFF) + ")";
}

// Largest difference of one channel between two colours.
int Distance(Colour a, Colour b) {
  int most = 0;
  for (int shift : {0, 8, 16}) {
    most = std::max(most, std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)));
  }
  return most;
}

class BallsPanelTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    const int64_t order[20] = {5, 17, 33, 41, 2, 80, 66, 12, 9, 27, 54, 71, 38, 44, 19, 60, 73, 8, 25, 49};
    for (int i = 0; i < 20; ++i) Game.DrawOrder[i] = order[i];
  }
  // The colour at a point given from the panel's top-left corner.
  Colour At(int64_t x, int64_t y) { return headless::PixelAt(Game.BallsPanelX + x, Game.BallsPanelY + y); }
  ::testing::AssertionResult Near(int64_t x, int64_t y, Colour want, int tolerance = 0) {
    const Colour got = At(x, y);
    if (Distance(got, want) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << x << "," << y << " got " << Show(got) << ", want " << Show(want);
  }
  // A point on the body of a ball centred at (x, y): below and right, clear of shine, digits and rim.
  static constexpr int64_t Body = 9;
  // The draw charged card c with number n and has revealed it: the draw counts it.
  static void Count(int64_t c, int64_t n) {
    Game.Charge.Charged[c] = 1;
    Game.Charge.Cards[c].Picked[n] = 1;
    Game.Charge.Cards[c].Hit[n] = 1;
  }
};

TEST_F(BallsPanelTest, BeforeTheFirstDrawTheTubeShowsOnlyItsEmptyRings) {
  ASSERT_EQ(Game.BallsRevealed, 0);
  ASSERT_NE(Game.BallsPanelImage, 0);
  EXPECT_EQ(Game.BallsPanelImageW, Game.BallsPanelW);
  EXPECT_EQ(Game.BallsPanelImageH, Game.BallsPanelH);
  Frame();
  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  for (int64_t k = 1; k <= 20; ++k) {
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
    EXPECT_TRUE(Near(s.x, s.y, Tube)) << "slot " << k;
    EXPECT_TRUE(Near(s.x + r, s.y, EmptyRing, 40)) << "slot " << k;
    EXPECT_TRUE(Near(s.x, s.y - r, EmptyRing, 40)) << "slot " << k;
  }
  EXPECT_TRUE(Near(Game.BallsPanelW / 2, 400, Tube));  // between the two columns
  EXPECT_TRUE(Near(29, 20, RGB(85, 85, 85)));          // the head zone's grid
  EXPECT_TRUE(Near(40, 77, RGB(85, 85, 85)));
  EXPECT_TRUE(Near(4, 60, RGB(170, 170, 170)));  // its frame
  EXPECT_TRUE(Near(20, 113, RGB(170, 170, 170)));
}

// A ball is green when the draw counts it on a card, whatever the cards hold now.
TEST_F(BallsPanelTest, LandedBallsAreGreenWhereTheDrawCountsThemAndKeepTheirColourAsThePicksChange) {
  Game.Cards[3].Picked[5] = 1;
  Count(3, 5);  // ball 1 counts on a card, ball 2 (17) does not
  Game.BallsRevealed = 2;
  Frame();
  const BallSlot s1 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 1);
  const BallSlot s2 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 2);
  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  EXPECT_TRUE(Near(s1.x + Body, s1.y + Body, Green));
  EXPECT_TRUE(Near(s2.x + Body, s2.y + Body, Red));
  EXPECT_TRUE(Near(s2.x - r, s2.y, LandedRim, 40));
  EXPECT_TRUE(Near((s1.x + s2.x) / 2, (s1.y + s2.y) / 2, Link));  // the chain between them
  EXPECT_TRUE(Near(BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 3).x + Body,
                   BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 3).y + Body, Tube));

  Game.Cards[3].Picked[5] = 0;
  Game.Cards[1].Picked[17] = 1;
  Frame();
  EXPECT_TRUE(Near(s1.x + Body, s1.y + Body, Green));
  EXPECT_TRUE(Near(s2.x + Body, s2.y + Body, Red));
}

// The shine, a white disc a third of the ball's radius up and left of its centre, is blended at
// alpha 90 on a green ball and 70 on a red one.
TEST_F(BallsPanelTest, TheShineIsBrighterOnAGreenBallThanOnARedOne) {
  Count(1, 5);  // ball 1 counts on a card, ball 2 (17) does not
  Game.BallsRevealed = 2;
  Frame();
  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  auto shine = [](Colour body, uint32_t alpha) {
    auto mix = [&](int shift) { return ((body >> shift & 0xFF) * (255 - alpha) + 255 * alpha + 127) / 255; };
    return RGB(mix(0), mix(8), mix(16));
  };
  for (int64_t k : {1, 2}) {
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
    // Left of the shine's centre, clear of the digits in the middle of the ball.
    const int64_t x = s.x - r / 3 - r / 6, y = s.y - r / 3;
    EXPECT_TRUE(Near(x, y, k == 1 ? shine(Green, 90) : shine(Red, 70), 1)) << "ball " << k;
  }
}

TEST_F(BallsPanelTest, AFullDrawFillsAllTwentySlotsBottomUp) {
  for (int64_t n : {5, 41, 49}) Count(2, n);  // positions 1, 4 and 20
  Game.BallsRevealed = 20;
  Frame();
  for (int64_t k = 1; k <= 20; ++k) {
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
    const bool onCard = k == 1 || k == 4 || k == 20;
    EXPECT_TRUE(Near(s.x + Body, s.y + Body, onCard ? Green : Red)) << "slot " << k;
  }
}

TEST_F(BallsPanelTest, RollingBallsHaveAYellowRimAndNoChainAndDriftFromTheDropPoint) {
  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  const BallSlot s1 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 1);
  const BallSlot s2 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 2);
  const BallSlot s3 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 3);
  Game.BallsRevealed = 3;
  // Ball 2 has just reached its slot's height but still rolls: it sits in its column.
  Game.BallAnims[2] = {1, 2, static_cast<float>(s2.y), s2.y, s2.x, 11, 2.0f};
  // Ball 3 has just left the drop point, on a step where the wobble is nil.
  Game.BallAnims[3] = {1, 3, 120.0f, s3.y, s3.x, 3, 2.0f};
  Frame();

  EXPECT_TRUE(Near(s1.x + Body, s1.y + Body, Red));  // ball 1 landed
  EXPECT_TRUE(Near(s2.x + Body, s2.y + Body, Red));
  EXPECT_TRUE(Near(s2.x + r, s2.y, RollingRim, 40));
  EXPECT_TRUE(Near((s1.x + s2.x) / 2, (s1.y + s2.y) / 2, Tube));  // no chain to a rolling ball

  const int64_t mid = Game.BallsPanelW / 2;
  EXPECT_TRUE(Near(mid + Body, 120 + Body, Red));
  EXPECT_TRUE(Near(mid - r, 120, RollingRim, 40));
  EXPECT_TRUE(Near(s3.x + Body, s3.y + Body, Tube));  // not yet in its slot
}

TEST_F(BallsPanelTest, WithoutItsPictureTheTubeIsPlainButStillShowsTheBalls) {
  FreeImageBuffer(Game.BallsPanelImage);
  Game.BallsPanelImage = 0;
  Game.BallsRevealed = 1;
  Frame();
  const BallSlot s1 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 1);
  const BallSlot s20 = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, 20);
  const int64_t r = BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r;
  EXPECT_TRUE(Near(s1.x + Body, s1.y + Body, Red));
  EXPECT_TRUE(Near(s20.x + r, s20.y, Tube));  // no empty rings
  EXPECT_TRUE(Near(29, 20, Tube));            // no grid
}

TEST_F(BallsPanelTest, ThePictureIsRebuiltForANewSizeAndAnEmptySizeChangesNothing) {
  BuildBallsPanelImage(110, 868);
  EXPECT_EQ(Game.BallsPanelImageW, 110);
  EXPECT_EQ(Game.BallsPanelImageH, 868);
  ASSERT_NE(Game.BallsPanelImage, 0);
  BuildBallsPanelImage(0, 500);
  BuildBallsPanelImage(110, -1);
  EXPECT_EQ(Game.BallsPanelImageH, 868);
  ASSERT_NE(Game.BallsPanelImage, 0);

  // Stamped alone, the taller picture has its top ring where the taller geometry puts it.
  ASSERT_TRUE(BeginDrawing(ScreenTarget));
  StampImage(Game.BallsPanelImage, Game.BallsPanelX, Game.BallsPanelY);
  EndDrawing();
  const BallSlot top = BallSlotCentre(110, 868, 20);
  const int64_t r = BallTubeGeometryFor(110, 868).r;
  EXPECT_TRUE(Near(top.x + r, top.y, EmptyRing, 40));
  EXPECT_TRUE(Near(top.x, top.y, Tube));
}

}  // namespace

namespace {

TEST_F(BallsPanelTest, ADrawAtTheFastestSpeedLandsTwentyBallsGreenWhereTheyHitACard) {
  SetActiveTab(1);
  for (int64_t n = 1; n <= 40; n += 4) TogglePick(1, n);  // ten numbers spread over the board
  ASSERT_EQ(Game.Cards[1].PickCount, 10);
  Game.Speed = 5;
  Click(Cx(Game.DrawButtonRect), Cy(Game.DrawButtonRect));
  ASSERT_EQ(Game.Drawing, 1);

  int64_t mostRolling = 0;
  for (int frame = 0; frame < 2000 && (Game.Drawing == 1 || Game.BallAnimRunning == 1); ++frame) {
    ASSERT_TRUE(Run(4, 4));
    mostRolling = std::max(mostRolling, Game.BallAnimCount);
  }
  ASSERT_EQ(Game.Drawing, 0);
  ASSERT_EQ(Game.BallAnimRunning, 0);
  EXPECT_GT(mostRolling, 1);
  ASSERT_EQ(Game.BallsRevealed, 20);

  int64_t green = 0;
  for (int64_t k = 1; k <= 20; ++k) {
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
    const bool onCard = Game.Cards[1].Picked[Game.DrawOrder[k - 1]] == 1;
    green += onCard ? 1 : 0;
    EXPECT_TRUE(Near(s.x + Body, s.y + Body, onCard ? Green : Red)) << "slot " << k;
    EXPECT_TRUE(Near(s.x - BallTubeGeometryFor(Game.BallsPanelW, Game.BallsPanelH).r, s.y, LandedRim, 40))
        << "slot " << k;
  }
  EXPECT_EQ(green, Game.Charge.Cards[1].HitCount);
}

}  // namespace
