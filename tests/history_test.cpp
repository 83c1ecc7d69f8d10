// The History overlay over a played ledger: its totals and expected return against the draws the
// test played, the gestures that open and close it, the list's selection and scrolling with Enter
// and a click entering recall, and the draw in flight kept out until it settles.
#include "app/history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/rest.h"
#include "persist/ledger.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "ledger_helpers.h"
#include "rules_helpers.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/ui.h"

namespace {

using rules_test::HitProbability;
using rules_test::Pick;
using rules_test::Range;

// The return of a card of s spots on a schedule in percent, from the test's own chances.
double Return(int64_t payMode, int s) {
  const auto& table = payMode != 0 ? Game.PayCasino : Game.PayGenerous;
  double r = 0;
  for (int h = 0; h <= s; ++h) r += HitProbability(s, h) * static_cast<double>(table[s][h]);
  return 100.0 * r;
}

// What the test played, summed as the overlay should sum it.
struct Played {
  int64_t draws = 0, cost = 0, won = 0, biggest = 0;
  double expectedWeighted = 0;  // bet x return, over the cards played
};

class HistoryOverlay : public rules_test::RulesGame {
 protected:
  void SetUp() override {
    RulesGame::SetUp();
    History = HistoryState{};
    Recall = RecallState{};
    Pick(1, {1, 2, 3, 4});
    Pick(3, Range(40, 45));
  }
  void TearDown() override {
    History = HistoryState{};
    Recall = RecallState{};
    RulesGame::TearDown();
  }
  // Plays one rigged draw on cards 1 (4 spots) and 3 (6 spots) and adds it to played_.
  void PlayOne(const std::vector<int64_t>& first) {
    const int64_t before = Game.Balance;
    const int64_t mode = Game.PayMode;
    ASSERT_TRUE(PlayDraw(first));
    const int64_t cost = 2 * Game.BetPerCard;
    const int64_t won = Game.Balance - before + cost;
    played_.draws += 1;
    played_.cost += cost;
    played_.won += won;
    played_.biggest = std::max(played_.biggest, won);
    played_.expectedWeighted += static_cast<double>(Game.BetPerCard) * (Return(mode, 4) + Return(mode, 6));
  }
  static void Key(int64_t key) {
    headless::SetKey(key, true);
    headless::SetKey(key, false);
  }
  // The overlay's steps as last laid out.
  static const PanelSteps& Steps() {
    static PanelSteps steps;
    BuildHistoryOverlay(steps);
    return steps;
  }
  Played played_;
};

TEST_F(HistoryOverlay, TotalsAndExpectedReturnAreThoseOfTheDrawsPlayed) {
  PlayOne({1, 2, 3, 40, 41, 42, 43});
  SwapPayMode();
  PlayOne({1, 2, 3, 4, 44});
  SwapPayMode();
  Game.BetPerCard = Game.BetSelection = 3;
  PlayOne({80, 79});
  ASSERT_GT(played_.won, 0) << "the script is meant to win something";

  Key(KeyH);
  ASSERT_TRUE(Run(5));
  ASSERT_EQ(History.Open, 1);
  ASSERT_EQ(History.Failed, 0) << History.Error;
  EXPECT_EQ(History.Draws, played_.draws);
  EXPECT_EQ(History.Bet, played_.cost);
  EXPECT_EQ(History.Won, played_.won);
  EXPECT_EQ(History.BiggestWin, played_.biggest);
  EXPECT_EQ(History.Progressive, 0);
  EXPECT_EQ(History.Consolation, 0);
  EXPECT_NEAR(History.PaidPercent, 100.0 * static_cast<double>(played_.won) / static_cast<double>(played_.cost), 1e-9);
  EXPECT_NEAR(History.ExpectedPercent, played_.expectedWeighted / static_cast<double>(played_.cost), 1e-6);
  for (int64_t mode = 0; mode < 2; ++mode)
    for (int s = 1; s <= MaxPicks; ++s)
      EXPECT_NEAR(ExactReturnPercent(mode, s), Return(mode, s), 1e-9) << mode << " " << s;

  ASSERT_EQ(History.RowCount, 3);
  EXPECT_EQ(History.Rows[0].DrawId, 3) << "newest first";
  EXPECT_EQ(History.Rows[2].DrawId, 1);
  EXPECT_EQ(History.Selected, 0) << "the newest draw is selected";
  EXPECT_NE(std::strstr(History.Rows[1].Text, "CASINO"), nullptr) << History.Rows[1].Text;
  EXPECT_NE(std::strstr(History.Rows[0].Text, "2026-12-10 "), nullptr) << History.Rows[0].Text;
  EXPECT_NE(Steps().FindText("Export CSV..."), nullptr);
  EXPECT_GT(History.ChartRect.h, 0) << "the chart's space is kept";
  EXPECT_GT(History.ExportRect.w, 0);
}

// The totals are summed once, at the first opening, and kept up to date as draws settle after it,
// whether the overlay is open or closed and whatever the schedule and bet: they stay those of the
// draws played and those a new sum over the ledger gives.
TEST_F(HistoryOverlay, TotalsAreKeptUpToDateAsDrawsSettle) {
  PlayOne({1, 2, 3, 40, 41, 42, 43});
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Draws, 1);
  PlayOne({1, 2, 3, 4, 44});  // settles under the open overlay
  EXPECT_EQ(History.Draws, 2);
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Open, 0);
  SwapPayMode();
  Game.BetPerCard = Game.BetSelection = 5;
  PlayOne({80, 79, 40});
  SwapPayMode();
  PlayOne({1, 2, 45});
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Failed, 0) << History.Error;
  EXPECT_EQ(History.Draws, played_.draws);
  EXPECT_EQ(History.Bet, played_.cost);
  EXPECT_EQ(History.Won, played_.won);
  EXPECT_EQ(History.BiggestWin, played_.biggest);
  EXPECT_NEAR(History.ExpectedPercent, played_.expectedWeighted / static_cast<double>(played_.cost), 1e-6);
  LedgerTotals summed;
  ASSERT_TRUE(LedgerHistoryTotals(summed));
  EXPECT_EQ(History.Draws, summed.draws);
  EXPECT_EQ(History.Won, summed.won);

  // A ledger closed and opened again is summed anew, not added to what was kept.
  const std::string before = History.Totals[0];
  CloseHistory();
  CloseLedger();
  OpenLedger();
  OpenHistory();
  EXPECT_EQ(History.Totals[0], before);
  EXPECT_EQ(History.Draws, played_.draws);
}

// A long ledger is summed a slice a frame from start-up, the loop kept awake until it is done; the
// overlay opened half-way sums the rest at once. Either way the totals are those of every draw.
TEST_F(HistoryOverlay, ALongLedgerIsSummedASliceAFrame) {
  constexpr int64_t Draws = 12345;  // three slices
  ASSERT_TRUE(ledger_test::Exec(
      LedgerPath(),
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(Draws) +
          ") INSERT INTO draws (id, seq, started_utc, settled_utc, state, schedule, bet_per_card, cost, numbers,"
          " balance_before, balance_after, pot_before, pot_after, won, lifetime_cost_after, lifetime_won_after,"
          " completed_at) SELECT i, i + 1, '2026-12-10T10:52:03.000Z', '2026-12-10T10:52:04.000Z', 'settled',"
          " CASE WHEN i % 3 = 0 THEN 'CASINO' ELSE 'GENEROUS' END, 1, 2,"
          " '1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20', 1000, 1000, 25000, 25000,"
          " CASE WHEN i % 7 = 0 THEN 5 ELSE 0 END, 0, 0, 'revealed' FROM n;"
          "INSERT INTO cards SELECT id, 1, '41 42 43 44 45 46 47 48', 8, 0, 0 FROM draws;"
          "INSERT INTO cards SELECT id, 3, '1 2 3 4', 4, 0, 0 FROM draws;"));
  const int64_t casino = Draws / 3;
  double expected = 0;
  for (const auto& [mode, n] : {std::pair<int64_t, int64_t>{1, casino}, {0, Draws - casino}})
    expected += static_cast<double>(n) * (Return(mode, 8) + Return(mode, 4));
  const auto expectTotals = [&] {
    EXPECT_EQ(History.Draws, Draws);
    EXPECT_EQ(History.Bet, 2 * Draws);
    EXPECT_EQ(History.Won, 5 * (Draws / 7));
    EXPECT_NEAR(History.ExpectedPercent, expected / static_cast<double>(2 * Draws), 1e-6);
  };

  for (const bool openHalfWay : {false, true}) {
    SCOPED_TRACE(openHalfWay ? "opened half-way" : "summed to the end first");
    StartHistoryTotals();  // as start-up does once the ledger is open
    ASSERT_EQ(Game.HistoryTotalsPending, 1);
    ASSERT_TRUE(Frame());
    EXPECT_EQ(Game.HistoryTotalsPending, 1) << "one slice is not the whole ledger";
    EXPECT_EQ(RestTimeout(Game, NowMs()), 0) << "the loop does not rest while the totals are summed";
    if (openHalfWay) {
      OpenHistory();
      EXPECT_EQ(Game.HistoryTotalsPending, 0);
      expectTotals();
      CloseHistory();
      continue;
    }
    int frames = 1;
    while (Game.HistoryTotalsPending == 1 && frames < 100) {
      ASSERT_TRUE(Frame());
      ++frames;
    }
    EXPECT_EQ(frames, 3);
    OpenHistory();
    expectTotals();
    CloseHistory();
  }
}

// A draw charged while the overlay is open is not listed nor counted; it joins when it settles.
TEST_F(HistoryOverlay, TheDrawInFlightJoinsOnlyWhenItSettles) {
  PlayOne({1, 2});
  PlayOne({3, 4});
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Open, 1);
  EXPECT_EQ(History.Draws, 2);
  EXPECT_EQ(History.RowCount, 2);
  EXPECT_EQ(History.Rows[0].DrawId, 2);
  for (int guard = 0; Game.Drawing == 1 && guard < 200; ++guard) {
    headless::AdvanceMs(Game.RevealInterval);
    ASSERT_TRUE(Frame());
  }
  ASSERT_EQ(Game.Drawing, 0) << "the draw goes on under the overlay";
  EXPECT_EQ(History.Open, 1);
  EXPECT_EQ(History.Draws, 3);
  ASSERT_EQ(History.RowCount, 3);
  EXPECT_EQ(History.Rows[0].DrawId, 3);
  EXPECT_EQ(History.Selected, 0);
}

// Each way in and out; only Space and the Draw button go on to act.
TEST_F(HistoryOverlay, EachGestureOpensOrClosesAndOnlySpaceAndDrawGoOnToAct) {
  PlayOne({1, 2});
  SetActiveTab(1);
  Game.AutoRun = 1;
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Open, 1) << "H";
  EXPECT_EQ(Game.AutoRun, 0) << "opening stops auto-run";
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Open, 0) << "H again";
  headless::QueueClick(Game.StatsPanelX + 20, Game.StatsPanelY + 20, MouseRight);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Open, 1) << "a right-click on the stats panel";

  struct Way {
    const char* name;
    void (*act)();
    bool draws;
  } ways[] = {
      {"H", [] { Key(KeyH); }, false},
      {"a click on the board", [] { headless::QueueClick(Game.BoardRect.x + 30, Game.BoardRect.y + 30); }, false},
      {"a right-click on the board",
       [] { headless::QueueClick(Game.BoardRect.x + 30, Game.BoardRect.y + 30, MouseRight); }, false},
      {"Space", [] { Key(KeySpace); }, true},
      {"the Draw button",
       [] {
         headless::QueueClick(Game.DrawButtonRect.x + Game.DrawButtonRect.w / 2,
                              Game.DrawButtonRect.y + Game.DrawButtonRect.h / 2);
       },
       true},
  };
  for (const Way& w : ways) {
    OpenHistory();
    ASSERT_TRUE(Run(2)) << w.name;
    const int64_t picks = Game.Cards[1].PickCount;
    const int64_t heat = Game.HeatMapOn;
    w.act();
    ASSERT_TRUE(Run(2)) << w.name;
    EXPECT_EQ(History.Open, 0) << w.name;
    EXPECT_EQ(Game.Drawing, w.draws ? 1 : 0) << w.name;
    EXPECT_EQ(Game.Cards[1].PickCount, picks) << w.name << ": it only closes";
    EXPECT_EQ(Game.HeatMapOn, heat) << w.name;
    for (int guard = 0; Game.Drawing == 1 && guard < 200; ++guard) {
      headless::AdvanceMs(Game.RevealInterval);
      ASSERT_TRUE(Frame());
    }
  }
}

// Up, Down, Page Up/Down, Home, End and the wheel over more draws than a page; Enter and a click
// on a row enter recall of the draw it shows.
TEST_F(HistoryOverlay, TheSelectionMovesAndScrollsAndEntersRecall) {
  constexpr int64_t draws = HistoryPageRows + 5;
  for (int64_t i = 0; i < draws; ++i) ASSERT_TRUE(PlayDraw({80 - i}));
  OpenHistory();
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Draws, draws);
  ASSERT_EQ(History.RowCount, HistoryPageRows);
  // The draw shown on the selected row.
  auto selectedId = [] { return History.Rows[History.Selected - History.Top].DrawId; };
  struct Step {
    const char* name;
    void (*act)();
    int64_t selected, top;
  } steps[] = {
      {"Down", [] { Key(KeyDown); }, 1, 0},
      {"Up", [] { Key(KeyUp); }, 0, 0},
      {"Up at the newest stays", [] { Key(KeyUp); }, 0, 0},
      {"Page Down", [] { Key(KeyPageDown); }, HistoryPageRows, 1},
      {"End", [] { Key(KeyEnd); }, draws - 1, draws - HistoryPageRows},
      {"Down at the oldest stays", [] { Key(KeyDown); }, draws - 1, draws - HistoryPageRows},
      {"Page Up", [] { Key(KeyPageUp); }, draws - 1 - HistoryPageRows, draws - 1 - HistoryPageRows},
      {"Home", [] { Key(KeyHome); }, 0, 0},
      {"wheel down scrolls, the selection kept in view", [] { headless::QueueWheel(-1); }, 3, 3},
      {"wheel up", [] { headless::QueueWheel(1); }, 3, 0},
  };
  for (const Step& s : steps) {
    s.act();
    ASSERT_TRUE(Run(2)) << s.name;
    EXPECT_EQ(History.Selected, s.selected) << s.name;
    EXPECT_EQ(History.Top, s.top) << s.name;
    ASSERT_GT(History.RowCount, History.Selected - History.Top) << s.name;
    EXPECT_EQ(selectedId(), draws - History.Selected) << s.name << ": the row shows the draw counted from the newest";
  }

  Key(KeyEnter);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Open, 0) << "Enter closes the overlay";
  EXPECT_EQ(Recall.Open, 1);
  EXPECT_EQ(Recall.DrawId, draws - 3) << "Enter recalls the selected draw";

  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(Recall.Open, 0) << "H leaves recall first";
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Open, 1);
  const Rect row = History.RowRects[5];
  headless::QueueClick(row.x + 40, row.y + row.h / 2);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Open, 0);
  EXPECT_EQ(Recall.Open, 1);
  EXPECT_EQ(Recall.DrawId, draws - 5) << "a click recalls the row clicked";
}

// No draw yet: the totals at zero and a line that says so; a ledger that cannot be read says why.
TEST_F(HistoryOverlay, AnEmptyLedgerAndAnUnreadableOne) {
  OpenHistory();
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Failed, 0) << History.Error;
  EXPECT_EQ(History.Draws, 0);
  EXPECT_EQ(History.RowCount, 0);
  EXPECT_EQ(History.PaidPercent, 0);
  EXPECT_NE(Steps().FindText("No draw has been played yet."), nullptr);
  EXPECT_NE(Steps().FindText("Draws played: 0    Bet: $0    Won: $0"), nullptr);
  CloseHistory();

  CloseLedger();
  OpenHistory();
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(History.Failed, 1);
  EXPECT_STREQ(History.Error, ("History unavailable: " + LedgerReadError()).c_str());
  EXPECT_NE(std::strstr(History.Error, "not open"), nullptr) << History.Error;
  EXPECT_NE(Steps().FindText(History.Error), nullptr);
}

}  // namespace

// The overlay's "Export CSV..." control asks for a file and writes the ledger there: the status
// line reports the draws written, and the overlay stays open.
TEST_F(HistoryOverlay, TheExportControlWritesTheLedgerAndSaysSo) {
  PlayOne({1, 2});
  PlayOne({3, 4});
  Key(KeyH);
  ASSERT_TRUE(Run(2));
  ASSERT_EQ(History.Open, 1);
  const std::string path = headless::TempDir() + "overlay-export.csv";
  headless::QueueExportPath(path);
  const Rect& e = History.ExportRect;
  ASSERT_GT(e.w, 0) << "the control was drawn";
  headless::QueueClick(e.x + e.w / 2, e.y + e.h / 2);
  ASSERT_TRUE(Run(2));
  EXPECT_EQ(Game.StatusMessage, "Exported 2 draws to overlay-export.csv");
  EXPECT_EQ(History.Open, 1) << "the export leaves the overlay open";
  std::ifstream in(path, std::ios::binary);
  std::string header;
  ASSERT_TRUE(std::getline(in, header)) << "the file was written";
  EXPECT_EQ(header.rfind("row,seq,draw,", 0), 0u) << header;
}
