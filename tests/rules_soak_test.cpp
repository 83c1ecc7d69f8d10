// A long auto-run at the fastest speed with the bet, the schedule and the picks changing under
// it, during the reveals too, and now and then a New Game in the middle of a draw: every step, the
// money the game holds and the statistics of the set and of each card must equal an independent
// ledger of costs, payouts, prizes and refinancing, each draw priced by what it charged for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "app/game.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ledger_vfs.h"
#include "persist/ledger.h"
#include "rules_helpers.h"
#include "state/game_state.h"

namespace {

using rules_test::RulesGame;

// What the ledger saw a draw charge for when it started: the cards with picks then, their picks,
// the bet and the schedule. The draw must settle by this, whatever is edited while it runs.
struct Charge {
  bool charged[5] = {};
  CardRecord cards[5];
  int64_t bet = 0, mode = 0;
};

// The money since the last full wipe (a New Game answered No starts it again).
struct MoneyLedger {
  int64_t costs = 0, payouts = 0, prizes = 0, refinanced = 0;
  int64_t genWon = 0, genCost = 0, casWon = 0, casCost = 0;
};

// The statistics of the set since the last New Game (answered Yes or No).
struct SetLedger {
  int64_t costs = 0, payouts = 0, draws = 0;
  int64_t cardNet[5] = {}, cardWins[5] = {}, cardLosses[5] = {};
};

struct Ledger {
  MoneyLedger money;
  SetLedger set;
  int64_t settled = 0, started = 0, consolations = 0, progressiveHits = 0, jackpotStops = 0;
  int64_t editedDraws = 0;          // settled draws whose cards, bet or schedule changed during the reveal
  int64_t newGames = 0, wipes = 0;  // New Games played mid-draw, and those of them answered No
  int64_t refinancings = 0;         // Out of Funds boxes answered Yes
  Charge charge;                    // of the draw in flight
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
  void BookWin(int64_t mode, int64_t amount) { (mode == 0 ? ledger.money.genWon : ledger.money.casWon) += amount; }

  // A payout to card c of the draw being settled: its money and the set's and the card's totals.
  void BookPayout(int64_t c, int64_t amount) {
    ledger.money.payouts += amount;
    ledger.set.payouts += amount;
    ledger.set.cardNet[c] += amount;
    BookWin(ledger.charge.mode, amount);
  }

  // The settlement of the draw whose numbers are in `b`, priced by the test itself from what the
  // ledger saw the draw charge for and from the fixed schedules. A draw completed at once (New
  // Game during its reveal) is paid as any other but shows nothing: no box, and the new set that
  // follows clears the cards' wins.
  void ExpectSettlement(const Before& b, int64_t& prizeAt, bool shown = true) {
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
      BookPayout(c, pays[c]);
      ledger.set.cardNet[c] -= charge.bet;
      ++(pays[c] > 0 ? ledger.set.cardWins[c] : ledger.set.cardLosses[c]);
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
      // $1000 shared by the charged cards, the dollars left over going to the first of them.
      int64_t rest = 1000 % withPicks;
      for (int c = 1; c <= 4; ++c) {
        if (!charge.charged[c]) continue;
        BookPayout(c, 1000 / withPicks + (rest > 0 ? 1 : 0));
        rest -= rest > 0 ? 1 : 0;
        ++ledger.set.cardWins[c];
      }
      ++ledger.consolations;
    }
    ++ledger.set.draws;
    // Only the charged cards were paid; an uncharged one shows no win. (A draw started in the same
    // step has cleared the wins already.)
    const bool nextStarted = Game.Drawing == 1 && Game.BallsRevealed == 0;
    for (int c = 1; c <= 4 && !nextStarted && shown; ++c) {
      if (!charge.charged[c]) {
        ASSERT_EQ(Game.CardWin[c], 0) << "uncharged card " << c << " after draw " << ledger.settled;
      } else if (!consolation) {
        ASSERT_EQ(Game.CardWin[c], pays[c]) << "card " << c << " after draw " << ledger.settled;
      }
    }
    if (edited || b.bet != charge.bet || b.mode != charge.mode) ++ledger.editedDraws;
    const size_t hitBoxes = NewBoxes(b.boxes, "PROGRESSIVE JACKPOT HIT!!!");
    ASSERT_EQ(hitBoxes, progressive && shown ? 1u : 0u);
    if (progressive) {
      prizeAt = b.pot;
      ledger.money.prizes += b.pot;
      BookWin(charge.mode, b.pot);
      ++ledger.progressiveHits;
    }
  }

  // What a step starts from.
  Before Snapshot() const {
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
    return b;
  }

  // Runs one action (a frame's timers, or a draw start) and books what it did.
  void Step(void (*action)()) {
    const Before b = Snapshot();
    action();

    int64_t prizeAt = -1;
    if (Game.SetDraws != b.setDraws) {
      ASSERT_EQ(Game.SetDraws, b.setDraws + 1);
      ++ledger.settled;
      ExpectSettlement(b, prizeAt);
    }
    const bool started = Game.Drawing == 1 && Game.BallsRevealed == 0 && (b.drawing == 0 || b.ballsRevealed == 20);
    int64_t pot = prizeAt >= 0 ? 25000 : b.pot;
    const int64_t refinanced = static_cast<int64_t>(NewBoxes(b.boxes, "Out of Funds!"));
    ledger.money.refinanced += 1000 * refinanced;
    ledger.refinancings += refinanced;
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
      ledger.money.costs += cost;
      ledger.set.costs += cost;
      (b.mode == 0 ? ledger.money.genCost : ledger.money.casCost) += cost;
      int64_t qualifying = 0;
      for (int c = 1; c <= 4; ++c) qualifying += Game.Cards[c].PickCount >= 10 ? 1 : 0;
      pot = std::min<int64_t>(pot + 2 * qualifying, std::numeric_limits<int32_t>::max());
    }
    ASSERT_EQ(Game.ProgressivePot, pot) << "after draw " << ledger.settled;
    ExpectLedger();
  }

  // The money, the lifetime totals, the set's and every card's statistics against the ledger.
  void ExpectLedger() {
    const MoneyLedger& money = ledger.money;
    ASSERT_EQ(Game.Balance, 1000 + money.payouts + money.prizes + money.refinanced - money.costs)
        << "after draw " << ledger.settled;
    ASSERT_GE(Game.Balance, 0);
    ASSERT_EQ(Game.LifetimeGenWon, money.genWon);
    ASSERT_EQ(Game.LifetimeCasWon, money.casWon);
    ASSERT_EQ(Game.LifetimeGenCost, money.genCost);
    ASSERT_EQ(Game.LifetimeCasCost, money.casCost);
    ASSERT_EQ(Game.Balance, 1000 + money.refinanced + Game.LifetimeGenWon + Game.LifetimeCasWon - Game.LifetimeGenCost -
                                Game.LifetimeCasCost);
    const SetLedger& set = ledger.set;
    ASSERT_EQ(Game.SetCost, set.costs);
    ASSERT_EQ(Game.SetWon, set.payouts);
    ASSERT_EQ(Game.SetDraws, set.draws);
    for (int c = 1; c <= 4; ++c) {
      ASSERT_EQ(Game.CardNet[c], set.cardNet[c]) << "card " << c << " after draw " << ledger.settled;
      ASSERT_EQ(Game.CardWins[c], set.cardWins[c]) << "card " << c << " after draw " << ledger.settled;
      ASSERT_EQ(Game.CardLosses[c], set.cardLosses[c]) << "card " << c << " after draw " << ledger.settled;
    }
  }

  // The New Game button pressed while a draw is being revealed, answered Yes (a new set) or No (a
  // full wipe). The draw in flight is completed and paid first, from what it charged for; its
  // settlement is booked here as Step books one, before the ledgers start again.
  void PlayNewGame(BoxResult answer) {
    const Before b = Snapshot();
    headless::QueueAnswer(answer);
    NewGamePrompt();
    int64_t prizeAt = -1;
    ++ledger.settled;
    ExpectSettlement(b, prizeAt, false);
    if (HasFatalFailure()) return;
    const int32_t pot = prizeAt >= 0 ? ProgressiveSeedDollars : b.pot;
    ++ledger.newGames;
    ASSERT_EQ(Game.Drawing, 0) << "the draw ends with New Game";
    ASSERT_EQ(Game.AutoRun, 0);
    ledger.set = SetLedger{};
    if (answer == BoxResult::No) {
      ++ledger.wipes;
      ledger.money = MoneyLedger{};
      ASSERT_EQ(Game.ProgressivePot, 25000);
      ASSERT_EQ(Game.PayMode, 0);
      ASSERT_EQ(Game.BetPerCard, 1);
      Game.Speed = 5;  // the wipe brings back the default speed; the player picks the fastest again
    } else {
      ASSERT_EQ(Game.ProgressivePot, pot);
    }
    for (int c = 1; c <= 4; ++c) ASSERT_EQ(Game.Cards[c].PickCount, 0);
    ExpectLedger();
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
    } else if (roll < 57 && Game.Drawing == 1) {
      PlayNewGame(roll == 55 ? BoxResult::Yes : BoxResult::No);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GE(ledger.started, Draws);
  // The run went through the paths it was meant to stress.
  EXPECT_GT(ledger.newGames, ledger.wipes);
  EXPECT_GT(ledger.wipes, 0);
  EXPECT_GT(ledger.refinancings, 0);
  EXPECT_GT(ledger.consolations, 0);
  EXPECT_GT(Game.LifetimeGenWon, 0);
  EXPECT_GT(Game.LifetimeCasWon, 0);
  EXPECT_GT(ledger.editedDraws, Draws / 20);
}

}  // namespace
