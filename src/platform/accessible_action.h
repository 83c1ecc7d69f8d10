// Where an accessibility action on an item clicks, shared by both back ends: "click" and "menu"
// at the item's centre with the left and the right button, "decrease" and "increase" with the
// left button on the item's left and right quarter (the halves of a stepper).
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct ActionClickPoint {
  int64_t button = 0;  // MouseLeft or MouseRight; 0 when the item offers no such action
  int64_t x = 0, y = 0;
};

// The click that performs `action` (one Action* bit) on the item.
inline ActionClickPoint ClickForAction(const AccessibleItem& item, int64_t action) {
  if ((item.actions & action) == 0) return {};
  const int64_t cy = item.y + item.h / 2;
  switch (action) {
    case ActionClick:
      return {MouseLeft, item.x + item.w / 2, cy};
    case ActionMenu:
      return {MouseRight, item.x + item.w / 2, cy};
    case ActionDecrease:
      return {MouseLeft, item.x + item.w / 4, cy};
    case ActionIncrease:
      return {MouseLeft, item.x + item.w - 1 - item.w / 4, cy};
    default:
      return {};
  }
}
