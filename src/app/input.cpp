// Input: mouse edges, the press-and-hold gestures of the Draw button and the Space key, Escape,
// and the left- and right-click dispatch over the painted controls, tabs and board.
#include "app/input.h"

#include "app/game_state.h"
#include "persist/save_file.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"

namespace {

constexpr int64_t HoldMs = 1000;

// Auto-run starts: the confirming tone, and a draw unless one is being revealed.
void StartAutoRun() {
  Game.AutoRun = 1;
  if (Game.SoundOn == 1) PlayTone(1200, 60);
  if (Game.Drawing == 0) StartDraw();
}

// A Draw-button click or a Space tap: stops auto-run, or starts a draw when none is running.
void DrawOrStop(bool closeOverlays) {
  if (Game.AutoRun == 1) {
    StopAutoRun();
  } else if (Game.Drawing == 0) {
    if (closeOverlays) CloseOverlays();
    StartDraw();
  }
}

// The Draw button counts while the left button is held on it; leaving it or releasing is the
// end of the press, a click unless the hold already fired.
void TrackDrawButton(bool held, int64_t now) {
  if (held) {
    if (Game.DrawButtonDown == 0) {
      Game.DrawButtonDown = 1;
      Game.DrawButtonDownTime = now;
      Game.DrawHoldFired = 0;
    }
    if (Game.AutoRun == 0 && now - Game.DrawButtonDownTime >= HoldMs && Game.DrawHoldFired == 0) {
      Game.DrawHoldFired = 1;
      StartAutoRun();
    }
  } else if (Game.DrawButtonDown == 1) {
    Game.DrawButtonDown = 0;
    if (Game.DrawHoldFired == 0) DrawOrStop(true);
    Game.DrawHoldFired = 0;
  }
}

// Steps a value down on the left half of a control and up on the right half (the middle
// column counts as the right half), within lo..hi.
int64_t Step(const Rect& r, int64_t mx, int64_t value, int64_t lo, int64_t hi) {
  if (mx < r.x + r.w / 2) return value == lo ? value : value - 1;
  return value == hi ? value : value + 1;
}

}  // namespace

// Samples the mouse and keyboard once per frame and turns them into game commands.
void HandleInput() {
  SampleMouse();
  const int64_t mx = PointerX(GameWindow);
  const int64_t my = PointerY(GameWindow);
  const int64_t left = MouseButtonHeld(MouseLeft) ? 1 : 0;
  const int64_t right = MouseButtonHeld(MouseRight) ? 1 : 0;
  FreePointer();

  const bool inDraw = PointInRect(Game.DrawButtonRect, mx, my) == 1;
  TrackDrawButton(inDraw && left == 1, NowMs());
  if (left == 1 && Game.PrevLeftButton == 0 && !inDraw) HandleLeftClick(mx, my);
  if (right == 1 && Game.PrevRightButton == 0) HandleRightClick(mx, my);
  Game.PrevLeftButton = left;
  Game.PrevRightButton = right;

  SampleKeyboard();
  TrackSpaceHold(KeyHeld(KeySpace) ? 1 : 0, NowMs());
  if (Game.SpaceAction == 1) {
    CloseOverlays();
    DrawOrStop(false);
  } else if (Game.SpaceAction == 2) {
    CloseOverlays();
    if (Game.AutoRun == 0) StartAutoRun();
  }

  if (KeyReleased(KeyEscape)) {
    SaveGame();
    Game.QuitRequested = 1;
  }
}

// A left-button press edge outside the Draw button; an open overlay takes the click to close.
void HandleLeftClick(int64_t mx, int64_t my) {
  if (Game.PayTableOpen == 1 || Game.AboutOpen == 1) {
    CloseOverlays();
  } else if (PointInRect(Game.NewGameButtonRect, mx, my)) {
    NewGamePrompt();
  } else if (PointInRect(Game.PayTableButtonRect, mx, my)) {
    StopAutoRun();
    Game.PayTableOpen = 1;
  } else if (PointInRect(Game.SpeedButtonRect, mx, my)) {
    Game.Speed = Step(Game.SpeedButtonRect, mx, Game.Speed, 1, SpeedCount);
  } else if (PointInRect(Game.BetButtonRect, mx, my)) {
    Game.BetSelection = Step(Game.BetButtonRect, mx, Game.BetSelection, 1, 10);
    Game.BetPerCard = Game.BetSelection;
  } else if (PointInRect(Game.SoundButtonRect, mx, my)) {
    Game.SoundOn = 1 - Game.SoundOn;
  } else if (PointInRect(Game.AutoPickButtonRect, mx, my)) {
    StopAutoRun();
    AutoPickHot();
  } else if (PointInRect(Game.AboutButtonRect, mx, my)) {
    StopAutoRun();
    Game.AboutOpen = 1;
  } else if (PointInRect(Game.TabBarRect, mx, my)) {
    SetActiveTab(TabAt(mx));
  } else if (Game.ActiveTab >= 1 && Game.ActiveTab <= CardCount && PointInRect(Game.BoardRect, mx, my)) {
    const Rect& b = Game.BoardRect;
    const int64_t n = CellAt(mx - b.x, my - b.y, b.w, b.h);
    if (n > 0) TogglePick(Game.ActiveTab, n);
  }
}

// A right-button press edge: pay schedule swap, random auto-pick, heat map, copy card.
void HandleRightClick(int64_t mx, int64_t my) {
  if (PointInRect(Game.PayTableButtonRect, mx, my)) {
    SwapPayMode();
  } else if (PointInRect(Game.AutoPickButtonRect, mx, my)) {
    CloseOverlays();
    StopAutoRun();
    AutoPickRandom();
  } else if (Game.ActiveTab == 0 && PointInRect(Game.BoardRect, mx, my)) {
    Game.HeatMapOn = 1 - Game.HeatMapOn;
  } else if (PointInRect(Game.TabBarRect, mx, my)) {
    const int64_t t = TabAt(mx);
    if (t >= 1 && t <= CardCount) CopyCard(t);
  }
}

// Sets SpaceAction for this frame: 1 for a tap (at its release), 2 once when the key has been
// held for a second, 0 otherwise.
void TrackSpaceHold(int64_t down, int64_t now) {
  Game.SpaceAction = 0;
  if (down == 0) {
    if (Game.SpaceDown == 1 && Game.SpaceHoldFired == 0) Game.SpaceAction = 1;
    Game.SpaceDown = 0;
    Game.SpaceHoldFired = 0;
  } else if (Game.SpaceDown == 0) {
    Game.SpaceDown = 1;
    Game.SpaceDownTime = now;
    Game.SpaceHoldFired = 0;
  } else if (Game.SpaceHoldFired == 0 && now - Game.SpaceDownTime >= HoldMs) {
    Game.SpaceHoldFired = 1;
    Game.SpaceAction = 2;
  }
}

// The number under a point relative to the board's top-left corner, 0 outside the 10 x 8 grid.
int64_t CellAt(int64_t rx, int64_t ry, int64_t w, int64_t h) {
  const float cw = static_cast<float>(w) / 10.0f;
  const float ch = static_cast<float>(h) / 8.0f;
  if (w <= 0 || h <= 0) return 0;
  const int64_t col = static_cast<int64_t>(static_cast<double>(rx) / static_cast<double>(cw));
  const int64_t row = static_cast<int64_t>(static_cast<double>(ry) / static_cast<double>(ch));
  if (col < 0 || col >= 10 || row < 0 || row >= 8) return 0;
  return row * 10 + col + 1;
}

// The tab under a screen x: five equal widths, the remainder going to the last tab.
int64_t TabAt(int64_t x) {
  const int64_t tw = Game.TabBarRect.w / TabCount;
  if (tw <= 0) return 0;
  const int64_t t = (x - Game.TabBarRect.x) / tw;
  return t < 0 ? 0 : t > CardCount ? CardCount : t;
}
