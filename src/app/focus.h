// Playing by keyboard: the focus groups, the one table that decides what each key does in each
// mode, the direct keys, and the focus ring's place on screen.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "state/focus_state.h"
#include "state/game_state.h"

// What the keys act on now: the live game, or a recalled draw with its banner.
enum class KeyMode { Live, Recall, History };
KeyMode FocusMode();

// A key press or release. True when the focus took it and nothing else may act on it; false when
// the game acts on it as usual (Space, Escape, V, H, and recall's own keys on its banner).
// Clicks it makes go through dispatch, the game's one path for a press or release.
bool HandleFocusKey(const InputEdge& e, int64_t now, bool (*dispatch)(const InputEdge&, int64_t));

// A mouse click hides the ring until a key moves the focus again.
void HideFocusRing();

// The focused item's rectangle on screen and its place in the accessible list.
Rect FocusedRect();
int64_t FocusedAccessibleIndex();

// Once per frame: tells the accessible list which item is focused and draws the ring while it
// shows.
void ShowFocus();

// The focus of a new game: the Draw button, the ring hidden.
void ResetFocus();
