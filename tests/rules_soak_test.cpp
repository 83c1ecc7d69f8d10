// A long auto-run at the fastest speed with the bet, the schedule and the picks changing under
// it: every step, the money the game holds must equal an independent ledger of costs, payouts,
// prizes and refinancing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "app/game.h"
#include "app/game_state.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"

namespace {

using rules_test::RulesGame;

struct Ledger {
  int64_t costs = 0, payouts = 0, prizes = 0, refinanced = 0;
  int64_t genWon = 0, genCost = 0, casWon = 0, casCost = 0;
  int64_t settled = 0, started = 0, consolations = 0, progressiveHits = 0, jackpotStops = 0;
};

// What the game looked like before one step.
struct Before {
  int64_t setDraws, drawing, ballsRevealed, pot, mode, bet;
  size_t boxes;
  int64_t drawOrder[20];
  CardRecord cards[5];
};

class RulesSoak : public RulesGame {
 protected:
  // Cards that take part in a draw.
  int64_t CardsWithPicks() const {
    int64_t n = 0;
    for (int c = 1; c <= 4; ++c) n += Game.Cards[c].PickCount > 0 ? 1 : 0;
    return n;
  }

  // Boxes with this title shown since the log held `from` entries.
  size_t NewBoxes(size_t from, const std::string& title) const {
    const auto& boxes = headless::BoxLog();
    return static_cast<size_t>(std::count_if(boxes.begin() + static_cast<std::ptrdiff_t>(from), boxes.end(),
                                             [&](const headless::ShownBox& b) { return b.title == title; }));
  }

  // Books a win to the lifetime total of the schedule it was won under.
  void BookWin(int64_t mode, int64_t amount) { (mode == 0 ? ledger.genWon : ledger.casWon) += amount; }

  // The settlement of the draw in `b`, priced from the fixed schedules by the test itself.
  void ExpectSettlement(const Before& b, int64_t& prizeAt) {
    const auto& table = b.mode == 0 ? Game.PayGenerous : Game.PayCasino;
    bool anyWin = false, allSevenPlus = true, progressive = false;
    int64_t withPicks = 0, totalHits = 0, distinct = 0;
    for (int c = 1; c <= 4; ++c) {
      const CardRecord& card = b.cards[c];
      int64_t hits = 0;
      for (int i = 0; i < 20; ++i) hits += card.Picked[b.drawOrder[i]];
      ASSERT_EQ(card.HitCount, hits) << "card " << c << " after draw " << ledger.settled;
      const int64_t spots = card.PickCount;
      const int64_t pay = spots >= 1 && spots <= 12 ? table[spots][hits] * b.bet : 0;
      ledger.payouts += pay;
      BookWin(b.mode, pay);
      anyWin = anyWin || pay > 0;
      if (spots > 0) {
        ++withPicks;
        allSevenPlus = allSevenPlus && spots >= 7;
      }
      totalHits += hits;
      progressive = progressive || (spots >= 10 && hits == spots);
    }
    for (int n = 1; n <= 80; ++n) {
      bool any = false;
      for (int c = 1; c <= 4; ++c) any = any || b.cards[c].Picked[n];
      distinct += any ? 1 : 0;
    }
    if (!anyWin && withPicks > 0 && allSevenPlus && totalHits == 0 && distinct >= 15) {
      ledger.payouts += 1000;
      BookWin(b.mode, 1000);
      ++ledger.consolations;
    }
    const size_t hitBoxes = NewBoxes(b.boxes, "PROGRESSIVE JACKPOT HIT!!!");
    ASSERT_EQ(hitBoxes, progressive ? 1u : 0u);
    if (progressive) {
      prizeAt = b.pot;
      ledger.prizes += b.pot;
      BookWin(b.mode, b.pot);
      ++ledger.progressiveHits;
    }
  }

  // Runs one action (a frame's timers, or a draw start) and books what it did.
  void Step(void (*action)()) {
    Before b{Game.SetDraws,
             Game.Drawing,
             Game.BallsRevealed,
             Game.ProgressivePot,
             Game.PayMode,
             Game.BetPerCard,
             headless::BoxLog().size(),
             {},
             {}};
    std::copy(Game.DrawOrder, Game.DrawOrder + 20, b.drawOrder);
    std::copy(Game.Cards, Game.Cards + 5, b.cards);

    action();

    int64_t prizeAt = -1;
    if (Game.SetDraws != b.setDraws) {
      ASSERT_EQ(Game.SetDraws, b.setDraws + 1);
      ++ledger.settled;
      ExpectSettlement(b, prizeAt);
    }
    const bool started = Game.Drawing == 1 && Game.BallsRevealed == 0 && (b.drawing == 0 || b.ballsRevealed == 20);
    int64_t pot = prizeAt >= 0 ? 25000 : b.pot;
    ledger.refinanced += 1000 * static_cast<int64_t>(NewBoxes(b.boxes, "Out of Funds!"));
    if (NewBoxes(b.boxes, "JACKPOT!") > 0) {
      ++ledger.jackpotStops;
      ASSERT_EQ(Game.AutoRun, 0);
      ASSERT_EQ(Game.Drawing, 0);
    }
    if (started) {
      ++ledger.started;
      const int64_t cost = Game.BetPerCard * CardsWithPicks();
      ledger.costs += cost;
      (b.mode == 0 ? ledger.genCost : ledger.casCost) += cost;
      int64_t qualifying = 0;
      for (int c = 1; c <= 4; ++c) qualifying += Game.Cards[c].PickCount >= 10 ? 1 : 0;
      pot = std::min<int64_t>(pot + 2 * qualifying, std::numeric_limits<int32_t>::max());
    }
    ASSERT_EQ(Game.ProgressivePot, pot) << "after draw " << ledger.settled;
    ASSERT_EQ(Game.Balance, 1000 + ledger.payouts + ledger.prizes + ledger.refinanced - ledger.costs)
        << "after draw " << ledger.settled;
    ASSERT_GE(Game.Balance, 0);
    ASSERT_EQ(Game.LifetimeGenWon, ledger.genWon);
    ASSERT_EQ(Game.LifetimeCasWon, ledger.casWon);
    ASSERT_EQ(Game.LifetimeGenCost, ledger.genCost);
    ASSERT_EQ(Game.LifetimeCasCost, ledger.casCost);
    ASSERT_EQ(Game.Balance, 1000 + ledger.refinanced + Game.LifetimeGenWon + Game.LifetimeCasWon -
                                Game.LifetimeGenCost - Game.LifetimeCasCost);
    ASSERT_EQ(Game.SetCost, ledger.costs);
    ASSERT_EQ(Game.SetWon, ledger.payouts);
  }

  // New cards with the given spot counts, filled by the Auto-Pick operations.
  void DealCards(const std::vector<int64_t>& spots, bool hot) {
    for (int c = 1; c <= 4; ++c) {
      ClearCard(c);
      const int64_t k = c <= static_cast<int>(spots.size()) ? spots[c - 1] : 0;
      for (int64_t n = 1; n <= k; ++n) TogglePick(c, n);
      if (k == 0) continue;
      SetActiveTab(c);
      (hot ? AutoPickHot : AutoPickRandom)();
      ASSERT_EQ(Game.Cards[c].PickCount, k);
    }
  }

  Ledger ledger;
};

// One frame's timers, 80 ms after the last.
void Timers() {
  headless::AdvanceMs(80);
  UpdateFrame();
}

// One stretch of the run: the cards' spot counts, how they are filled, the schedule and the bet.
struct Deal {
  std::vector<int64_t> spots;
  bool hot;
  int64_t mode, bet;
};

TEST_F(RulesSoak, MoneyIsConservedThroughThousandsOfFastestAutoRunDraws) {
  // The frame loop's timers drive the draws; drawing the frames is not under test here and would
  // only make the run long.
  constexpr int64_t Draws = 7000, DealLength = 500;
  const Deal deals[] = {
      {{1, 1, 1, 1}, false, 1, 10},  // a losing streak that needs refinancing
      {{8, 8}, false, 0, 1},         // zero-hit draws for the consolation prize
      {{1, 5, 10, 12}, true, 0, 2},   {{7, 8}, false, 1, 3},       {{2, 3, 4, 6}, false, 0, 5},
      {{12, 11, 10, 9}, true, 1, 10}, {{5, 5, 5, 5}, false, 0, 1},  // full matches that stop auto-run
  };
  std::mt19937_64 chaos(42);
  Game.Speed = 5;
  Game.SoundOn = 0;
  int64_t deal = -1;
  while (ledger.settled < Draws) {
    if (Game.AutoRun == 0 && Game.Drawing == 0 && Game.AutoPausePending == 0) {
      if (ledger.settled / DealLength != deal || CardsWithPicks() == 0) {
        deal = ledger.settled / DealLength;
        const Deal& d = deals[deal % std::size(deals)];
        DealCards(d.spots, d.hot);
        if (HasFatalFailure()) return;
        if (Game.PayMode != d.mode) SwapPayMode();
        Game.BetSelection = Game.BetPerCard = d.bet;
      }
      Game.AutoRun = 1;
      Step(StartDraw);
    } else {
      Step(Timers);
    }
    if (HasFatalFailure()) return;

    // The player fiddles while the balls roll.
    const uint64_t roll = chaos() % 10000;
    if (roll < 20) {
      Game.BetSelection = Game.BetPerCard = static_cast<int64_t>(chaos() % 10) + 1;
    } else if (roll < 30) {
      SwapPayMode();
    } else if (roll < 50) {
      TogglePick(static_cast<int64_t>(chaos() % 4) + 1, static_cast<int64_t>(chaos() % 80) + 1);
    } else if (roll < 52 || ledger.settled / DealLength != deal) {
      StopAutoRun();
    }
  }
  EXPECT_EQ(Game.SetDraws, ledger.settled);
  EXPECT_GE(ledger.started, Draws);
  // The run went through the paths it was meant to stress.
  EXPECT_GT(ledger.refinanced, 0);
  EXPECT_GT(ledger.consolations, 0);
  EXPECT_GT(Game.LifetimeGenWon, 0);
  EXPECT_GT(Game.LifetimeCasWon, 0);
}

}  // namespace
