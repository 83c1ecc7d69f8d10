// The keyboard focus: which group holds it, where it rests in each group, and whether the focus
// ring shows (only after a key moved the focus, until the next mouse click).
#pragma once

#include <cstdint>

// The groups Tab and Shift+Tab move between.
enum FocusGroup : int64_t {
  FocusControls,  // the row of 8 controls, Draw first
  FocusTabs,      // the tab strip
  FocusBoard,     // the number board
  FocusBanner,    // the recall banner, while a past draw is recalled
  FocusGroupCount
};
constexpr int64_t FocusControlCount = 8;  // the controls in the row, left to right
constexpr int64_t FocusSpeedControl = 3;  // the row's Speed stepper
constexpr int64_t FocusBetControl = 4;    // the row's Bet/Card stepper

struct FocusState {
  int64_t Group = FocusControls;  // the group holding the focus, a FocusGroup (writer: app/focus)
  int64_t Control = 0;            // the focused control, 0 (Draw) .. FocusControlCount - 1 (writer: app/focus)
  int64_t Tab = 0;                // the focused tab, 0 Main .. CardCount (writer: app/focus)
  int64_t Cell = 1;               // the focused number on the board, 1..80 (writer: app/focus)
  int64_t Visible = 0;  // flag: the ring shows; set by a focus key, cleared by a mouse click (writer: app/focus)
  int64_t Mode = 0;         // the mode the focus last followed, an app KeyMode, 0 the live game (writer: app/focus)
  int64_t LiveGroup = FocusControls;  // the live game's group, kept while another mode shows (writer: app/focus)
  int64_t LiveControl = 0;            // the live game's control, kept likewise (writer: app/focus)
  int64_t Reported = -2;  // the accessible item last reported focused, -1 none, -2 not yet (writer: app/focus)
};

inline FocusState Focus;
