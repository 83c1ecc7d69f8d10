// Input: the presses and releases of the mouse and keys in order, the press-and-hold gestures of
// the Draw button and the Space key, Escape, and the left- and right-click dispatch over the
// painted controls, tabs and board.
#include "app/input.h"

#include "app/history.h"
#include "app/focus.h"
#include "app/recall.h"
#include "persist/ledger.h"
#include "persist/save_file.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"
#include "state/game_state.h"
#include "state/timers.h"
#include "ui/ui.h"

namespace {

// One press-and-hold gesture, over the state fields that record it.
struct HoldFields {
  int64_t& down;      // flag: pressed
  int64_t& downTime;  // when the press began
  int64_t& fired;     // flag: this press has been held for HoldMs
};
enum class HoldEvent { None, Tap, Hold };

// Steps a gesture by whether it is pressed this frame: Tap at the release of a press that never
// fired, Hold once when its timer in the timer table falls due, None otherwise.
HoldEvent TrackHold(const HoldFields& g, bool pressed, int64_t now, TimerId hold) {
  if (!pressed) {
    const bool tap = g.down == 1 && g.fired == 0;
    g.down = 0;
    g.fired = 0;
    return tap ? HoldEvent::Tap : HoldEvent::None;
  }
  if (g.down == 0) {
    g.down = 1;
    g.downTime = now;
    g.fired = 0;
  }
  if (g.fired == 0 && TimerDue(hold, Game, now)) {
    g.fired = 1;
    return HoldEvent::Hold;
  }
  return HoldEvent::None;
}

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
// end of the press, a click unless the hold already fired. The hold fires only while auto-run is
// off; a press held through auto-run is a click at its release, which stops it.
void TrackDrawButton(bool held, int64_t now) {
  const HoldFields draw{Game.DrawButtonDown, Game.DrawButtonDownTime, Game.DrawHoldFired};
  switch (TrackHold(draw, held, now, TimerDrawHold)) {
    case HoldEvent::Tap:
      DrawOrStop(true);
      break;
    case HoldEvent::Hold:
      StartAutoRun();
      break;
    case HoldEvent::None:
      break;
  }
}

// Steps a value down on the left half of a control and up on the right half (the middle
// column counts as the right half), within lo..hi.
int64_t Step(const Rect& r, int64_t mx, int64_t value, int64_t lo, int64_t hi) {
  if (mx < r.x + r.w / 2) return value == lo ? value : value - 1;
  return value == hi ? value : value + 1;
}

// Acts on a Space tap (stop auto-run, or a draw) or on Space reaching its second (auto-run).
void ActOnSpace() {
  if (Game.SpaceAction == 1) {
    CloseOverlays();
    DrawOrStop(false);
  } else if (Game.SpaceAction == 2) {
    CloseOverlays();
    if (Game.AutoRun == 0) StartAutoRun();
  }
}

// One press or release, at the moment it is handled. Commands act on presses: a left press on
// the Draw button starts its press, elsewhere it clicks; a left release ends the Draw press (a
// click unless its hold fired), a Space release ends its tap or hold, a V press switches the
// high-visibility marks (kept in the ledger), an Escape release quits.
// False once the game has asked to quit, so that nothing after Escape acts.
bool DispatchEdge(const InputEdge& e, int64_t now) {
  if (HandleRecallEdge(e)) return true;
  if (HandleHistoryEdge(e)) return true;
  if (e.mouse && e.code == MouseLeft) {
    const bool inDraw = PointInRect(Game.DrawButtonRect, e.x, e.y) == 1;
    TrackDrawButton(e.down && inDraw, now);
    if (e.down && !inDraw) HandleLeftClick(e.x, e.y);
  } else if (e.mouse && e.code == MouseRight) {
    if (e.down) HandleRightClick(e.x, e.y);
  } else if (!e.mouse && e.code == KeySpace) {
    TrackSpaceHold(e.down ? 1 : 0, now);
    ActOnSpace();
  } else if (!e.mouse && e.code == KeyMarks && e.down) {
    Game.HighVisibilityMarks = 1 - Game.HighVisibilityMarks;
    LedgerSetSetting(MarksSettingKey, Game.HighVisibilityMarks);
  } else if (!e.mouse && e.code == KeyEscape && !e.down) {
    CompleteDrawNow(DrawEnded);
    SaveGame();
    Game.QuitRequested = 1;
  }
  return Game.QuitRequested != 1;
}

// One press or release as it came: a mouse click hides the focus ring, the focus keys act
// through the same dispatch as the mouse, everything else is dispatched as it is.
bool HandleEdge(const InputEdge& e, int64_t now) {
  if (e.mouse && e.down && (e.code == MouseLeft || e.code == MouseRight)) HideFocusRing();
  if (HandleFocusKey(e, now, DispatchEdge)) return Game.QuitRequested != 1;
  return DispatchEdge(e, now);
}

}  // namespace

// Handles every press and release since the last frame in the order they came, then steps the
// two holds by what is held now: a press on the Draw button ends when the pointer slides off it
// and begins when a held press slides onto it, and either hold fires once it has lasted HoldMs.
// A box opened by an edge drops the edges after it (the platform forgets them).
void HandleInput() {
  InputEdge edge;
  while (NextInputEdge(edge))
    if (!HandleEdge(edge, NowMs())) return;

  SampleMouse();
  const int64_t mx = PointerX(GameWindow);
  const int64_t my = PointerY(GameWindow);
  const int64_t left = MouseButtonHeld(MouseLeft) ? 1 : 0;
  const int64_t right = MouseButtonHeld(MouseRight) ? 1 : 0;
  FreePointer();
  TrackDrawButton(PointInRect(Game.DrawButtonRect, mx, my) == 1 && left == 1, NowMs());
  Game.PrevLeftButton = left;
  Game.PrevRightButton = right;

  SampleKeyboard();
  TrackSpaceHold(KeyHeld(KeySpace) ? 1 : 0, NowMs());
  ActOnSpace();
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
  const HoldFields space{Game.SpaceDown, Game.SpaceDownTime, Game.SpaceHoldFired};
  const HoldEvent event = TrackHold(space, down != 0, now, TimerSpaceHold);
  Game.SpaceAction = event == HoldEvent::Tap ? 1 : event == HoldEvent::Hold ? 2 : 0;
}

// The number under a point relative to the board's top-left corner, 0 outside the 10 x 8 grid:
// the cell drawn there.
int64_t CellAt(int64_t rx, int64_t ry, int64_t w, int64_t h) { return CellUnder(Rect{0, 0, w, h}, rx, ry); }

// The tab under a screen x: five equal widths, the remainder going to the last tab.
int64_t TabAt(int64_t x) {
  const int64_t tw = Game.TabBarRect.w / TabCount;
  if (tw <= 0) return 0;
  const int64_t t = (x - Game.TabBarRect.x) / tw;
  return t < 0 ? 0 : t > CardCount ? CardCount : t;
}
