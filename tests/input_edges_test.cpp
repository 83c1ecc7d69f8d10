// Presses and releases that arrive between two frames: every click and tap is handled once and in
// order, a box drops the edges queued behind the click that opened it, and a quit signal ends a
// resting game.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/rest.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "state/game_state.h"

namespace {

class InputEdges : public GameFixture {
 protected:
  // The centre of number n's cell on the board.
  static void CellCentre(int64_t n, int64_t& x, int64_t& y) {
    const Rect& b = Game.BoardRect;
    x = b.x + ((n - 1) % 10) * b.w / 10 + b.w / 20;
    y = b.y + ((n - 1) / 10) * b.h / 8 + b.h / 16;
  }
  static void QueueCellClick(int64_t n) {
    int64_t x = 0, y = 0;
    CellCentre(n, x, y);
    headless::QueueClick(x, y);
  }
  // The middle of tab t's label (0 Main, 1..4 Card t).
  static void QueueTabClick(int64_t t) {
    const Rect& r = Game.TabBarRect;
    headless::QueueClick(r.x + t * (r.w / TabCount) + 20, Cy(r));
  }
  static std::set<int64_t> PicksOf(int64_t card) {
    std::set<int64_t> picks;
    for (int64_t n = 1; n <= NumberCount; ++n)
      if (Game.Cards[card].Picked[n] == 1) picks.insert(n);
    return picks;
  }
  void GiveCard1Picks() {
    for (int64_t n = 1; n <= 5; ++n) Game.Cards[1].Picked[n] = 1;
    Game.Cards[1].PickCount = 5;
    RecountCardsPerNumber();
  }
};

// Clicks queued between two frames, all complete (press and release) before the frame that
// handles them: a cell number, or a tab as -1 - t.
TEST_F(InputEdges, EveryClickBetweenTwoFramesActsInOrder) {
  struct Row {
    const char* name;
    std::vector<int64_t> clicks;
    std::set<int64_t> card1, card2;
  } rows[] = {
      {"two cells", {5, 17}, {5, 17}, {}},
      {"five cells", {1, 12, 23, 34, 80}, {1, 12, 23, 34, 80}, {}},
      {"one cell twice: picked and taken off again", {44, 44}, {}, {}},
      {"two cells, the Card 2 tab, two cells: in that order", {9, 10, -3, 11, 12}, {9, 10}, {11, 12}},
      {"the same on Card 2 first, then back to Card 1", {-3, 30, 31, -2, 32, 33, 34}, {32, 33, 34}, {30, 31}},
  };
  for (const Row& row : rows) {
    Game.Cards[1] = CardRecord{};
    Game.Cards[2] = CardRecord{};
    RecountCardsPerNumber();
    SetActiveTab(1);
    for (int64_t click : row.clicks) {
      if (click > 0) {
        QueueCellClick(click);
      } else {
        QueueTabClick(-1 - click);
      }
    }
    ASSERT_TRUE(Run(1)) << row.name;
    EXPECT_EQ(PicksOf(1), row.card1) << row.name;
    EXPECT_EQ(PicksOf(2), row.card2) << row.name;
    ASSERT_TRUE(Run(20)) << row.name;
    EXPECT_EQ(PicksOf(1), row.card1) << row.name << ": later frames add nothing";
    EXPECT_EQ(PicksOf(2), row.card2) << row.name << ": later frames add nothing";
  }
}

TEST_F(InputEdges, SpacePressedAndReleasedBetweenTwoFramesIsOneTap) {
  GiveCard1Picks();
  const int64_t balance = Game.Balance;
  headless::SetKey(KeySpace, true);
  headless::SetKey(KeySpace, false);
  ASSERT_TRUE(Run(1));
  EXPECT_EQ(Game.Drawing, 1) << "the tap starts a draw in the frame that sees it";
  EXPECT_EQ(Game.Balance, balance - 1);
  ASSERT_TRUE(Run(1500));
  EXPECT_EQ(Game.AutoRun, 0) << "a tap is no hold";
  EXPECT_EQ(Game.SpaceDown, 0);
  EXPECT_EQ(Game.Balance, balance - 1) << "one tap, one draw";

  // In auto-run's pause a quick tap stops it, and nothing starts again.
  ASSERT_TRUE(Run(20000, 50));
  ASSERT_EQ(Game.Drawing, 0);
  Game.AutoRun = 1;
  Game.AutoPausePending = 1;
  Game.AutoPauseStart = NowMs();
  headless::SetKey(KeySpace, true);
  headless::SetKey(KeySpace, false);
  ASSERT_TRUE(Run(1));
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);
  ASSERT_TRUE(Run(2000));
  EXPECT_EQ(Game.Drawing, 0);
}

TEST_F(InputEdges, AClickBehindTheOneThatOpensABoxNeverActsAfterTheAnswer) {
  headless::ClearBoxLog();
  headless::QueueAnswer(BoxResult::Cancel);
  headless::QueueClick(Cx(Game.NewGameButtonRect), Cy(Game.NewGameButtonRect));
  QueueCellClick(27);
  QueueCellClick(28);
  ASSERT_TRUE(Run(1));
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].title, "New Game");
  ASSERT_TRUE(Run(50));
  EXPECT_EQ(PicksOf(1), std::set<int64_t>{}) << "the cells clicked before the answer stay unpicked";
  EXPECT_EQ(headless::BoxLog().size(), 1u);

  // The queue goes on working after the box.
  QueueCellClick(27);
  ASSERT_TRUE(Run(1));
  EXPECT_EQ(PicksOf(1), std::set<int64_t>{27});
}

// A quit signal on an idle board, with nothing pending: the resting loop must end without waiting
// for an event that nothing sends.
TEST_F(InputEdges, AQuitSignalEndsARestingGame) {
  struct Row {
    const char* name;
    bool atNextBox;  // else at a set time
  } rows[] = {{"sent 700 ms into the rest", false}, {"sent while the New Game box is open", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EndGame();
    headless::Reset(1);
    ASSERT_TRUE(StartUp());
    shutDown_ = false;
    headless::ClearBoxLog();
    const int64_t t0 = NowMs();
    if (row.atNextBox) {
      headless::SendQuitSignalAtNextBox();
      headless::At(t0 + 300, [] { headless::QueueClick(Cx(Game.NewGameButtonRect), Cy(Game.NewGameButtonRect)); });
    } else {
      headless::SendQuitSignalAt(t0 + 700);
    }
    const int64_t balance = Game.Balance;
    int64_t frames = 0;
    while (frames < 100 && RunFrame()) {
      ++frames;
      RestUntilNextChange();
    }
    EXPECT_LT(frames, 100) << "the loop did not end";
    EXPECT_EQ(headless::WaitsWithoutEnd(), 0) << "the loop rested without end after the signal";
    EXPECT_EQ(Game.QuitRequested, 1);
    EXPECT_EQ(NowMs(), t0 + (row.atNextBox ? 301 : 700)) << "the loop ended at the signal";
    EXPECT_EQ(headless::BoxLog().size(), row.atNextBox ? 1u : 0u);
    EXPECT_EQ(Game.Balance, balance);
  }
}

}  // namespace
