// The step lists panels are drawn from: built from the state by the stats panel and the two
// overlays, read by the tests, then drawn in one pass.
#include "ui/panel_steps.h"

#include <algorithm>
#include <cstring>

// A shape step in ModeOpaque: a filled rectangle or a one-pixel line.
static void AddShape(PanelSteps& list, PanelStep::Kind kind, int64_t x, int64_t y, int64_t w, int64_t h,
                     Colour colour) {
  if (list.count >= PanelSteps::MaxSteps) return;
  PanelStep& s = list.steps[list.count++];
  s = PanelStep{};
  s.kind = kind;
  s.mode = ModeOpaque;
  s.colour = colour;
  s.x = static_cast<double>(x);
  s.y = static_cast<double>(y);
  s.w = w;
  s.h = h;
}

void PanelSteps::AddFill(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  AddShape(*this, PanelStep::Fill, x, y, w, h, colour);
}

void PanelSteps::AddLine(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  AddShape(*this, PanelStep::Line, x, y, w, h, colour);
}

void PanelSteps::AddText(double x, double y, std::string_view text, Colour colour, int64_t font) {
  if (count >= MaxSteps) return;
  const size_t room = static_cast<size_t>(TextBytes - textUsed);
  const size_t n = std::min(text.size(), room);
  char* copy = textStore + textUsed;
  if (n > 0) std::memcpy(copy, text.data(), n);
  textUsed += static_cast<int>(n);
  PanelStep& s = steps[count++];
  s = PanelStep{};
  s.kind = PanelStep::Text;
  s.mode = ModeTransparentText;
  s.colour = colour;
  s.font = font;
  s.x = x;
  s.y = y;
  s.text = std::string_view(copy, n);
}

const PanelStep* PanelSteps::FindText(std::string_view text, int nth) const {
  for (int i = 0; i < count; ++i) {
    if (steps[i].kind == PanelStep::Text && steps[i].text == text && nth-- == 0) return &steps[i];
  }
  return nullptr;
}

// Draws a step list, setting mode, pen and font for every step.
void DrawPanelSteps(const PanelSteps& list) {
  for (int i = 0; i < list.count; ++i) {
    const PanelStep& s = list.steps[i];
    SetDrawMode(s.mode);
    SetPenColor(s.colour);
    switch (s.kind) {
      case PanelStep::Fill:
        DrawRect(static_cast<int64_t>(s.x), static_cast<int64_t>(s.y), s.w, s.h);
        break;
      case PanelStep::Line:
        DrawLineWH(static_cast<int64_t>(s.x), static_cast<int64_t>(s.y), s.w, s.h);
        break;
      case PanelStep::Text:
        SetFont(s.font);
        DrawString(s.x, s.y, s.text);
        break;
    }
  }
}
