// Recall mode over a played game: entering shows the past draw's balls landed in the tube as they
// were when it ended, each gesture steps or leaves as it should, recall's tabs are its own, and
// the live game (state and frame) is the same after leaving as before entering.
#include "app/recall.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/game.h"
#include "persist/ledger.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/focus_state.h"
#include "state/game_state.h"
#include "state/recall_view.h"

namespace {

using rules_test::Pick;
using rules_test::Range;

// The tube's pixels in the last frame.
std::vector<Colour> TubePixels() {
  std::vector<Colour> pixels;
  for (int64_t y = Game.BallsPanelY; y < Game.BallsPanelY + Game.BallsPanelH; ++y)
    for (int64_t x = Game.BallsPanelX; x < Game.BallsPanelX + Game.BallsPanelW; ++x)
      pixels.push_back(headless::PixelAt(x, y));
  return pixels;
}

// The pixels of the tab strip, the board and the tube in the last frame: what a recalled draw shows.
std::vector<Colour> RecalledRegions() {
  std::vector<Colour> pixels;
  for (const Rect& r : {Game.TabBarRect, Game.BoardRect,
                        Rect{Game.BallsPanelX, Game.BallsPanelY, Game.BallsPanelW, Game.BallsPanelH}})
    for (int64_t y = r.y - 1; y < r.y + r.h; ++y)  // a hit's cross reaches a pixel above its cell
      for (int64_t x = r.x; x < r.x + r.w; ++x) pixels.push_back(headless::PixelAt(x, y));
  return pixels;
}

// The parts of the live state recall must leave alone, compared as bytes where they are plain.
struct LiveSnapshot {
  int64_t balance, activeTab, heatMap, drawing, revealed, setDraws;
  CardRecord cards[CardCount + 1];
  int64_t drawOrder[BallsPerDraw];
  static LiveSnapshot Take() {
    LiveSnapshot s{
        Game.Balance, Game.ActiveTab, Game.HeatMapOn, Game.Drawing, Game.BallsRevealed, Game.SetDraws, {}, {}};
    std::memcpy(s.cards, Game.Cards, sizeof s.cards);
    std::memcpy(s.drawOrder, Game.DrawOrder, sizeof s.drawOrder);
    return s;
  }
  bool operator==(const LiveSnapshot& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

class Recalling : public rules_test::RulesGame {
 protected:
  // Three draws on cards 1 and 3; the tube of the second is kept as it looked when it ended.
  void SetUp() override {
    RulesGame::SetUp();
    Pick(1, {1, 2, 3, 4});
    Pick(3, Range(40, 45));
    ASSERT_TRUE(Play());
    ASSERT_TRUE(Play());
    ASSERT_TRUE(Run(3000));
    secondTube_ = TubePixels();
    ASSERT_TRUE(Play());
    ASSERT_TRUE(Run(3000));
    SetActiveTab(1);
    ASSERT_TRUE(Run(20));
  }
  // One draw as the game draws it (not rigged: the ledger keeps the numbers drawn at the charge).
  bool Play() {
    StartDraw();
    for (int guard = 0; Game.Drawing == 1 && guard < 100; ++guard) {
      headless::AdvanceMs(Game.RevealInterval);
      if (!Frame()) return false;
    }
    return Game.Drawing == 0;
  }
  static void Key(int64_t key) {
    headless::SetKey(key, true);
    headless::SetKey(key, false);
  }
  // A key pressed in one frame and released in the next, as a player types it.
  void Stroke(int64_t key) {
    headless::SetKey(key, true);
    ASSERT_TRUE(Frame());
    headless::SetKey(key, false);
    ASSERT_TRUE(Frame());
  }
  std::vector<Colour> secondTube_;
};

TEST_F(Recalling, ShowsThePastDrawAsItEndedAndStepsWithEachGesture) {
  const LiveSnapshot before = LiveSnapshot::Take();
  const uint64_t frameBefore = headless::FrameDigest();
  ASSERT_TRUE(EnterRecall(2));
  ASSERT_TRUE(Run(20));
  EXPECT_EQ(Recall.Tab, 0) << "recall opens on Main, whatever the live tab";
  const std::vector<Colour> tube = TubePixels();
  ASSERT_EQ(tube.size(), secondTube_.size());
  size_t differ = 0, first = 0;
  for (size_t i = 0; i < tube.size(); ++i)
    if (tube[i] != secondTube_[i] && differ++ == 0) first = i;
  EXPECT_EQ(differ, 0u) << "the tube shows the draw as it ended; first difference at row "
                        << first / static_cast<size_t>(Game.BallsPanelW) << ", column "
                        << first % static_cast<size_t>(Game.BallsPanelW);
  EXPECT_EQ(Recall.Position, 2);
  EXPECT_EQ(Recall.Total, 3);
  EXPECT_NE(std::strstr(Recall.Banner[0], "Draw 2 of 3"), nullptr) << Recall.Banner[0];
  EXPECT_NE(std::strstr(Recall.Banner[0], "2026-12-10 10:5"), nullptr) << Recall.Banner[0];

  struct Gesture {
    const char* name;
    void (*act)();
    int64_t drawId;
  } gestures[] = {
      {"Left: older", [] { Key(KeyLeft); }, 1},
      {"Left at the first stays", [] { Key(KeyLeft); }, 1},
      {"End: the last", [] { Key(KeyEnd); }, 3},
      {"Right at the last stays", [] { Key(KeyRight); }, 3},
      {"Home: the first", [] { Key(KeyHome); }, 1},
      {"Right: newer", [] { Key(KeyRight); }, 2},
      {"wheel down: older", [] { headless::QueueWheel(-1); }, 1},
      {"wheel up twice: newer twice", [] { headless::QueueWheel(2); }, 3},
      {"the older mark", [] { headless::QueueClick(Recall.OlderMark.x + 3, Recall.OlderMark.y + 3); }, 2},
      {"the newer mark", [] { headless::QueueClick(Recall.NewerMark.x + 3, Recall.NewerMark.y + 3); }, 3},
  };
  for (const Gesture& g : gestures) {
    g.act();
    ASSERT_TRUE(Run(5)) << g.name;
    EXPECT_EQ(Recall.Open, 1) << g.name;
    EXPECT_EQ(Recall.DrawId, g.drawId) << g.name;
  }
  const Rect& bar = Game.TabBarRect;
  headless::QueueClick(bar.x + 3 * (bar.w / TabCount) + 20, bar.y + 10);
  ASSERT_TRUE(Run(5));
  EXPECT_EQ(Recall.Tab, 3) << "a tab click selects recall's own tab";
  EXPECT_EQ(Recall.Open, 1);
  EXPECT_TRUE(LiveSnapshot::Take() == before) << "recall never writes the live state";

  Key(KeyH);
  ASSERT_TRUE(Run(5));
  EXPECT_EQ(Recall.Open, 0);
  EXPECT_TRUE(LiveSnapshot::Take() == before);
  EXPECT_EQ(headless::FrameDigest(), frameBefore) << "leaving shows the board exactly as it was";
}

// Each way out: H, the close mark and a click elsewhere only leave; Space leaves and then draws.
TEST_F(Recalling, EachWayOutLeavesAndOnlySpaceGoesOnToAct) {
  struct Way {
    const char* name;
    void (*act)();
    bool draws;
  } ways[] = {
      {"H", [] { Key(KeyH); }, false},
      {"the close mark", [] { headless::QueueClick(Recall.CloseMark.x + 3, Recall.CloseMark.y + 3); }, false},
      {"a click on the board", [] { headless::QueueClick(Game.BoardRect.x + 30, Game.BoardRect.y + 30); }, false},
      {"Space", [] { Key(KeySpace); }, true},
  };
  for (const Way& w : ways) {
    ASSERT_TRUE(EnterRecall(1)) << w.name;
    ASSERT_TRUE(Run(5)) << w.name;
    const LiveSnapshot before = LiveSnapshot::Take();
    w.act();
    ASSERT_TRUE(Run(5)) << w.name;
    EXPECT_EQ(Recall.Open, 0) << w.name;
    EXPECT_EQ(Game.Drawing, w.draws ? 1 : 0) << w.name;
    if (!w.draws) {
      EXPECT_TRUE(LiveSnapshot::Take() == before) << w.name << ": it only leaves";
    }
  }
}

// The recalled tab strip, board and tube are drawn once and then left on the screen while nothing
// they show changes: after a live draw has run its course underneath and the focus ring has come
// onto the tab strip and gone again, they are exactly what a fresh entry into recall draws.
TEST_F(Recalling, TheRecalledBoardStaysExactWhileTheLiveDrawGoesOn) {
  ASSERT_TRUE(EnterRecall(2));
  ASSERT_TRUE(Frame());
  ASSERT_EQ(Focus.Group, FocusControls) << "the focus stays on Draw, which recall leaves in view";
  Stroke(KeyTab);  // the ring on the tab strip
  ASSERT_EQ(Focus.Group, FocusTabs);
  const std::vector<Colour> withRing = RecalledRegions();
  Stroke(KeyTab);  // on to the banner
  ASSERT_EQ(Focus.Group, FocusBanner);
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  for (int guard = 0; guard < 4000 && (Game.Drawing == 1 || Game.BallAnimRunning == 1); ++guard)
    ASSERT_TRUE(Run(10, 10));
  ASSERT_EQ(Recall.Open, 1);
  const std::vector<Colour> kept = RecalledRegions();
  EXPECT_TRUE(kept != withRing) << "the ring left the tab strip";

  LeaveRecall();
  ASSERT_TRUE(Frame());
  ASSERT_TRUE(EnterRecall(2));
  Focus.Group = FocusBanner;
  Focus.Visible = 1;
  ASSERT_TRUE(Frame());
  const std::vector<Colour> fresh = RecalledRegions();
  ASSERT_EQ(kept.size(), fresh.size());
  size_t differ = 0;
  for (size_t i = 0; i < kept.size(); ++i) differ += kept[i] != fresh[i] ? 1 : 0;
  EXPECT_EQ(differ, 0u) << "pixels that a fresh recall draws otherwise";
}

}  // namespace
