// A long auto-run at the fastest speed with the bet, the schedule and the picks changing under
// it, during the reveals too: every step, the money the game holds must equal an independent
// ledger of costs, payouts, prizes and refinancing, each draw priced by what it charged for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "app/game.h"
#include "state/game_state.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ledger_vfs.h"
#include "persist/ledger.h"
#include "rules_helpers.h"

namespace {

using rules_test::RulesGame;

// What the ledger saw a draw charge for when it started: the cards with picks then, their picks,
// the bet and the schedule. The draw must settle by this, whatever is edited while it runs.
struct Charge {
  bool charged[5] = {};
  CardRecord cards[5];
  int64_t bet = 0, mode = 0;
};

struct Ledger {
  int64_t costs = 0, payouts = 0, prizes = 0, refinanced = 0;
  int64_t genWon = 0, genCost = 0, casWon = 0, casCost = 0;
  int64_t settled = 0, started = 0, consolations = 0, progressiveHits = 0, jackpotStops = 0;
  int64_t editedDraws = 0;  // settled draws whose cards, bet or schedule changed during the reveal
  Charge charge;            // of the draw in flight
};

// What the game looked like before one step.
struct Before {
  int64_t setDraws, drawing, ballsRevealed, pot, mode, bet;
  size_t boxes;
  int64_t drawOrder[20];
  CardRecord cards[5];
};

// Whether the picks of two cards differ.
bool PicksDiffer(const CardRecord& a, const CardRecord& b) {
  for (int n = 1; n <= 80; ++n)
    if ((a.Picked[n] != 0) != (b.Picked[n] != 0)) return true;
  return false;
}

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

  // The settlement of the draw whose numbers are in `b`, priced by the test itself from what the
  // ledger saw the draw charge for and from the fixed schedules.
  void ExpectSettlement(const Before& b, int64_t& prizeAt) {
    const Charge& charge = ledger.charge;
    const auto& table = charge.mode == 0 ? Game.PayGenerous : Game.PayCasino;
    bool anyWin = false, allSevenPlus = true, progressive = false, edited = false;
    int64_t withPicks = 0, totalHits = 0, distinct = 0;
    int64_t pays[5] = {};
    for (int c = 1; c <= 4; ++c) {
      edited = edited || PicksDiffer(charge.cards[c], b.cards[c]);
      if (!charge.charged[c]) continue;
      const CardRecord& card = charge.cards[c];
      int64_t hits = 0;
      for (int i = 0; i < 20; ++i) hits += card.Picked[b.drawOrder[i]] != 0 ? 1 : 0;
      const int64_t spots = card.PickCount;
      pays[c] = spots >= 1 && spots <= 12 ? table[spots][hits] * charge.bet : 0;
      ledger.payouts += pays[c];
      BookWin(charge.mode, pays[c]);
      anyWin = anyWin || pays[c] > 0;
      ++withPicks;
      allSevenPlus = allSevenPlus && spots >= 7;
      totalHits += hits;
      progressive = progressive || (spots >= 10 && hits == spots);
    }
    for (int n = 1; n <= 80; ++n) {
      bool any = false;
      for (int c = 1; c <= 4; ++c) any = any || (charge.charged[c] && charge.cards[c].Picked[n] != 0);
      distinct += any ? 1 : 0;
    }
    const bool consolation = !anyWin && withPicks > 0 && allSevenPlus && totalHits == 0 && distinct >= 15;
    if (consolation) {
      ledger.payouts += 1000;
      BookWin(charge.mode, 1000);
      ++ledger.consolations;
    }
    // Only the charged cards were paid; an uncharged one shows no win. (A draw started in the same
    // step has cleared the wins already.)
    const bool nextStarted = Game.Drawing == 1 && Game.BallsRevealed == 0;
    for (int c = 1; c <= 4 && !nextStarted; ++c) {
      if (!charge.charged[c]) {
        ASSERT_EQ(Game.CardWin[c], 0) << "uncharged card " << c << " after draw " << ledger.settled;
      } else if (!consolation) {
        ASSERT_EQ(Game.CardWin[c], pays[c]) << "card " << c << " after draw " << ledger.settled;
      }
    }
    if (edited || b.bet != charge.bet || b.mode != charge.mode) ++ledger.editedDraws;
    const size_t hitBoxes = NewBoxes(b.boxes, "PROGRESSIVE JACKPOT HIT!!!");
    ASSERT_EQ(hitBoxes, progressive ? 1u : 0u);
    if (progressive) {
      prizeAt = b.pot;
      ledger.prizes += b.pot;
      BookWin(charge.mode, b.pot);
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
      Charge& charge = ledger.charge;
      charge = Charge{};
      for (int c = 1; c <= 4; ++c) {
        charge.charged[c] = Game.Cards[c].PickCount > 0;
        charge.cards[c] = Game.Cards[c];
      }
      charge.bet = Game.BetPerCard;
      charge.mode = Game.PayMode;
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
  // Every charge and settlement is written to the ledger and the save at once; thousands of draws
  // skip the syncs to disk, which are not under test here.
  headless::SkipFileSyncs();
  ledger_vfs::FailingVfs::Register();
  ledger_vfs::FailingVfs::skipSyncs = true;
  SetLedgerVfs(ledger_vfs::FailingVfs::Name);
  OpenLedger();
  SetLedgerVfs(nullptr);
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
    } else if (roll < 53) {
      // A card emptied, number by number.
      const int64_t c = static_cast<int64_t>(chaos() % 4) + 1;
      for (int64_t n = 1; n <= 80; ++n)
        if (Game.Cards[c].Picked[n] != 0) TogglePick(c, n);
    } else if (roll < 55 || ledger.settled / DealLength != deal) {
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
  EXPECT_GT(ledger.editedDraws, Draws / 20);
}

}  // namespace
