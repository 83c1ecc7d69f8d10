// A running game with the header row laid out, and pixel checks for the controls and tabs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"

// "RGB(r, g, b)" for failure messages.
inline std::string ShowColour(Colour c) {
  return "RGB(" + std::to_string(c & 0xFF) + ", " + std::to_string(c >> 8 & 0xFF) + ", " +
         std::to_string(c >> 16 & 0xFF) + ")";
}

// Largest difference of one channel between two colours.
inline int ColourDistance(Colour a, Colour b) {
  int most = 0;
  for (int shift : {0, 8, 16}) {
    most = std::max(most, std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)));
  }
  return most;
}

inline ::testing::AssertionResult PixelIs(int64_t x, int64_t y, Colour want, int tolerance = 0) {
  const Colour got = headless::PixelAt(x, y);
  if (ColourDistance(got, want) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << x << "," << y << " got " << ShowColour(got) << ", want "
                                       << ShowColour(want);
}

// True when some pixel of the rectangle has exactly the colour.
inline bool AnyPixelIs(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  for (int64_t py = y; py < y + h; ++py) {
    for (int64_t px = x; px < x + w; ++px) {
      if (headless::PixelAt(px, py) == colour) return true;
    }
  }
  return false;
}

// True when every pixel of the rectangle has exactly the colour.
inline bool AllPixelsAre(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  for (int64_t py = y; py < y + h; ++py) {
    for (int64_t px = x; px < x + w; ++px) {
      if (headless::PixelAt(px, py) != colour) return false;
    }
  }
  return true;
}

// The bounding box of the pixels of a rectangle that differ from its background.
struct InkBox {
  bool any = false;
  int64_t left = 0, right = 0, top = 0, bottom = 0;  // inclusive
  double CentreX() const { return (left + right) / 2.0; }
};
inline InkBox FindInk(int64_t x, int64_t y, int64_t w, int64_t h, Colour background) {
  InkBox box;
  for (int64_t py = y; py < y + h; ++py) {
    for (int64_t px = x; px < x + w; ++px) {
      if (headless::PixelAt(px, py) == background) continue;
      if (!box.any) box = {true, px, px, py, py};
      box.left = std::min(box.left, px);
      box.right = std::max(box.right, px);
      box.top = std::min(box.top, py);
      box.bottom = std::max(box.bottom, py);
    }
  }
  return box;
}

class ControlsFixture : public GameFixture {
 protected:
  // The header row of the default window: eight controls of width bw with 2-pixel gaps, About
  // taking the rest of the row up to 12 pixels from the right edge.
  void SetUp() override {
    GameFixture::SetUp();
    LayOutHeaderRow();
  }
  void LayOutHeaderRow() {
    const int64_t bw = (Game.ScreenW - 38) / 8;
    Rect* row[8] = {&Game.DrawButtonRect, &Game.NewGameButtonRect, &Game.PayTableButtonRect, &Game.SpeedButtonRect,
                    &Game.BetButtonRect,  &Game.SoundButtonRect,   &Game.AutoPickButtonRect, &Game.AboutButtonRect};
    for (int64_t i = 0; i < 8; ++i) *row[i] = {12 + i * (bw + 2), 12, bw, 96};
    Game.AboutButtonRect.w = Game.ScreenW - Game.AboutButtonRect.x - 12;
  }
};
