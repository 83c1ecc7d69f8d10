// A panel's picture as a list of steps, shared by the stats panel and the two overlays: built
// from the state, read by the tests, then drawn in one pass.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

// One step: a filled rectangle, a one-pixel line or a text, with its mode and colour.
struct PanelStep {
  enum Kind : uint8_t { Fill, Line, Text };
  Kind kind = Fill;
  int64_t mode = ModeOpaque;
  Colour colour = 0;
  int64_t font = 0;      // Text only
  double x = 0, y = 0;   // top-left corner
  int64_t w = 0, h = 0;  // Fill and Line
  std::string_view text;
};

// Up to MaxSteps steps in drawing order; their texts are copied into textStore (cut when it is full).
struct PanelSteps {
  static constexpr int MaxSteps = 160;
  static constexpr int TextBytes = 8192;
  PanelStep steps[MaxSteps];
  int count = 0;
  char textStore[TextBytes];
  int textUsed = 0;

  void Clear() { count = textUsed = 0; }
  void AddFill(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour);
  void AddLine(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour);               // DrawLineWH in ModeOpaque
  void AddText(double x, double y, std::string_view text, Colour colour, int64_t font);  // text is copied
  const PanelStep* FindText(std::string_view text, int nth = 0) const;                   // nullptr when absent
};

// Draws the steps in order, setting mode, pen and font for each.
void DrawPanelSteps(const PanelSteps& steps);
