// Auto-run through the player's gestures and the frame loop: switched on while a draw is being
// revealed, and left with nothing to draw when the cards are emptied under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "app/game.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

class AutoRunGame : public GameFixture {
 protected:
  // A player with five picks on card 1 and the greeting answered.
  void SetUp() override {
    GameFixture::SetUp();
    for (int64_t n : {4, 18, 33, 51, 77}) TogglePick(1, n);
    headless::ClearBoxLog();
  }
  // Runs frames StepMs apart until done() holds; false when it did not within limitMs.
  bool RunUntil(const std::function<bool()>& done, int64_t limitMs = 60000) {
    for (int64_t t = 0; t < limitMs; t += StepMs) {
      if (done()) return true;
      headless::AdvanceMs(StepMs);
      if (!Frame()) return false;
    }
    return done();
  }
  // Holds the left button on the Draw button, or Space, until auto-run is on (a second at most
  // and a frame); then lets go.
  void HoldToStartAutoRun(bool space) {
    if (space) {
      headless::SetKey(KeySpace, true);
    } else {
      headless::SetPointer(Cx(Game.DrawButtonRect), Cy(Game.DrawButtonRect));
      headless::SetButton(MouseLeft, true);
    }
    ASSERT_TRUE(Frame());
    EXPECT_TRUE(RunUntil([] { return Game.AutoRun == 1; }, HoldMs + StepMs)) << "the hold did not start auto-run";
    if (space) {
      headless::SetKey(KeySpace, false);
    } else {
      headless::SetButton(MouseLeft, false);
    }
    ASSERT_TRUE(Frame());
  }
  void ClickDraw() { Click(Cx(Game.DrawButtonRect), Cy(Game.DrawButtonRect)); }
  // Boxes with this title shown since the log was last cleared.
  static int64_t Boxes(const std::string& title) {
    const auto& log = headless::BoxLog();
    return std::count_if(log.begin(), log.end(), [&](const headless::ShownBox& b) { return b.title == title; });
  }

  static constexpr int64_t StepMs = 40;
};

struct TakeOverCase {
  const char* name;
  bool space;     // the Space hold, else the Draw button held
  int64_t speed;  // 1..3 pause before auto-run's next draw, 4..5 start it at once
};
void PrintTo(const TakeOverCase& c, std::ostream* os) { *os << c.name; }

class AutoRunTakesOver : public AutoRunGame, public ::testing::WithParamInterface<TakeOverCase> {};

// A single draw is being revealed when the hold switches auto-run on: that draw goes on
// untouched and uncharged again, and auto-run's own first draw follows its settlement (at once
// at speed 5, after the pause at speed 3), charged once.
TEST_P(AutoRunTakesOver, WhenTheDrawBeingRevealedEndsWithoutASecondCharge) {
  Game.Speed = GetParam().speed;
  ClickDraw();
  ASSERT_EQ(Game.Drawing, 1);
  ASSERT_EQ(Game.AutoRun, 0);
  ASSERT_TRUE(RunUntil([] { return Game.BallsRevealed >= 5; }));
  const int64_t order[3] = {Game.DrawOrder[0], Game.DrawOrder[10], Game.DrawOrder[19]};

  HoldToStartAutoRun(GetParam().space);
  ASSERT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.Drawing, 1) << "the draw being revealed goes on";
  EXPECT_GE(Game.BallsRevealed, 5) << "and is not started again";
  EXPECT_EQ(Game.DrawOrder[0], order[0]);
  EXPECT_EQ(Game.DrawOrder[10], order[1]);
  EXPECT_EQ(Game.DrawOrder[19], order[2]);
  EXPECT_EQ(Game.SetCost, 1);
  EXPECT_EQ(Game.LifetimeGenCost, 1);

  ASSERT_TRUE(RunUntil([] { return Game.SetDraws == 1; }));
  EXPECT_EQ(Game.AutoRun, 1);
  if (GetParam().speed >= 4) {
    EXPECT_EQ(Game.Drawing, 1) << "auto-run's draw starts in the frame of the settlement";
    EXPECT_EQ(Game.BallsRevealed, 0);
  } else {
    EXPECT_EQ(Game.Drawing, 0);
    EXPECT_EQ(Game.AutoPausePending, 1);
    EXPECT_EQ(Game.SetCost, 1);
    ASSERT_TRUE(RunUntil([] { return Game.Drawing == 1; }, AutoPauseMs + StepMs));
  }
  EXPECT_EQ(Game.SetCost, 2);
  EXPECT_EQ(Game.LifetimeGenCost, 2);
  // And auto-run goes on from there, one charge per draw.
  ASSERT_TRUE(RunUntil([] { return Game.SetDraws == 2; }));
  ASSERT_TRUE(RunUntil([] { return Game.Drawing == 1; }, AutoPauseMs + StepMs));
  EXPECT_EQ(Game.SetCost, 3);
}

const TakeOverCase TakeOverCases[] = {
    {"SpaceAtSpeed3", true, 3},
    {"SpaceAtSpeed5", true, 5},
    {"DrawButtonAtSpeed3", false, 3},
    {"DrawButtonAtSpeed5", false, 5},
};
INSTANTIATE_TEST_SUITE_P(Gestures, AutoRunTakesOver, ::testing::ValuesIn(TakeOverCases),
                         [](const auto& info) { return std::string(info.param.name); });

class AutoRunWithEmptiedCards : public AutoRunGame, public ::testing::WithParamInterface<int64_t> {};

// At speeds 4 and 5 auto-run starts its next draw in the frame that settles the last one. When
// the player has emptied every card during that draw, the start finds no picks: it says so once,
// charges nothing and leaves auto-run on with nothing pending. The next Draw click then only
// stops auto-run; the one after starts a draw again.
TEST_P(AutoRunWithEmptiedCards, ShowsNoNumbersChosenAndStaysOnUntilTheNextDrawClick) {
  Game.Speed = GetParam();
  HoldToStartAutoRun(true);
  ASSERT_EQ(Game.Drawing, 1);
  ASSERT_TRUE(RunUntil([] { return Game.BallsRevealed >= 10; }));
  for (int64_t n = 1; n <= NumberCount; ++n)
    if (Game.Cards[1].Picked[n] != 0) TogglePick(1, n);
  ASSERT_EQ(Game.Cards[1].PickCount, 0);

  ASSERT_TRUE(RunUntil([] { return Game.SetDraws == 1; }));
  ASSERT_EQ(Boxes("No Numbers Chosen"), 1);
  EXPECT_EQ(headless::BoxLog().back().text, "Please select numbers on at least one card before drawing.");
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.AutoPausePending, 0);
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.ActiveTab, 1);
  EXPECT_EQ(Game.SetCost, 1);

  // Nothing is pending: no draw starts and the box does not come back.
  ASSERT_TRUE(Run(5000, StepMs));
  EXPECT_EQ(Boxes("No Numbers Chosen"), 1);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.Drawing, 0);

  ClickDraw();
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(headless::BoxLog().size(), 1u) << "the click that stops auto-run starts nothing";

  TogglePick(1, 40);
  ClickDraw();
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.SetCost, 2);
}

INSTANTIATE_TEST_SUITE_P(FastSpeeds, AutoRunWithEmptiedCards, ::testing::Values(4, 5),
                         [](const auto& info) { return "Speed" + std::to_string(info.param); });

}  // namespace
