// A test fixture that runs the real game on the headless back end, frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/game.h"
#include "state/game_state.h"
#include "platform/headless.h"

class GameFixture : public ::testing::Test {
 protected:
  // Starts the game as a new player would, with the welcome box answered.
  void SetUp() override {
    headless::Reset(Seed());
    headless::SetScale(Scale());
    ASSERT_TRUE(StartUp());
  }
  void TearDown() override {
    if (!shutDown_) Shutdown();
  }
  virtual uint64_t Seed() const { return 1; }
  virtual int64_t Scale() const { return 1; }  // device pixels per logical pixel of the screen

  // Runs frames until ms milliseconds of clock have passed, stepMs apart; false when the loop ended.
  bool Run(int64_t ms, int64_t stepMs = 1) {
    for (int64_t t = 0; t < ms; t += stepMs) {
      headless::AdvanceMs(stepMs);
      if (!RunFrame()) return false;
    }
    return true;
  }
  // One frame without moving the clock.
  bool Frame() { return RunFrame(); }

  // A press and release of a mouse button at (x, y), one frame each.
  void Click(int64_t x, int64_t y, int64_t button = MouseLeft) {
    headless::SetPointer(x, y);
    headless::SetButton(button, true);
    Frame();
    headless::SetButton(button, false);
    Frame();
  }
  void TapKey(int64_t key) {
    headless::SetKey(key, true);
    Frame();
    headless::SetKey(key, false);
    Frame();
  }
  void EndGame() {
    Shutdown();
    shutDown_ = true;
  }
  // Centre of a rectangle.
  static int64_t Cx(const Rect& r) { return r.x + r.w / 2; }
  static int64_t Cy(const Rect& r) { return r.y + r.h / 2; }

  bool shutDown_ = false;
};
