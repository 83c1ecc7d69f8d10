// Playing by keyboard: the focus moving between and inside its groups by the key table, the
// direct keys, the ring showing only after a focus key and until the next mouse click, recall's
// banner as a group of its own, and the key clicks doing exactly what the mouse clicks do.
#include "app/focus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/history.h"
#include "app/recall.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/focus_state.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/accessible.h"
#include "ui/ui.h"

namespace {

// One key press (with Shift or not) and its release, one frame each.
struct Stroke {
  int64_t key;
  bool shift = false;
};

void Press(const Stroke& s) {
  headless::SetKey(s.key, true, s.shift);
  RunFrame();
  headless::SetKey(s.key, false, s.shift);
  RunFrame();
}

void PressAll(const std::vector<Stroke>& keys) {
  for (const Stroke& s : keys) Press(s);
}

using Bytes = std::vector<char>;

Bytes SaveBytes() {
  std::ifstream in(headless::TempDir() + "keno_save.dat", std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const Stroke Tab{KeyTab}, BackTab{KeyTab, true}, Left{KeyLeft}, Right{KeyRight}, Up{KeyUp}, Down{KeyDown},
    Home{KeyHome}, End{KeyEnd}, Enter{KeyEnter}, ShiftF10{KeyF10, true}, Menu{KeyMenu};

class Focusing : public GameFixture {};

TEST_F(Focusing, StartsOnTheDrawButtonWithTheRingHidden) {
  EXPECT_EQ(Focus.Group, FocusControls);
  EXPECT_EQ(Focus.Control, 0);
  EXPECT_EQ(Focus.Visible, 0);
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstControl);
}

TEST_F(Focusing, KeysMoveTheFocusByTheTable) {
  struct Row {
    const char* name;
    std::vector<Stroke> keys;
    int64_t group, control, tab, cell;
  } rows[] = {
      {"Tab: the tab strip", {Tab}, FocusTabs, 0, 0, 1},
      {"Tab twice: the board", {Tab, Tab}, FocusBoard, 0, 0, 1},
      {"Tab three times: back to the controls", {Tab, Tab, Tab}, FocusControls, 0, 0, 1},
      {"Shift+Tab: the board", {BackTab}, FocusBoard, 0, 0, 1},
      {"Shift+Tab twice: the tab strip", {BackTab, BackTab}, FocusTabs, 0, 0, 1},
      {"Tab then Shift+Tab: back", {Tab, BackTab}, FocusControls, 0, 0, 1},
      {"controls: Right twice", {Right, Right}, FocusControls, 2, 0, 1},
      {"controls: Left stops at Draw", {Left}, FocusControls, 0, 0, 1},
      {"controls: End is About", {End}, FocusControls, 7, 0, 1},
      {"controls: Right stops at About", {End, Right}, FocusControls, 7, 0, 1},
      {"controls: End, Left to Sound", {End, Left, Left}, FocusControls, 5, 0, 1},
      {"controls: Home", {End, Home}, FocusControls, 0, 0, 1},
      {"controls: Up and Down do nothing", {Right, Up, Down}, FocusControls, 1, 0, 1},
      {"tabs: Right", {Tab, Right}, FocusTabs, 0, 1, 1},
      {"tabs: Left stops at Main", {Tab, Left}, FocusTabs, 0, 0, 1},
      {"tabs: End", {Tab, End}, FocusTabs, 0, 4, 1},
      {"tabs: Right stops at Card 4", {Tab, End, Right}, FocusTabs, 0, 4, 1},
      {"tabs: Home", {Tab, End, Home}, FocusTabs, 0, 0, 1},
      {"board: Right", {Tab, Tab, Right}, FocusBoard, 0, 0, 2},
      {"board: Left stops at the edge", {Tab, Tab, Left}, FocusBoard, 0, 0, 1},
      {"board: Up stops at the edge", {Tab, Tab, Up}, FocusBoard, 0, 0, 1},
      {"board: Down a row", {Tab, Tab, Down}, FocusBoard, 0, 0, 11},
      {"board: End of the row", {Tab, Tab, Down, End}, FocusBoard, 0, 0, 20},
      {"board: Right stops at the row's end", {Tab, Tab, End, Right}, FocusBoard, 0, 0, 10},
      {"board: Home of the row", {Tab, Tab, Down, End, Home}, FocusBoard, 0, 0, 11},
      {"board: Down stops at the last row",
       {Tab, Tab, Down, Down, Down, Down, Down, Down, Down, Down, Down},
       FocusBoard,
       0,
       0,
       71},
      {"board: Right at the row's end does not wrap", {Tab, Tab, Down, End, Right}, FocusBoard, 0, 0, 20},
      {"each group keeps its place", {Right, Tab, End, Tab, Down, Tab}, FocusControls, 1, 4, 11},
  };
  for (const Row& r : rows) {
    ResetFocus();
    PressAll(r.keys);
    EXPECT_EQ(Focus.Group, r.group) << r.name;
    EXPECT_EQ(Focus.Control, r.control) << r.name;
    EXPECT_EQ(Focus.Tab, r.tab) << r.name;
    EXPECT_EQ(Focus.Cell, r.cell) << r.name;
    EXPECT_EQ(Focus.Visible, 1) << r.name;
    EXPECT_EQ(headless::AccessibleFocus(), FocusedAccessibleIndex()) << r.name;
  }
}

TEST_F(Focusing, TheAccessibleFocusFollowsTheKeys) {
  PressAll({Tab, Tab, Down, Right});
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstCell + 12 - 1);
  PressAll({BackTab, End});
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstTab + 4);
  PressAll({BackTab, Right});
  EXPECT_EQ(headless::AccessibleFocus(), AccessibleFirstControl + 1);
}

TEST_F(Focusing, LeftAndRightStepSpeedAndBet) {
  Game.SoundOn = 0;
  const int64_t speed = Game.Speed, bet = Game.BetSelection;
  PressAll({Right, Right, Right});  // Speed
  ASSERT_EQ(Focus.Control, FocusSpeedControl);
  Press(Left);
  EXPECT_EQ(Game.Speed, speed - 1);
  PressAll({Right, Right});
  EXPECT_EQ(Game.Speed, speed + 1);
  EXPECT_EQ(Focus.Control, FocusSpeedControl);
  PressAll({End, Left, Left, Left});  // About, Auto-Pick, Sound, Bet
  ASSERT_EQ(Focus.Control, FocusBetControl);
  PressAll({Right, Right});
  EXPECT_EQ(Game.BetSelection, bet + 2);
  EXPECT_EQ(Game.BetPerCard, bet + 2);
  Press(Left);
  EXPECT_EQ(Game.BetSelection, bet + 1);
  Press(Enter);  // a stepper has no click of its own
  EXPECT_EQ(Game.BetSelection, bet + 1);
  EXPECT_EQ(Game.Speed, speed + 1);
}

TEST_F(Focusing, DirectKeys) {
  struct Row {
    int64_t key;
    int64_t tab;
  } rows[] = {{KeyDigit0 + 2, 2}, {KeyDigit0, 0}, {KeyDigit0 + 4, 4}, {KeyDigit0 + 1, 1}, {KeyDigit0 + 3, 3}};
  for (const Row& r : rows) {
    Press({r.key});
    EXPECT_EQ(Game.ActiveTab, r.tab) << r.key;
  }
  const int64_t sound = Game.SoundOn;
  Press({KeySound});
  EXPECT_EQ(Game.SoundOn, 1 - sound);
  Press({KeySound});
  EXPECT_EQ(Game.SoundOn, sound);
  EXPECT_EQ(headless::KeyboardShortcutsShown(), 0);
  Press({KeyHelp});
  EXPECT_EQ(headless::KeyboardShortcutsShown(), 1);
  // Direct keys leave the focus where it was, the ring hidden.
  EXPECT_EQ(Focus.Visible, 0);
  EXPECT_EQ(Focus.Group, FocusControls);
}

TEST_F(Focusing, TheRingShowsAfterAFocusKeyUntilAMouseClick) {
  Press({KeySpace});
  EXPECT_EQ(Focus.Visible, 0);
  Press(Tab);
  EXPECT_EQ(Focus.Visible, 1);
  Click(Game.StatsPanelX + 5, Game.StatsPanelY + 5);
  EXPECT_EQ(Focus.Visible, 0);
  EXPECT_EQ(Focus.Group, FocusTabs);  // the focus stays where it was
  Press(Right);
  EXPECT_EQ(Focus.Visible, 1);
}

TEST_F(Focusing, TheRingIsDrawnOnTheFocusedCellOnly) {
  SetActiveTab(1);
  ASSERT_TRUE(Frame());
  const Rect cell = CellRect(Game.BoardRect, 12);
  const Colour before = headless::PixelAt(cell.x + cell.w / 2, cell.y + 1);
  const Colour edgeBefore = headless::PixelAt(cell.x, cell.y + cell.h / 2);
  PressAll({Tab, Tab, Down, Right});
  ASSERT_EQ(Focus.Cell, 12);
  EXPECT_EQ(headless::PixelAt(cell.x, cell.y + cell.h / 2), RGB(0, 0, 0));
  EXPECT_EQ(headless::PixelAt(cell.x + 1, cell.y + cell.h / 2), RGB(255, 255, 255));
  EXPECT_EQ(headless::PixelAt(cell.x + 2, cell.y + cell.h / 2), RGB(255, 255, 255));
  EXPECT_NE(headless::PixelAt(cell.x + cell.w / 2, cell.y + 1), before);
  Click(Game.StatsPanelX + 5, Game.StatsPanelY + 5);
  EXPECT_EQ(headless::PixelAt(cell.x, cell.y + cell.h / 2), edgeBefore);
}

// What a key click did, as the game and its save show it.
struct Outcome {
  int64_t balance, drawing, activeTab, heatMap, payMode, autoRun, payTableOpen, aboutOpen;
  int64_t picks[CardCount + 1];
  Bytes save;
  bool operator==(const Outcome&) const = default;
};

Outcome Take() {
  Outcome o{Game.Balance,
            Game.Drawing,
            Game.ActiveTab,
            Game.HeatMapOn,
            Game.PayMode,
            Game.AutoRun,
            Game.PayTableOpen,
            Game.AboutOpen,
            {},
            {}};
  for (int64_t c = 1; c <= CardCount; ++c) o.picks[c] = Game.Cards[c].PickCount;
  Shutdown();
  o.save = SaveBytes();
  return o;
}

TEST(FocusClicks, EnterAndShiftF10GiveWhatTheMouseGives) {
  struct Row {
    const char* name;
    int tab;  // the tab shown first
    std::vector<Stroke> keys;
    Rect (*where)();
    int64_t button;
  } rows[] = {
      {"Enter on a cell of Card 1",
       1,
       {Tab, Tab, Down, Right, Enter},
       [] { return CellRect(Game.BoardRect, 12); },
       MouseLeft},
      {"Enter on Draw", 1, {Enter}, [] { return Game.DrawButtonRect; }, MouseLeft},
      {"Enter on the Payout Table", 1, {Right, Right, Enter}, [] { return Game.PayTableButtonRect; }, MouseLeft},
      {"Enter on Auto-Pick", 2, {End, Left, Enter}, [] { return Game.AutoPickButtonRect; }, MouseLeft},
      {"Enter on a tab",
       1,
       {Tab, End, Enter},
       [] {
         const int64_t tw = Game.TabBarRect.w / TabCount;
         return Rect{Game.TabBarRect.x + 4 * tw, Game.TabBarRect.y, Game.TabBarRect.w - 4 * tw, Game.TabBarRect.h};
       },
       MouseLeft},
      {"Shift+F10 on the Payout Table",
       1,
       {Right, Right, ShiftF10},
       [] { return Game.PayTableButtonRect; },
       MouseRight},
      {"Menu on the Main board", 0, {Tab, Tab, Menu}, [] { return CellRect(Game.BoardRect, 1); }, MouseRight},
      {"Shift+F10 on the Card 3 tab",
       1,
       {Tab, Right, Right, Right, ShiftF10},
       [] {
         const int64_t tw = Game.TabBarRect.w / TabCount;
         return Rect{Game.TabBarRect.x + 3 * tw, Game.TabBarRect.y, tw, Game.TabBarRect.h};
       },
       MouseRight},
      {"Shift+F10 on Auto-Pick", 2, {End, Left, ShiftF10}, [] { return Game.AutoPickButtonRect; }, MouseRight},
  };
  for (const Row& r : rows) {
    // The same game twice: once by the keys, once by the mouse.
    Outcome got, want;
    for (int way = 0; way < 2; ++way) {
      headless::Reset(7);
      ASSERT_TRUE(StartUp()) << r.name;
      Game.SoundOn = 0;
      rules_test::Pick(1, {5, 6, 7});
      SetActiveTab(r.tab);
      ASSERT_TRUE(RunFrame());
      if (way == 0) {
        PressAll(r.keys);
        got = Take();
      } else {
        const Rect at = r.where();
        headless::SetPointer(at.x + at.w / 2, at.y + at.h / 2);
        headless::SetButton(r.button, true);
        RunFrame();
        headless::SetButton(r.button, false);
        RunFrame();
        want = Take();
      }
    }
    EXPECT_TRUE(got == want) << r.name;
    EXPECT_FALSE(got.save.empty()) << r.name;
  }
}

// Recall: its banner is a group of its own and the board, which shows the past draw, is left out.
class FocusInRecall : public rules_test::RulesGame {
 protected:
  void SetUp() override {
    RulesGame::SetUp();
    rules_test::Pick(1, {1, 2, 3, 4});
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PlayDraw({1, 9, 17}));
    ASSERT_TRUE(Run(3000));
  }
};

TEST_F(FocusInRecall, TheBannerIsAGroupAndKeepsRecallsKeys) {
  PressAll({Tab, Tab});  // the board
  ASSERT_EQ(Focus.Group, FocusBoard);
  ASSERT_TRUE(EnterRecall(2));
  ASSERT_EQ(FocusMode(), KeyMode::Recall);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Focus.Group, FocusBanner);  // the board is covered
  const int64_t at = Recall.Position;
  Press(Left);
  EXPECT_EQ(Recall.Position, at - 1);
  Press(End);
  EXPECT_EQ(Recall.Position, Recall.Total);
  struct Row {
    Stroke key;
    int64_t group;
  } order[] = {{Tab, FocusControls}, {Tab, FocusTabs},         {Tab, FocusBanner},
               {BackTab, FocusTabs}, {BackTab, FocusControls}, {BackTab, FocusBanner}};
  for (const Row& r : order) {
    Press(r.key);
    EXPECT_EQ(Focus.Group, r.group);
  }
  EXPECT_EQ(Recall.Open, 1);
  // In recall the arrows and Home/End step through the draws wherever the focus is; the digit
  // keys show a card of the past draw, and Enter on a focused tab shows that tab.
  PressAll({BackTab, Right});
  EXPECT_EQ(Focus.Group, FocusTabs);
  EXPECT_EQ(Recall.Position, Recall.Total) << "Right at the last draw stays";
  Press(Stroke{KeyDigit0 + CardCount});
  EXPECT_EQ(Recall.Open, 1);
  EXPECT_EQ(Recall.Tab, CardCount);
  Press(Enter);
  EXPECT_EQ(Recall.Tab, Focus.Tab);
  LeaveRecall();
  ASSERT_TRUE(Frame());
  EXPECT_EQ(FocusMode(), KeyMode::Live);
}

}  // namespace

// The History overlay is a group of its own: the arrows and Enter work its list, the focus under
// it stays where it was, and no ring shows through it.
TEST_F(FocusInRecall, TheHistoryOverlayTakesItsKeysAndHidesTheRing) {
  History = HistoryState{};
  PressAll({Tab, Tab});  // the board
  ASSERT_EQ(Focus.Group, FocusBoard);
  const int64_t cell = Focus.Cell;
  const Rect ring = CellRect(Game.BoardRect, cell);
  Press(Stroke{KeyH});
  ASSERT_EQ(History.Open, 1);
  EXPECT_NE(headless::PixelAt(ring.x + 1, ring.y + ring.h / 2), RGB(255, 255, 255)) << "no ring over the overlay";
  Press(Down);
  EXPECT_EQ(History.Selected, 1) << "Down moves the list's selection";
  Press(Tab);
  EXPECT_EQ(Focus.Group, FocusBoard);
  EXPECT_EQ(Focus.Cell, cell);
  EXPECT_EQ(History.Open, 1);
  Press(Enter);
  EXPECT_EQ(History.Open, 0);
  EXPECT_EQ(Recall.Open, 1) << "Enter recalls the selected draw";
  LeaveRecall();
  History = HistoryState{};
}

// A look at the history and a recall leave the live focus where it was: on a board cell through
// H, Enter and H; on a control the banner covers, the focus in recall rests on Draw, the one
// control the banner leaves in view, and comes back to the control afterwards.
TEST_F(FocusInRecall, TheLiveFocusComesBackAfterHistoryAndRecall) {
  History = HistoryState{};
  PressAll({Tab, Tab, Right, Right, Down});  // the board, away from its first cell
  ASSERT_EQ(Focus.Group, FocusBoard);
  const int64_t cell = Focus.Cell;
  PressAll({Stroke{KeyH}, Enter});
  ASSERT_EQ(Recall.Open, 1);
  EXPECT_EQ(Focus.Group, FocusBanner);
  Press(Stroke{KeyH});
  ASSERT_EQ(Recall.Open, 0);
  EXPECT_EQ(Focus.Group, FocusBoard);
  EXPECT_EQ(Focus.Cell, cell);

  PressAll({Tab, Home, Right, Right, Right});  // Speed
  ASSERT_EQ(Focus.Control, FocusSpeedControl);
  ASSERT_TRUE(EnterRecall(2));
  PressAll({Tab, Tab, Tab});  // round to the controls
  EXPECT_EQ(Focus.Group, FocusControls);
  EXPECT_EQ(Focus.Control, 0) << "the banner covers Speed";
  const Rect speed = Game.SpeedButtonRect;
  EXPECT_NE(headless::PixelAt(speed.x + 1, speed.y + speed.h / 2), RGB(255, 255, 255)) << "no ring over the banner";
  LeaveRecall();
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Focus.Group, FocusControls);
  EXPECT_EQ(Focus.Control, FocusSpeedControl);
  History = HistoryState{};
}
