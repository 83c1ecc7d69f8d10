// The keys and buttons the game reads, as a back end's events leave them: the state of each now,
// and every press and release in the order they happened, in a queue of fixed size that the game
// empties once per frame, so that no quick click or tap between two frames is lost or merged.
// Both back ends keep their keyboard and pointer in one InputDevices and answer the game from it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Edges that can wait between two frames; a burst beyond it loses its newest edges, never the
// state of a key or button. Far more than a player's fastest clicking brings in one frame.
constexpr int64_t InputEdgeCapacity = 128;

struct InputDevices {
  bool keyDown[KeyCount] = {};              // held now
  bool buttonDown[3] = {};                  // MouseLeft and MouseRight held now; element 0 unused
  int64_t pointerX = -1, pointerY = -1;     // now, in client pixels; -1 outside the client area
  InputEdge edges[InputEdgeCapacity] = {};  // a ring of the edges not yet taken, oldest at first
  int64_t first = 0, count = 0;
  // The snapshot the game takes once per frame (SampleMouse, SampleKeyboard).
  bool keyHeld[KeyCount] = {};
  bool keyReleased[KeyCount] = {};  // released since the snapshot before
  bool keyReleasedSince[KeyCount] = {};
  bool buttonHeld[3] = {};
  int64_t sampledX = -1, sampledY = -1;

  // Queues one edge; a full queue drops it.
  void Push(const InputEdge& edge) {
    if (count == InputEdgeCapacity) return;
    edges[(first + count) % InputEdgeCapacity] = edge;
    ++count;
  }
  // A key goes down or up, with Shift held or not. A press of a key already held is its
  // auto-repeat: another press edge, marked as a repeat, for the keys that repeat, and no edge for
  // the others (Space, Escape).
  void Key(int64_t key, bool down, bool shift = false) {
    if (key < 0 || key >= KeyCount) return;
    if (keyDown[key] == down) {
      if (down && KeyRepeats(key)) Push({false, key, true, -1, -1, true, shift});
      return;
    }
    keyDown[key] = down;
    if (!down) keyReleasedSince[key] = true;
    Push({false, key, down, -1, -1, false, shift});
  }
  // A mouse button goes down or up at the current pointer.
  void Button(int64_t button, bool down) {
    if ((button != MouseLeft && button != MouseRight) || buttonDown[button] == down) return;
    buttonDown[button] = down;
    Push({true, button, down, pointerX, pointerY, false, false});
  }
  // The wheel turns by steps at the current pointer: positive away from the player (up), one press
  // edge per step, in the order turned.
  void Wheel(int64_t steps) {
    const int64_t code = steps > 0 ? MouseWheelUp : MouseWheelDown;
    for (int64_t n = steps > 0 ? steps : -steps; n > 0; --n) Push({true, code, true, pointerX, pointerY, false, false});
  }
  // A whole click at (x, y) that the pointer did not make (an accessibility action): its press
  // and release, queued now; nothing while that button is held.
  void Click(int64_t button, int64_t x, int64_t y) {
    if ((button != MouseLeft && button != MouseRight) || buttonDown[button]) return;
    Push({true, button, true, x, y, false, false});
    Push({true, button, false, x, y, false, false});
  }
  // The oldest edge not yet taken; false when there is none.
  bool Take(InputEdge& edge) {
    if (count == 0) return false;
    edge = edges[first];
    first = (first + 1) % InputEdgeCapacity;
    --count;
    return true;
  }
  void SampleKeyboard() {
    for (int64_t k = 0; k < KeyCount; ++k) {
      keyHeld[k] = keyDown[k];
      keyReleased[k] = keyReleasedSince[k];
      keyReleasedSince[k] = false;
    }
  }
  void SampleMouse() {
    for (int64_t b = 0; b < 3; ++b) buttonHeld[b] = buttonDown[b];
    sampledX = pointerX;
    sampledY = pointerY;
  }
  // Drops held keys and buttons without release reports, and every edge still queued (focus
  // lost, a modal box opened): input made before a box never acts after its answer.
  void Forget() {
    for (int64_t k = 0; k < KeyCount; ++k) keyDown[k] = keyReleasedSince[k] = false;
    for (bool& down : buttonDown) down = false;
    first = count = 0;
  }
  // True when input arrived that the game has not read yet: an edge still queued, or the pointer
  // or a held state changed since the last snapshot. The game needs another frame to see it.
  bool Unsampled() const {
    if (count > 0) return true;
    for (int64_t k = 0; k < KeyCount; ++k)
      if (keyHeld[k] != keyDown[k]) return true;
    for (int64_t b = 0; b < 3; ++b)
      if (buttonHeld[b] != buttonDown[b]) return true;
    return pointerX != sampledX || pointerY != sampledY;
  }
  bool KeyHeld(int64_t key) const { return key >= 0 && key < KeyCount && keyHeld[key]; }
  bool KeyReleased(int64_t key) const { return key >= 0 && key < KeyCount && keyReleased[key]; }
  bool ButtonHeld(int64_t button) const { return (button == MouseLeft || button == MouseRight) && buttonHeld[button]; }
};
