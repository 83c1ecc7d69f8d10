// Hit-testing, the click dispatch tables, the Draw-button and Space gestures, and Escape.
#include "app/input.h"

#include <gtest/gtest.h>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "ui/ui.h"

namespace {

TEST(CellAt, ColumnsAndRowsSplitTheBoardIntoTenByEight) {
  struct Case {
    int64_t rx, ry, w, h, n;
  } cases[] = {
      {0, 0, 880, 640, 1},   {87, 0, 880, 640, 1},   {88, 0, 880, 640, 2},     {879, 0, 880, 640, 10},
      {880, 0, 880, 640, 0}, {0, 79, 880, 640, 1},   {0, 80, 880, 640, 11},    {879, 639, 880, 640, 80},
      {0, 640, 880, 640, 0}, {-100, 0, 880, 640, 0}, {0, -100, 880, 640, 0},   {877, 717, 878, 718, 80},
      {87, 89, 878, 718, 1}, {88, 90, 878, 718, 12}, {450, 300, 878, 718, 36}, {5, 5, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellAt(c.rx, c.ry, c.w, c.h), c.n) << c.rx << "," << c.ry << " on " << c.w << "x" << c.h;
  }
}

TEST(TabAt, FiveEqualTabsWithTheRemainderOnCard4) {
  Game = GameState{};
  Game.TabBarRect = {294, 120, 878, 52};  // tabs 175 wide, 3 pixels left over
  struct Case {
    int64_t x, tab;
  } cases[] = {{294, 0}, {468, 0}, {469, 1}, {643, 1}, {644, 2}, {994, 4}, {1168, 4}, {1171, 4}, {293, 0}};
  for (const Case& c : cases) EXPECT_EQ(TabAt(c.x), c.tab) << c.x;
}

TEST(TrackSpaceHold, TapAtReleaseAndHoldOnceWhileDown) {
  Game = GameState{};
  struct Step {
    int64_t down, now, action;
  } steps[] = {
      {0, 0, 0},                                   // idle
      {1, 100, 0},   {1, 600, 0},   {0, 700, 1},   // a tap reports at its release
      {0, 800, 0},                                 // only once
      {1, 1000, 0},  {1, 1999, 0},  {1, 2000, 2},  // held for a second
      {1, 2500, 0},  {1, 9000, 0},  {0, 9100, 0},  // reported once; the release says nothing
      {1, 10000, 0}, {0, 10000, 1},                // a press and release in one moment
  };
  for (const Step& s : steps) {
    TrackSpaceHold(s.down, s.now);
    EXPECT_EQ(Game.SpaceAction, s.action) << "down " << s.down << " at " << s.now;
  }
}

class InputTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    // Picks on Card 1 so a draw can start once the rules allow it.
    for (int64_t n = 1; n <= 5; ++n) Game.Cards[1].Picked[n] = 1;
    Game.Cards[1].PickCount = 5;
    RecountCardsPerNumber();
    headless::ClearBoxLog();
  }
  // Runs frames at most 100 ms apart for exactly ms milliseconds with the current input.
  void Hold(int64_t ms) {
    while (ms > 0) {
      const int64_t step = ms < 100 ? ms : 100;
      headless::AdvanceMs(step);
      ASSERT_TRUE(Frame());
      ms -= step;
    }
  }
  // The first frame of a press; Hold(ms) after it ends ms milliseconds into the press.
  void Press(int64_t x, int64_t y, int64_t button = MouseLeft) {
    headless::SetPointer(x, y);
    headless::SetButton(button, true);
    ASSERT_TRUE(Run(1, 1));
  }
  void PauseAutoRun() {
    Game.AutoPausePending = 1;
    Game.AutoPauseStart = NowMs();
  }
  static int64_t ToneSound() {
    auto it = Game.SoundEffects.find("1200_60");
    return it == Game.SoundEffects.end() ? -1 : it->second;
  }
  static int CountPlayed(int64_t sound) {
    int count = 0;
    for (int64_t s : headless::PlayedSounds()) count += s == sound ? 1 : 0;
    return count;
  }
  void Release(int64_t button = MouseLeft) {
    headless::SetButton(button, false);
    ASSERT_TRUE(Run(1, 1));
  }
  static int64_t DrawX() { return Cx(Game.DrawButtonRect); }
  static int64_t DrawY() { return Cy(Game.DrawButtonRect); }
};

TEST_F(InputTest, StepperHalvesWithTheMiddleColumnOnTheRight) {
  const Rect& speed = Game.SpeedButtonRect;  // 483 + 155 / 2 = 560 is the first right-half column
  const Rect& bet = Game.BetButtonRect;
  struct Case {
    const Rect* r;
    int64_t dx, before, after;
  } cases[] = {
      {&speed, 76, 3, 2}, {&speed, 77, 3, 4}, {&speed, 0, 1, 1}, {&speed, 154, 5, 5},
      {&bet, 76, 4, 3},   {&bet, 77, 4, 5},   {&bet, 0, 1, 1},   {&bet, 154, 10, 10},
  };
  for (const Case& c : cases) {
    int64_t& value = c.r == &speed ? Game.Speed : Game.BetSelection;
    value = c.before;
    HandleLeftClick(c.r->x + c.dx, c.r->y + 10);
    EXPECT_EQ(value, c.after) << (c.r == &speed ? "speed" : "bet") << " dx " << c.dx;
    if (c.r == &bet) {
      EXPECT_EQ(Game.BetPerCard, c.after);
    }
  }
  EXPECT_EQ(Game.SavePending, 0);
}

TEST_F(InputTest, LeftClickDispatch) {
  Game.AutoRun = 1;
  PauseAutoRun();
  Click(Cx(Game.AboutButtonRect), Cy(Game.AboutButtonRect));
  EXPECT_EQ(Game.AboutOpen, 1);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);

  // An open overlay swallows the next click wherever it lands.
  const int64_t sound = Game.SoundOn;
  Click(Cx(Game.SoundButtonRect), Cy(Game.SoundButtonRect));
  EXPECT_EQ(Game.AboutOpen, 0);
  EXPECT_EQ(Game.SoundOn, sound);
  Click(Cx(Game.SoundButtonRect), Cy(Game.SoundButtonRect));
  EXPECT_EQ(Game.SoundOn, 1 - sound);

  Game.AutoRun = 1;
  Click(Cx(Game.PayTableButtonRect), Cy(Game.PayTableButtonRect));
  EXPECT_EQ(Game.PayTableOpen, 1);
  EXPECT_EQ(Game.AutoRun, 0);
  Click(Cx(Game.TabBarRect), Cy(Game.TabBarRect));  // closes the overlay only
  EXPECT_EQ(Game.PayTableOpen, 0);
  EXPECT_EQ(Game.ActiveTab, 1);

  // Tabs: 294 + 175 k; the Main tab keeps the heat map, a card tab hides it.
  Game.HeatMapOn = 1;
  Click(300, 140);
  EXPECT_EQ(Game.ActiveTab, 0);
  EXPECT_EQ(Game.HeatMapOn, 1);
  Click(1170, 140);
  EXPECT_EQ(Game.ActiveTab, 4);
  EXPECT_EQ(Game.HeatMapOn, 0);

  // A held button clicks once.
  Game.SoundOn = 1;
  Press(Cx(Game.SoundButtonRect), Cy(Game.SoundButtonRect));
  Hold(50);
  Release();
  EXPECT_EQ(Game.SoundOn, 0);

  // Nothing happens off the controls: the stats panel, the balls tube, the pointer outside.
  const GameState before = Game;
  for (auto [x, y] : {std::pair<int64_t, int64_t>{100, 400}, {1200, 400}, {-1, -1}}) Click(x, y);
  EXPECT_EQ(Game.ActiveTab, before.ActiveTab);
  EXPECT_EQ(Game.SoundOn, before.SoundOn);
  EXPECT_EQ(Game.PayTableOpen + Game.AboutOpen, 0);
}

TEST_F(InputTest, RightClickDispatch) {
  // The pay schedule swaps at once, schedules a save and leaves auto-run running.
  Game.AutoRun = 1;
  Game.PayTableOpen = 1;
  Click(Cx(Game.PayTableButtonRect), Cy(Game.PayTableButtonRect), MouseRight);
  EXPECT_EQ(Game.PayMode, 1);
  EXPECT_EQ(Game.SavePending, 1);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.PayTableOpen, 1);

  // The Main board toggles the heat map, even under an overlay.
  SetActiveTab(0);
  Click(Cx(Game.BoardRect), Cy(Game.BoardRect), MouseRight);
  EXPECT_EQ(Game.HeatMapOn, 1);
  EXPECT_EQ(Game.PayTableOpen, 1);
  Click(Game.BoardRect.x, Game.BoardRect.y + Game.BoardRect.h - 1, MouseRight);
  EXPECT_EQ(Game.HeatMapOn, 0);

  // Random auto-pick closes the overlay and stops auto-run.
  PauseAutoRun();
  Click(Cx(Game.AutoPickButtonRect), Cy(Game.AutoPickButtonRect), MouseRight);
  EXPECT_EQ(Game.PayTableOpen, 0);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);

  // Card boards, the Main tab label and the other controls ignore a right click.
  SetActiveTab(2);
  Game.AutoRun = 1;
  for (const Rect* r : {&Game.BoardRect, &Game.DrawButtonRect, &Game.SoundButtonRect, &Game.AboutButtonRect}) {
    Click(Cx(*r), Cy(*r), MouseRight);
  }
  Click(300, 140, MouseRight);
  EXPECT_EQ(Game.HeatMapOn, 0);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.AboutOpen, 0);
  EXPECT_EQ(Game.ActiveTab, 2);
  EXPECT_EQ(Game.SoundOn, 1);
}

TEST_F(InputTest, LeftClickOnTheMainBoardChangesNothing) {
  SetActiveTab(0);
  const int64_t x = Game.BoardRect.x + 10, y = Game.BoardRect.y + 10;
  Click(x, y);
  EXPECT_EQ(Game.Cards[1].Picked[1], 1);
  EXPECT_EQ(Game.HeatMapOn, 0);
  EXPECT_EQ(Game.ActiveTab, 0);
}

TEST_F(InputTest, DrawButtonQuickClickClosesOverlaysAndStartsADraw) {
  Game.PayTableOpen = 1;
  Press(DrawX(), DrawY());
  EXPECT_EQ(Game.DrawButtonDown, 1);
  EXPECT_EQ(Game.PayTableOpen, 1);  // a press on Draw is not an overlay-closing click
  Hold(998);
  EXPECT_EQ(Game.DrawHoldFired, 0);
  EXPECT_EQ(Game.Drawing, 0);
  Release();  // 999 ms after the press
  EXPECT_EQ(Game.DrawButtonDown, 0);
  EXPECT_EQ(Game.PayTableOpen, 0);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.ActiveTab, 0);
  EXPECT_EQ(Game.Balance, 999);

  // While that draw is being revealed another click does nothing.
  Game.AboutOpen = 1;
  Click(DrawX(), DrawY());
  EXPECT_EQ(Game.Balance, 999);
  EXPECT_EQ(Game.AboutOpen, 1);
  EXPECT_EQ(Game.Drawing, 1);
}

TEST_F(InputTest, DrawButtonHoldStartsAutoRunAtOneSecondAndItsReleaseDoesNothing) {
  const int64_t tone = ToneSound();
  ASSERT_GT(tone, 0) << "the 1200_60 tone is not loaded";
  Press(DrawX(), DrawY());
  Hold(999);
  EXPECT_EQ(CountPlayed(tone), 0);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.Drawing, 0);
  Hold(1);  // 1000 ms
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.DrawHoldFired, 1);
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.Balance, 999);
  EXPECT_EQ(CountPlayed(tone), 1);
  Game.AboutOpen = 1;
  Hold(500);
  Release();
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.AboutOpen, 1);
  EXPECT_EQ(Game.DrawButtonDown, 0);
  EXPECT_EQ(Game.DrawHoldFired, 0);
  EXPECT_EQ(Game.Balance, 999);
}

TEST_F(InputTest, HoldToneOnlyWithSoundOn) {
  const int64_t tone = ToneSound();
  ASSERT_GT(tone, 0) << "the 1200_60 tone is not loaded";
  Game.SoundOn = 0;
  headless::SetKey(KeySpace, true);
  Hold(1);
  Hold(1000);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(CountPlayed(tone), 0);
}

TEST_F(InputTest, DrawButtonHeldDuringAutoRunStopsItOnRelease) {
  Game.AutoRun = 1;
  PauseAutoRun();
  Press(DrawX(), DrawY());
  Hold(1200);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.DrawHoldFired, 0);
  EXPECT_EQ(Game.AutoPausePending, 1);
  Release();
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.AutoPausePending, 0);
  EXPECT_EQ(Game.Drawing, 0);
}

TEST_F(InputTest, SlidingOffTheDrawButtonEndsThePressAndSlidingOnStartsOne) {
  Press(DrawX(), DrawY());
  Hold(300);
  headless::SetPointer(Cx(Game.SoundButtonRect), Cy(Game.SoundButtonRect));  // still held
  Hold(1);
  EXPECT_EQ(Game.DrawButtonDown, 0);
  EXPECT_EQ(Game.Drawing, 1);  // ended like a release: a click, which starts a draw
  const int64_t sound = Game.SoundOn;
  Hold(2000);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.SoundOn, sound);  // no press edge on the control it slid onto
  Release();

  // A press that starts elsewhere becomes a Draw press when it slides onto the button.
  Press(100, 400);
  headless::SetPointer(DrawX(), DrawY());
  Hold(1);
  EXPECT_EQ(Game.DrawButtonDown, 1);
  Hold(999);
  EXPECT_EQ(Game.AutoRun, 0);
  Hold(1);
  EXPECT_EQ(Game.AutoRun, 1);
  Release();
  EXPECT_EQ(Game.AutoRun, 1);
}

TEST_F(InputTest, SpaceTapDrawsOrStopsAndHoldStartsAutoRun) {
  Game.AboutOpen = 1;
  TapKey(KeySpace);
  EXPECT_EQ(Game.AboutOpen, 0);
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.Balance, 999);

  // A tap stops auto-run and closes the overlays.
  Game.AutoRun = 1;
  Game.PayTableOpen = 1;
  TapKey(KeySpace);
  EXPECT_EQ(Game.AutoRun, 0);
  EXPECT_EQ(Game.PayTableOpen, 0);
  ASSERT_TRUE(Run(15000, 600));  // let the draw finish
  ASSERT_EQ(Game.Drawing, 0);

  // Holding for a second starts auto-run while the key is still down; the release adds nothing.
  const int64_t balance = Game.Balance;
  headless::SetKey(KeySpace, true);
  Hold(1);  // the press
  Hold(999);
  EXPECT_EQ(Game.AutoRun, 0);
  Game.PayTableOpen = 1;
  Hold(1);
  EXPECT_EQ(Game.AutoRun, 1);
  EXPECT_EQ(Game.PayTableOpen, 0);
  EXPECT_EQ(Game.Drawing, 1);
  EXPECT_EQ(Game.Balance, balance - 1);
  headless::SetKey(KeySpace, false);
  Hold(5);
  EXPECT_EQ(Game.AutoRun, 1);

  // Holding while auto-run is on leaves it on.
  headless::SetKey(KeySpace, true);
  Hold(1500);
  headless::SetKey(KeySpace, false);
  Hold(5);
  EXPECT_EQ(Game.AutoRun, 1);
}

TEST_F(InputTest, ClicksReachTheCardRules) {
  // A cell of a card tab toggles that card's pick.
  SetActiveTab(2);
  const Rect& b = Game.BoardRect;
  Click(b.x + 87, b.y + 10);  // first column, number 1
  EXPECT_EQ(Game.Cards[2].Picked[1], 1);
  Click(b.x + 88, b.y + 10);  // second column, number 2
  EXPECT_EQ(Game.Cards[2].Picked[2], 1);
  Click(b.x + 87, b.y + 10);
  EXPECT_EQ(Game.Cards[2].Picked[1], 0);
  EXPECT_EQ(Game.CardsPerNumber[1], 1);  // still on Card 1
  EXPECT_EQ(Game.CardsPerNumber[2], 2);

  // Auto-Pick fills the selected card.
  Click(294 + 3 * 175 + 10, 140);
  ASSERT_EQ(Game.ActiveTab, 3);
  Click(Cx(Game.AutoPickButtonRect), Cy(Game.AutoPickButtonRect));
  EXPECT_GT(Game.Cards[3].PickCount, 0);

  // With an overlay open, New Game first only closes it; the second click asks.
  Game.PayTableOpen = 1;
  headless::ClearBoxLog();
  Click(Cx(Game.NewGameButtonRect), Cy(Game.NewGameButtonRect));
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(Game.PayTableOpen, 0);
  headless::QueueAnswer(BoxResult::Cancel);
  Click(Cx(Game.NewGameButtonRect), Cy(Game.NewGameButtonRect));
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].title, "New Game");

  // A right click on a card's tab offers to copy it; on the Main tab it does nothing.
  headless::ClearBoxLog();
  Click(300, 140, MouseRight);
  EXPECT_TRUE(headless::BoxLog().empty());
  headless::QueueInput("");
  Click(294 + 175 + 10, 140, MouseRight);
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_TRUE(headless::BoxLog()[0].inputBox);
  EXPECT_EQ(headless::BoxLog()[0].title, "Copy Card 1");
}

TEST_F(InputTest, EscapeSavesAndQuitsOnRelease) {
  const std::string save = headless::TempDir() + "keno_save.dat";
  RemoveFile(save);
  headless::SetKey(KeyEscape, true);
  Hold(200);
  EXPECT_EQ(Game.QuitRequested, 0);
  EXPECT_EQ(FileSizeOf(save), -1);
  headless::SetKey(KeyEscape, false);
  EXPECT_TRUE(Frame());
  EXPECT_EQ(Game.QuitRequested, 1);
  EXPECT_EQ(FileSizeOf(save), 372);
  EXPECT_FALSE(Frame());
}

}  // namespace
