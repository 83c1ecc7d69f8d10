// The balls tube without pixels: slot geometry, the start of a drop and the steps that land it.
#include <gtest/gtest.h>

#include <algorithm>

#include "state/game_state.h"
#include "platform/headless.h"
#include "ui/ui.h"

namespace {

TEST(BallTubeGeometry, SlotsZigZagUpFromTheBottom) {
  struct Case {
    int64_t w, h;
    int64_t step, r, leftX, rightX, midX;
    struct {
      int64_t k, x, y;
    } slots[4];
  } cases[] = {
      // The default 110 x 770 panel.
      {110, 770, 32, 15, 32, 78, 55, {{1, 32, 754}, {2, 78, 722}, {19, 32, 178}, {20, 78, 146}}},
      // A window 1000 pixels high: a taller panel spreads the slots and grows the balls.
      {110, 868, 37, 17, 36, 74, 55, {{1, 36, 850}, {2, 74, 813}, {3, 36, 776}, {20, 74, 147}}},
      // A panel barely taller than the head zone: the radius never drops below 2.
      {120, 150, 1, 2, 6, 114, 60, {{1, 6, 150}, {2, 114, 149}, {3, 6, 148}, {20, 114, 131}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
    const BallTubeGeometry g = BallTubeGeometryFor(c.w, c.h);
    EXPECT_EQ(g.step, c.step);
    EXPECT_EQ(g.r, c.r);
    EXPECT_EQ(g.leftX, c.leftX);
    EXPECT_EQ(g.rightX, c.rightX);
    EXPECT_EQ(g.midX, c.midX);
    for (const auto& s : c.slots) {
      const BallSlot centre = BallSlotCentre(c.w, c.h, s.k);
      EXPECT_EQ(centre.x, s.x) << "slot " << s.k;
      EXPECT_EQ(centre.y, s.y) << "slot " << s.k;
    }
  }
}

class BallAnimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    Game = GameState{};
    Game.BallsPanelW = 110;
    Game.BallsPanelH = 770;
  }
  // Reveals ball k as the draw does and starts its drop.
  void Reveal(int64_t k) {
    Game.BallsRevealed = k;
    StartBallAnim();
  }
  // Steps until nothing rolls; the number of steps taken, or -1 when the drops never end.
  int64_t StepUntilStill(int64_t limit = 10000) {
    for (int64_t n = 1; n <= limit; ++n) {
      StepBallAnims();
      EXPECT_GE(Game.BallAnimCount, 0);
      if (Game.BallAnimRunning == 0) return n;
    }
    return -1;
  }
};

TEST_F(BallAnimTest, StartAimsAtTheSlotAndSpreadsTheDropOverOneRevealInterval) {
  struct Case {
    int64_t interval;
    float slot1Speed, slot20Speed;
  } cases[] = {
      {1250, 8.06f, 2.0f}, {900, 11.2f, 2.0f}, {550, 18.33f, 2.0f}, {250, 40.0f, 2.0f}, {80, 40.0f, 4.4f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "interval " << c.interval);
    Game.BallAnims[1] = {};
    Game.BallAnims[20] = {};
    Game.BallAnimCount = 0;
    Game.RevealInterval = c.interval;
    headless::AdvanceMs(37);

    Reveal(1);
    const BallAnim& first = Game.BallAnims[1];
    EXPECT_EQ(first.Active, 1);
    EXPECT_EQ(first.Slot, 1);
    EXPECT_EQ(first.Pos, 120.0f);
    EXPECT_EQ(first.Target, 754);
    EXPECT_EQ(first.Across, 32);
    EXPECT_EQ(first.Frame, 0);
    EXPECT_NEAR(first.Speed, c.slot1Speed, 0.01f);
    EXPECT_EQ(Game.BallAnimRunning, 1);
    EXPECT_EQ(Game.AnimLastStep, NowMs());

    Reveal(20);
    const BallAnim& last = Game.BallAnims[20];
    EXPECT_EQ(last.Target, 146);
    EXPECT_EQ(last.Across, 78);
    EXPECT_NEAR(last.Speed, c.slot20Speed, 0.01f);
    EXPECT_EQ(Game.BallAnimCount, 2);
  }
}

TEST_F(BallAnimTest, EveryRollEndsExactlyOnItsSlot) {
  // Speeds from the start procedure and speeds it never makes (a stalled record moves 8 a step).
  struct Case {
    float speed;
    int64_t steps;  // to cover the 634 pixels from the drop point to slot 1
  } cases[] = {{40.0f, 16}, {18.33f, 35}, {2.0f, 317}, {0.0f, 80}, {0.1f, 80}, {-5.0f, 80}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "speed " << c.speed);
    Game.RevealInterval = 550;
    Reveal(1);
    Game.BallAnims[1].Speed = c.speed;
    EXPECT_EQ(StepUntilStill(), c.steps);
    const BallAnim& a = Game.BallAnims[1];
    EXPECT_EQ(a.Active, 0);
    EXPECT_EQ(a.Pos, 754.0f);
    EXPECT_EQ(a.Frame, c.steps);
    EXPECT_EQ(Game.BallAnimCount, 0);
  }
}

TEST_F(BallAnimTest, FastestDrawRollsSeveralBallsAtOnceAndLandsEachInItsOwnSlot) {
  Game.RevealInterval = 80;
  int64_t mostAtOnce = 0;
  for (int64_t k = 1; k <= 20; ++k) {
    Reveal(k);
    for (int step = 0; step < 5; ++step) {  // 80 ms of 16 ms steps between reveals
      StepBallAnims();
      int64_t active = 0;
      for (int64_t j = 1; j <= 20; ++j) active += Game.BallAnims[j].Active;
      ASSERT_EQ(Game.BallAnimCount, active);
      mostAtOnce = std::max(mostAtOnce, active);
    }
  }
  ASSERT_GT(StepUntilStill(), 0);
  EXPECT_GT(mostAtOnce, 1);
  EXPECT_EQ(Game.BallAnimCount, 0);
  for (int64_t k = 1; k <= 20; ++k) {
    const BallSlot s = BallSlotCentre(110, 770, k);
    EXPECT_EQ(Game.BallAnims[k].Active, 0) << k;
    EXPECT_EQ(Game.BallAnims[k].Pos, static_cast<float>(s.y)) << k;
    EXPECT_EQ(Game.BallAnims[k].Across, s.x) << k;
  }
}

TEST_F(BallAnimTest, StartingOutsideTheTwentyBallsDoesNothing) {
  for (int64_t k : {0, 21}) {
    Reveal(k);
    EXPECT_EQ(Game.BallAnimCount, 0);
    EXPECT_EQ(Game.BallAnimRunning, 0);
  }
}

TEST(CountedOnAnyCard, LooksAtEveryCardAndOnlyAtValidNumbers) {
  DrawView view;
  view.Cards[4].Counted[80] = 1;
  view.Cards[1].Counted[1] = 1;
  view.Cards[2].Picked[2] = 1;  // a pick alone is not counted
  EXPECT_TRUE(CountedOnAnyCard(view, 80));
  EXPECT_TRUE(CountedOnAnyCard(view, 1));
  EXPECT_FALSE(CountedOnAnyCard(view, 2));
  EXPECT_FALSE(CountedOnAnyCard(view, 0));
  EXPECT_FALSE(CountedOnAnyCard(view, 81));
}

}  // namespace
