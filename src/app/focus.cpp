// Playing by keyboard: Tab moves between the groups of the current mode; inside a group the key
// table below decides; a key's click is a press and release at the item's centre (or a stepper's
// half) entered into the game's ordered input, so that it acts exactly as the mouse would.
#include "app/focus.h"

#include "app/recall.h"
#include "platform/platform.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/accessible.h"
#include "ui/ui.h"

namespace {

using Dispatch = bool (*)(const InputEdge&, int64_t);

constexpr int64_t BoardColumns = 10, BoardRows = 8;  // the board's grid of numbers

// The groups of each mode in Tab order; a group covered by the mode is left out.
constexpr int64_t LiveGroups[] = {FocusControls, FocusTabs, FocusBoard};
constexpr int64_t RecallGroups[] = {FocusBanner, FocusControls, FocusTabs};
constexpr int64_t GroupsPerMode = 3;

const int64_t* GroupsOf(KeyMode mode) { return mode == KeyMode::Recall ? RecallGroups : LiveGroups; }

// The place of the focused group in the mode's Tab order; -1 when the mode covers it.
int64_t GroupPlace(KeyMode mode) {
  const int64_t* groups = GroupsOf(mode);
  for (int64_t i = 0; i < GroupsPerMode; ++i)
    if (groups[i] == Focus.Group) return i;
  return -1;
}

// Keeps the focus on what the mode shows. Leaving the live game keeps its focus aside and coming
// back to it puts it back, so that a look at the history or a recall does not move it. A group
// the mode covers gives the focus to the mode's first group; in recall the banner covers every
// control but Draw.
void FollowMode(KeyMode mode) {
  const int64_t m = static_cast<int64_t>(mode);
  if (m != Focus.Mode) {
    if (Focus.Mode == static_cast<int64_t>(KeyMode::Live)) {
      Focus.LiveGroup = Focus.Group;
      Focus.LiveControl = Focus.Control;
    } else if (mode == KeyMode::Live) {
      Focus.Group = Focus.LiveGroup;
      Focus.Control = Focus.LiveControl;
    }
    Focus.Mode = m;
  }
  if (GroupPlace(mode) < 0) Focus.Group = GroupsOf(mode)[0];
  if (mode == KeyMode::Recall) Focus.Control = 0;
}

// The control rectangles, left to right as the row shows them.
const Rect& ControlRect(int64_t i) {
  const Rect* rects[FocusControlCount] = {&Game.DrawButtonRect,     &Game.NewGameButtonRect, &Game.PayTableButtonRect,
                                          &Game.SpeedButtonRect,    &Game.BetButtonRect,     &Game.SoundButtonRect,
                                          &Game.AutoPickButtonRect, &Game.AboutButtonRect};
  return *rects[i];
}

// Tab t's rectangle: five equal widths, the remainder going to the last tab.
Rect TabRect(int64_t t) {
  const Rect& bar = Game.TabBarRect;
  const int64_t tw = bar.w / TabCount;
  return Rect{bar.x + t * tw, bar.y, t == TabCount - 1 ? bar.w - t * tw : tw, bar.h};
}

// A press and release of a mouse button at (x, y), through the game's input path.
bool ClickAt(Dispatch dispatch, int64_t button, int64_t x, int64_t y, int64_t now) {
  InputEdge press{true, button, true, x, y, false, false};
  if (!dispatch(press, now)) return false;
  InputEdge release = press;
  release.down = false;
  return dispatch(release, now);
}

bool ClickCentre(Dispatch dispatch, int64_t button, const Rect& r, int64_t now) {
  return ClickAt(dispatch, button, r.x + r.w / 2, r.y + r.h / 2, now);
}

// Moves v by step within 0..last, stopping at the ends.
int64_t Clamp(int64_t v, int64_t last) { return v < 0 ? 0 : v > last ? last : v; }

// The board's keys: arrows move the focus and stop at the edges, Home/End go to the row's ends,
// Enter clicks the cell. True when the key belongs to the board.
bool BoardKey(const InputEdge& e, int64_t now, Dispatch dispatch) {
  const int64_t i = Focus.Cell - 1;
  const int64_t row = i / BoardColumns, col = i % BoardColumns;
  switch (e.code) {
    case KeyLeft:
      Focus.Cell = row * BoardColumns + Clamp(col - 1, BoardColumns - 1) + 1;
      return true;
    case KeyRight:
      Focus.Cell = row * BoardColumns + Clamp(col + 1, BoardColumns - 1) + 1;
      return true;
    case KeyUp:
      Focus.Cell = Clamp(row - 1, BoardRows - 1) * BoardColumns + col + 1;
      return true;
    case KeyDown:
      Focus.Cell = Clamp(row + 1, BoardRows - 1) * BoardColumns + col + 1;
      return true;
    case KeyHome:
      Focus.Cell = row * BoardColumns + 1;
      return true;
    case KeyEnd:
      Focus.Cell = row * BoardColumns + BoardColumns;
      return true;
    case KeyEnter:
      ClickCentre(dispatch, MouseLeft, CellRect(Game.BoardRect, Focus.Cell), now);
      return true;
    default:
      return false;
  }
}

// A row of items (the controls or the tabs): Left/Right move in it, Home/End go to its ends,
// Enter clicks the item. On Speed and Bet, Left/Right click the stepper's lower or upper half.
bool RowKey(const InputEdge& e, int64_t now, Dispatch dispatch, int64_t& at, int64_t count, const Rect& item) {
  const bool stepper = Focus.Group == FocusControls && (at == FocusSpeedControl || at == FocusBetControl);
  const int64_t cy = item.y + item.h / 2;
  switch (e.code) {
    case KeyLeft:
      if (stepper) return ClickAt(dispatch, MouseLeft, item.x + item.w / 4, cy, now), true;
      at = Clamp(at - 1, count - 1);
      return true;
    case KeyRight:
      if (stepper) return ClickAt(dispatch, MouseLeft, item.x + item.w - 1 - item.w / 4, cy, now), true;
      at = Clamp(at + 1, count - 1);
      return true;
    case KeyHome:
      at = 0;
      return true;
    case KeyEnd:
      at = count - 1;
      return true;
    case KeyEnter:
      if (!stepper) ClickCentre(dispatch, MouseLeft, item, now);
      return true;
    default:
      return false;
  }
}

// The keys that move or use the focus; their releases are taken too.
bool IsFocusKey(int64_t code) {
  switch (code) {
    case KeyTab:
    case KeyLeft:
    case KeyRight:
    case KeyUp:
    case KeyDown:
    case KeyHome:
    case KeyEnd:
    case KeyPageUp:
    case KeyPageDown:
    case KeyEnter:
    case KeyF10:
    case KeyMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

// The one place that decides the mode the keys act in.
KeyMode FocusMode() {
  if (History.Open == 1) return KeyMode::History;
  return Recall.Open == 1 ? KeyMode::Recall : KeyMode::Live;
}

bool HandleFocusKey(const InputEdge& e, int64_t now, Dispatch dispatch) {
  if (e.mouse) return false;
  const KeyMode mode = FocusMode();
  // Direct keys: the digits click their tab, M switches the sound, F1 lists the keys.
  if (e.code >= KeyDigit0 && e.code <= KeyDigit0 + CardCount) {
    if (e.down) ClickCentre(dispatch, MouseLeft, TabRect(e.code - KeyDigit0), now);
    return true;
  }
  if (e.code == KeySound || e.code == KeyHelp) {
    if (e.down && e.code == KeySound) Game.SoundOn = 1 - Game.SoundOn;
    if (e.down && e.code == KeyHelp) ShowKeyboardShortcuts();
    return true;
  }
  if (!IsFocusKey(e.code)) return false;
  // The History overlay is a group of its own that takes its keys itself (the list's selection,
  // a page, the ends, Enter); Tab and the right-click keys have nothing to move to there.
  if (mode == KeyMode::History) return e.code == KeyTab || e.code == KeyF10 || e.code == KeyMenu;
  FollowMode(mode);
  // In recall, Left/Right and Home/End step through the draws wherever the focus is: recall
  // takes them. The other keys act on the focused item.
  if (mode == KeyMode::Recall && (e.code == KeyLeft || e.code == KeyRight || e.code == KeyHome || e.code == KeyEnd))
    return false;
  if (Focus.Group == FocusBanner && e.code != KeyTab) return true;
  if (!e.down) return true;
  Focus.Visible = 1;
  if (e.code == KeyTab) {
    const int64_t step = e.shift ? GroupsPerMode - 1 : 1;
    Focus.Group = GroupsOf(mode)[(GroupPlace(mode) + step) % GroupsPerMode];
    return true;
  }
  if ((e.code == KeyF10 && e.shift) || e.code == KeyMenu) {
    ClickCentre(dispatch, MouseRight, FocusedRect(), now);
    return true;
  }
  switch (Focus.Group) {
    case FocusBoard:
      BoardKey(e, now, dispatch);
      break;
    case FocusControls:
      RowKey(e, now, dispatch, Focus.Control, FocusControlCount, ControlRect(Focus.Control));
      break;
    case FocusTabs:
      RowKey(e, now, dispatch, Focus.Tab, TabCount, TabRect(Focus.Tab));
      break;
    default:
      break;
  }
  return true;
}

void HideFocusRing() { Focus.Visible = 0; }

Rect FocusedRect() {
  switch (Focus.Group) {
    case FocusBoard:
      return CellRect(Game.BoardRect, Focus.Cell);
    case FocusTabs:
      return TabRect(Focus.Tab);
    case FocusBanner:
      return Recall.BannerRect;
    default:
      return ControlRect(Focus.Control);
  }
}

int64_t FocusedAccessibleIndex() {
  switch (Focus.Group) {
    case FocusBoard:
      return AccessibleFirstCell + Focus.Cell - 1;
    case FocusTabs:
      return AccessibleFirstTab + Focus.Tab;
    case FocusBanner:
      return AccessibleRecallBanner;
    default:
      return AccessibleFirstControl + Focus.Control;
  }
}

void ShowFocus() {
  const KeyMode mode = FocusMode();
  FollowMode(mode);
  // Reported when it moves, so that the accessibility layer's own setter holds between moves.
  const int64_t item = mode == KeyMode::History ? AccessibleHistorySelection : FocusedAccessibleIndex();
  if (item != Focus.Reported) SetFocusedAccessibleItem(item);
  Focus.Reported = item;
  // The overlay covers the board and the groups under it, so no ring shows through it.
  if (Focus.Visible == 1 && mode != KeyMode::History) DrawFocusRing(FocusedRect());
}

void ResetFocus() { Focus = FocusState{}; }
