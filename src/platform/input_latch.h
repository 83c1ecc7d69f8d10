// Per-frame snapshots of a key or button that lose no quick press: a press and release that
// both happen between two samples read as held in one snapshot and released in the next. Both
// back ends keep their keyboard and pointer in one InputDevices and answer the game from it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct InputLatch {
  bool down = false;           // the device's state now
  bool pressedSince = false;   // went down since the last sample
  bool releasedSince = false;  // went up since the last sample
  bool held = false;           // snapshot: held
  bool released = false;       // snapshot: the first snapshot after the release

  void Press() {
    down = true;
    pressedSince = true;
  }
  void Release() {
    if (!down) return;
    down = false;
    releasedSince = true;
  }
  // Drops a held state without a release report (the window lost the focus).
  void Forget() { *this = InputLatch{}; }
  // True when the next sample would differ from the last one.
  bool Unsampled() const { return pressedSince || releasedSince || held != down; }
  void Sample() {
    held = down || pressedSince;
    if (held && !down) {
      released = false;  // a tap within one frame: held now, released in the next snapshot
    } else {
      released = releasedSince;
      releasedSince = false;
    }
    pressedSince = false;
  }
};

// The keys and buttons the game reads and the pointer, as a back end's events leave them, with
// the snapshot the game takes once per frame.
struct InputDevices {
  InputLatch keys[KeyCount];
  InputLatch buttons[3];                 // MouseLeft and MouseRight; element 0 unused
  int64_t pointerX = -1, pointerY = -1;  // now, in client pixels; -1 outside the client area
  int64_t sampledX = -1, sampledY = -1;  // at the last SampleMouse

  void SampleKeyboard() {
    for (auto& key : keys) key.Sample();
  }
  void SampleMouse() {
    for (auto& button : buttons) button.Sample();
    sampledX = pointerX;
    sampledY = pointerY;
  }
  // Drops held keys and buttons without release reports (focus lost, a modal box answered).
  void Forget() {
    for (auto& key : keys) key.Forget();
    for (auto& button : buttons) button.Forget();
  }
  // True when input arrived that the last samples have not shown yet, e.g. the release of a tap
  // that fell between two frames: the game needs another frame to see it.
  bool Unsampled() const {
    for (const auto& key : keys)
      if (key.Unsampled()) return true;
    for (const auto& button : buttons)
      if (button.Unsampled()) return true;
    return pointerX != sampledX || pointerY != sampledY;
  }
  bool KeyHeld(int64_t key) const { return key >= 0 && key < KeyCount && keys[key].held; }
  bool KeyReleased(int64_t key) const { return key >= 0 && key < KeyCount && keys[key].released; }
  bool ButtonHeld(int64_t button) const {
    return (button == MouseLeft || button == MouseRight) && buttons[button].held;
  }
};
