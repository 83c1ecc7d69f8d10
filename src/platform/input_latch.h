// Per-frame snapshots of a key or button that lose no quick press: a press and release that
// both happen between two samples read as held in one snapshot and released in the next.
#pragma once

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
