// The frame timers of the timer table fire in a fixed order, each judged on what the ones before
// it left: where two fall due in the same frame, the order shows in the state and the save.
#include "state/timers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "app/game.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

class TimerOrder : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    for (int64_t n = 1; n <= 5; ++n) TogglePick(1, n);
  }
  // The balance field of the save file, or -1 without a complete one.
  static int64_t SavedBalance() {
    std::ifstream in(Game.SavePath, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() != 372) return -1;
    int32_t balance = 0;
    std::memcpy(&balance, bytes.data() + 8, sizeof balance);
    return balance;
  }
};

// Auto-run's pause ends in the frame the debounced save falls due: the pause's draw starts first,
// so the save holds the balance with its charge.
TEST_F(TimerOrder, ThePausesDrawStartsBeforeTheDueSaveIsWritten) {
  ASSERT_TRUE(Run(10));
  const int64_t now = NowMs() + 1;
  Game.AutoRun = 1;
  Game.AutoPausePending = 1;
  Game.AutoPauseStart = now - AutoPauseMs;
  Game.SavePending = 1;
  Game.SaveRequestTime = Game.SaveArmTime = now - SaveDelayMs;
  const int64_t balance = Game.Balance;
  ASSERT_TRUE(Run(1));
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.SavePending, 0);
  EXPECT_EQ(SavedBalance(), balance - 1);
}

// A reveal falls due in the frame the roll would step: the new ball restarts the roll's clock
// first, so the balls already rolling wait for the next step.
TEST_F(TimerOrder, ARevealRestartsTheRollBeforeItsStep) {
  StartDraw();
  ASSERT_TRUE(Run(1));
  ASSERT_EQ(Game.BallsRevealed, 1);
  ASSERT_EQ(Game.BallAnims[1].Active, 1);
  const float pos = Game.BallAnims[1].Pos;
  const int64_t now = NowMs() + 1;
  Game.LastRevealTime = now - Game.RevealInterval;
  Game.AnimLastStep = now - AnimStepMs;
  ASSERT_TRUE(Run(1));
  EXPECT_EQ(Game.BallsRevealed, 2);
  EXPECT_EQ(Game.AnimLastStep, now);
  EXPECT_EQ(Game.BallAnims[1].Pos, pos) << "the rolling ball stepped before the reveal";
}

}  // namespace
