// Reading past draws back from the ledger: a page of settled draws newest first, one draw with
// its numbers and cards as they were settled, stepping between neighbours, a draw's number out of
// the total, and the draw in flight never among them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game.h"
#include "ledger_helpers.h"
#include "persist/ledger.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/game_state.h"

namespace {

using ledger_test::Query;
using ledger_test::Row;
using rules_test::Pick;
using rules_test::Range;

std::string LedgerFile() { return headless::TempDir() + "keno_history.sqlite3"; }

class LedgerRecall : public rules_test::RulesGame {
 protected:
  // Plays three draws on two cards, the second on CASINO, and leaves a fourth being revealed.
  void SetUp() override {
    RulesGame::SetUp();
    Pick(1, {1, 2, 3, 4});
    Pick(3, Range(40, 45));
    ASSERT_TRUE(PlayDraw({1, 2, 40, 41, 42}));
    SwapPayMode();
    ASSERT_TRUE(PlayDraw({3, 4, 43}));
    SwapPayMode();
    ASSERT_TRUE(PlayDraw({80, 79}));
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    inFlight_ = Game.Charge.DrawId;
  }
  int64_t inFlight_ = 0;
};

// The settled draws read through the queries equal what SQLite itself holds, and the charged draw
// in flight is neither listed, read, stepped onto nor counted.
TEST_F(LedgerRecall, ReadsBackSettledDrawsAsStoredAndNeverTheDrawInFlight) {
  ASSERT_EQ(inFlight_, 4);
  ASSERT_EQ(ledger_test::Value(LedgerFile(), "SELECT state FROM draws WHERE id = 4"), "charged");

  LedgerSettledDraw page[8];
  ASSERT_EQ(LedgerSettledPage(0, page, 8), 3);
  const std::vector<Row> rows = Query(LedgerFile(),
                                      "SELECT id, started_utc, schedule, cost, won, balance_before, balance_after,"
                                      " completed_at FROM draws WHERE state = 'settled' ORDER BY id DESC");
  ASSERT_EQ(rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const LedgerSettledDraw& d = page[i];
    const Row got = {std::to_string(d.id),           d.startedUtc,          d.payMode == 0 ? "GENEROUS" : "CASINO",
                     std::to_string(d.cost),         std::to_string(d.won), std::to_string(d.balanceBefore),
                     std::to_string(d.balanceAfter), d.completedAt};
    EXPECT_EQ(got, rows[i]) << "row " << i;
  }
  EXPECT_EQ(LedgerSettledPage(2, page, 8), 2) << "a page from draw 2 down";
  EXPECT_EQ(page[0].id, 2);
  EXPECT_EQ(LedgerSettledPage(0, page, 1), 1) << "never more than asked";

  LedgerSettledDraw draw;
  EXPECT_FALSE(LedgerReadSettled(inFlight_, draw)) << "the draw in flight is not recalled";
  ASSERT_TRUE(LedgerReadSettled(1, draw));
  std::string numbers, cards;
  for (int64_t n : draw.numbers) numbers += (numbers.empty() ? "" : " ") + std::to_string(n);
  for (int64_t c = 1; c <= CardCount; ++c) {
    if (draw.cards[c].charged == 0) continue;
    std::string picks;
    for (int64_t n = 1; n <= NumberCount; ++n)
      if (draw.cards[c].picked[n] != 0) picks += (picks.empty() ? "" : " ") + std::to_string(n);
    cards += std::to_string(c) + " " + picks + " " + std::to_string(draw.cards[c].spots) + " " +
             std::to_string(draw.cards[c].hits) + " " + std::to_string(draw.cards[c].win) + "\n";
  }
  EXPECT_EQ(numbers, ledger_test::Value(LedgerFile(), "SELECT numbers FROM draws WHERE id = 1"));
  std::string stored;
  for (const Row& r :
       Query(LedgerFile(), "SELECT card, picks, spots, hits, win FROM cards WHERE draw_id = 1 ORDER BY card"))
    stored += r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4] + "\n";
  EXPECT_EQ(cards, stored);
  EXPECT_EQ(draw.cards[1].hits, 2);
  EXPECT_EQ(draw.cards[3].hits, 3);

  struct Step {
    int64_t from, step, to;
  } steps[] = {{0, -1, 3}, {0, 1, 1}, {3, -1, 2}, {1, -1, 0}, {2, 1, 3}, {3, 1, 0}};
  for (const Step& s : steps) EXPECT_EQ(LedgerSettledNeighbour(s.from, s.step), s.to) << s.from << " by " << s.step;

  int64_t position = 0, total = 0;
  ASSERT_TRUE(LedgerSettledPosition(2, position, total));
  EXPECT_EQ(position, 2);
  EXPECT_EQ(total, 3) << "the draw in flight is not counted";

  for (int guard = 0; Game.Drawing == 1 && guard < 100; ++guard) {
    headless::AdvanceMs(Game.RevealInterval);
    ASSERT_TRUE(Frame());
  }
  ASSERT_EQ(Game.Drawing, 0);
  ASSERT_EQ(LedgerSettledPage(0, page, 8), 4) << "once settled it joins the list";
  EXPECT_EQ(page[0].id, inFlight_);
  EXPECT_EQ(LedgerReadError(), "");
}

}  // namespace
