// The draw round: fairness of the numbers, what a draw start charges, reveal pacing, the ball
// click, picks edited mid-draw, and auto-run's pause between draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "sound/sound.h"

namespace {

using rules_test::HitProbability;
using rules_test::Pick;
using rules_test::Range;
using rules_test::RulesGame;

// Draws straight from StartDraw, with the entropy source open (true) or failed at start-up.
class RulesDrawFairness : public ::testing::TestWithParam<bool> {};

TEST_P(RulesDrawFairness, DrawsAreDistinctUniformAndHypergeometric) {
  headless::Reset(20240611);
  if (!GetParam()) headless::SetEntropyFault(headless::EntropyFault::FailOpen);
  Game = GameState{};
  Game.CryptoRandomOpen = OpenEntropySource() ? 1 : 0;
  ASSERT_EQ(Game.CryptoRandomOpen, GetParam() ? 1 : 0);
  InitPayTables();
  const std::vector<int64_t> card = {3, 11, 19, 27, 35, 43, 51, 59, 67, 75};
  Pick(1, card);

  constexpr int Draws = 100000;
  int64_t hitCounts[11] = {};
  int64_t numberCounts[81] = {};
  for (int d = 0; d < Draws; ++d) {
    Game.Balance = 1000;
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    bool seen[81] = {};
    int hits = 0;
    for (int i = 0; i < 20; ++i) {
      const int64_t n = Game.DrawOrder[i];
      ASSERT_TRUE(n >= 1 && n <= 80) << "draw " << d << " ball " << i << ": " << n;
      ASSERT_FALSE(seen[n]) << "draw " << d << " repeats " << n;
      seen[n] = true;
      ++numberCounts[n];
      hits += Game.Cards[1].Picked[n];
    }
    ++hitCounts[hits];
    // The board learns the numbers only from the reveal.
    ASSERT_EQ(std::count(Game.Drawn + 1, Game.Drawn + 81, 1), 0);
    Game.Drawing = 0;
  }

  // Hits of the 10-spot card: bins 0..7 and 8+ (8 degrees of freedom, 99%: 20.09).
  double chiHits = 0;
  for (int bin = 0; bin <= 8; ++bin) {
    double p = 0;
    int64_t observed = 0;
    for (int h = bin; h <= (bin == 8 ? 10 : bin); ++h) {
      p += HitProbability(10, h);
      observed += hitCounts[h];
    }
    const double expected = p * Draws;
    chiHits += (observed - expected) * (observed - expected) / expected;
  }
  EXPECT_LT(chiHits, 20.09);
  EXPECT_NEAR(HitProbability(10, 0), 0.0458, 0.00005);
  EXPECT_NEAR(HitProbability(10, 5), 0.0514, 0.00005);
  EXPECT_NEAR(static_cast<double>(hitCounts[0]) / Draws, HitProbability(10, 0), 0.003);
  EXPECT_NEAR(static_cast<double>(hitCounts[5]) / Draws, HitProbability(10, 5), 0.003);

  // Per-number frequency; 20 numbers without replacement per draw scale the statistic by 79/60
  // (79 degrees of freedom, 99%: 111.14).
  const double expected = Draws * 20.0 / 80.0;
  double chiNumbers = 0;
  for (int n = 1; n <= 80; ++n) chiNumbers += (numberCounts[n] - expected) * (numberCounts[n] - expected) / expected;
  EXPECT_LT(chiNumbers * 79.0 / 60.0, 111.14);
}

INSTANTIATE_TEST_SUITE_P(Sources, RulesDrawFairness, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Entropy" : "Fallback"); });

class RulesDraw : public RulesGame {};

TEST_F(RulesDraw, NoPicksShowsTheBoxAndChargesNothing) {
  Game.AutoRun = 1;
  StartDraw();
  const auto& boxes = headless::BoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "No Numbers Chosen");
  EXPECT_EQ(boxes[0].text, "Please select numbers on at least one card before drawing.");
  EXPECT_EQ(boxes[0].flags, 0);
  EXPECT_EQ(Game.ActiveTab, 1);
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.Balance, 1000);
  EXPECT_EQ(Game.SetCost, 0);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.ProgressivePot, 25000);
}

TEST_F(RulesDraw, StartChargesCardsWithPicksAndFeedsThePotBeforeAnyBall) {
  Game.BetPerCard = Game.BetSelection = 5;
  Game.PayMode = 1;
  ApplyPayMode();
  Pick(1, Range(1, 10));
  Pick(3, Range(20, 31));
  for (int c = 1; c <= 4; ++c) Game.CardWin[c] = 9;
  SetActiveTab(3);
  StartDraw();
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.ActiveTab, 0);
  EXPECT_EQ(Game.DrawCost, 10);
  EXPECT_EQ(Game.Balance, 990);
  EXPECT_EQ(Game.SetCost, 10);
  EXPECT_EQ(Game.LifetimeCasCost, 10);
  EXPECT_EQ(Game.LifetimeGenCost, 0);
  EXPECT_EQ(Game.ProgressivePot, 25004);
  EXPECT_EQ(Game.BallsRevealed, 0);
  EXPECT_EQ(Game.BallsToDraw, 20);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(Game.CardWin[c], 0) << c;

  // A second start while the balls are revealed does nothing.
  const int64_t firstBall = Game.DrawOrder[0];
  StartDraw();
  EXPECT_EQ(Game.Balance, 990);
  EXPECT_EQ(Game.DrawOrder[0], firstBall);
}

struct PaceCase {
  int64_t speed;
  int64_t interval;
};

class RulesDrawPace : public RulesGame, public ::testing::WithParamInterface<PaceCase> {};

// One ball per interval from the frame after the start, settlement one interval after the last,
// and the speed read only at the start.
TEST_P(RulesDrawPace, OneBallPerIntervalAndSettlementOneIntervalAfterTheLast) {
  const auto [speed, interval] = GetParam();
  Game.Speed = speed;
  Pick(1, {1, 2, 3});
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.RevealInterval, interval);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.BallsRevealed, 1);
  for (int64_t k = 2; k <= 20; ++k) {
    if (k == 10) Game.Speed = speed == 5 ? 1 : 5;
    headless::AdvanceMs(interval - 1);
    ASSERT_TRUE(Frame());
    ASSERT_EQ(Game.BallsRevealed, k - 1);
    headless::AdvanceMs(1);
    ASSERT_TRUE(Frame());
    ASSERT_EQ(Game.BallsRevealed, k);
    for (int64_t i = 0; i < 20; ++i) ASSERT_EQ(Game.Drawn[Game.DrawOrder[i]], i < k ? 1 : 0) << "ball " << i;
  }
  headless::AdvanceMs(interval - 1);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.SetDraws, 0);
  headless::AdvanceMs(1);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.SetDraws, 1);
  // The settled draw is saved at once, not through the debounce.
  EXPECT_EQ(Game.SavePending, 0);
  EXPECT_EQ(rules_test::SavedBalance(), Game.Balance);
  int64_t heat = 0;
  for (int n = 1; n <= 80; ++n) heat += Game.HeatCount[n];
  EXPECT_EQ(heat, 20);
  for (int64_t i = 0; i < 20; ++i) EXPECT_EQ(Game.HeatCount[Game.DrawOrder[i]], 1);
}

INSTANTIATE_TEST_SUITE_P(Speeds, RulesDrawPace,
                         ::testing::Values(PaceCase{1, 1250}, PaceCase{2, 900}, PaceCase{3, 550}, PaceCase{4, 250},
                                           PaceCase{5, 80}),
                         [](const auto& info) { return "Speed" + std::to_string(info.param.speed); });

TEST_F(RulesDraw, EachBallThatHitsAnyCardClicksOnce) {
  Pick(1, {40, 41, 42});
  Pick(2, {41});
  const int64_t click = Game.SoundEffects.at(ToneKey(50, 10));
  ASSERT_NE(click, 0);
  ASSERT_TRUE(PlayDraw({40, 41}));
  const std::vector<int64_t> played = headless::PlayedSounds();
  EXPECT_EQ(std::count(played.begin(), played.end(), click), 2) << "ball 40 hits one card, 41 two";

  Game.SoundOn = 0;
  ASSERT_TRUE(PlayDraw({40, 41}));
  const std::vector<int64_t> muted = headless::PlayedSounds();
  EXPECT_EQ(std::count(muted.begin(), muted.end(), click), 2) << "a muted click was played";
}

// Picks stay editable during the reveal and are never refused, but they count from the next
// draw: a revealed number picked is no hit, nor is an unrevealed one when its ball comes, and a
// hit taken off the card shows as drawn yet still counts and pays. A charged pick put back is a
// hit again.
TEST_F(RulesDraw, PicksEditedMidDrawAreShownButCountFromTheNextDraw) {
  Pick(1, {50, 51, 52});
  ASSERT_TRUE(PlayDraw({50, 51, 52, 60, 61, 62, 63, 64, 65, 66, 70, 71}, [] {
    EXPECT_EQ(rules_test::LiveView().Cards[1].HitCount, 3);
    TogglePick(1, 60);
    EXPECT_EQ(Game.Cards[1].Picked[60], 1);
    TogglePick(1, 71);
    EXPECT_EQ(Game.Cards[1].Picked[71], 1);
    TogglePick(1, 51);
    TogglePick(1, 52);
    TogglePick(1, 52);
    const DrawView view = rules_test::LiveView();
    EXPECT_EQ(CellMarkOf(view, 1, 60), CellMark::Picked);
    EXPECT_EQ(CellMarkOf(view, 1, 51), CellMark::Drawn);
    EXPECT_EQ(CellMarkOf(view, 1, 52), CellMark::Hit);
    EXPECT_EQ(view.Cards[1].HitCount, 3);
  }));
  EXPECT_EQ(Game.Cards[1].PickCount, 4);
  const DrawView view = rules_test::LiveView();
  EXPECT_EQ(CellMarkOf(view, 1, 71), CellMark::Picked);
  EXPECT_EQ(view.Cards[1].HitCount, 3);
  EXPECT_EQ(Game.CardWin[1], 42);  // 3 of 3 as charged
  EXPECT_EQ(Game.Balance, 1000 - 1 + 42);
}

struct PauseCase {
  int64_t speed;
  int64_t pause;
};

class RulesAutoRunPause : public RulesGame, public ::testing::WithParamInterface<PauseCase> {};

// With auto-run on, the next draw follows 1500 ms after the settlement at speeds 1-3 and in the
// settlement's own frame at speeds 4-5.
TEST_P(RulesAutoRunPause, NextDrawFollowsAfterThePause) {
  const auto [speed, pause] = GetParam();
  Game.Speed = speed;
  Game.AutoRun = 1;
  Pick(1, {1, 2, 3});
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  while (Game.SetDraws == 0) {
    headless::AdvanceMs(Game.RevealInterval);
    ASSERT_TRUE(Frame());
  }
  if (pause == 0) {
    EXPECT_EQ(Game.Drawing, 1);
    EXPECT_EQ(Game.BallsRevealed, 0);
    EXPECT_EQ(Game.AutoPausePending, 0);
    EXPECT_EQ(Game.SetCost, 2);
    return;
  }
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.AutoPausePending, 1);
  headless::AdvanceMs(pause - 1);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.Drawing, 0);
  headless::AdvanceMs(1);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.AutoPausePending, 0);
  EXPECT_EQ(Game.SetCost, 2);
}

INSTANTIATE_TEST_SUITE_P(Speeds, RulesAutoRunPause,
                         ::testing::Values(PauseCase{1, 1500}, PauseCase{3, 1500}, PauseCase{4, 0}, PauseCase{5, 0}),
                         [](const auto& info) { return "Speed" + std::to_string(info.param.speed); });

}  // namespace
