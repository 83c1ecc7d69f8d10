// The balls tube at the right edge: the pre-rendered empty tube, the drops of the revealed balls
// and the chain of landed balls.
#include <cstdint>

#include "state/game_state.h"
#include "ui/palette.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr int64_t HeadZone = 120;
constexpr Colour TubeColour = RGB(150, 150, 160);
constexpr Colour GridColour = RGB(85, 85, 85);
constexpr Colour FrameColour = RGB(170, 170, 170);
constexpr Colour MarkerColour = RGB(255, 210, 0);
constexpr Colour EmptyRingColour = RGB(38, 38, 48);
constexpr Colour LandedRimColour = RGB(65, 65, 65);
constexpr Colour RollingRimColour = RGB(255, 255, 60);
constexpr Colour LinkColour = RGB(45, 45, 58);
constexpr Colour TrailColour = RGBA(140, 140, 160, 50);
constexpr Colour HitRingColour = RGB(0, 0, 0);  // the high-visibility ring of a counted ball

// Body, shine and number of one ball centred on (bx, by), with its ring in the high-visibility
// marks; the rim is the caller's.
void DrawBallFace(const DrawView& view, int64_t bx, int64_t by, int64_t r, int64_t n) {
  const bool counted = CountedOnAnyCard(view, n);
  DrawBallBody(bx, by, r, counted);
  if (counted && Game.HighVisibilityMarks != 0) {
    // A black ring inside the rim, so that a counted ball differs from a missed one by shape too.
    const int64_t t = r / 4 > 2 ? r / 4 : 2;
    SetDrawMode(ModeOpaque);
    DrawCircle(bx, by, r, HitRingColour);
    DrawCircle(bx, by, r - t, HitColour);
    SetDrawMode(ModeAlphaBlend);
    DrawCircle(bx - r / 3, by - r / 3, r / 3, RGBA(255, 255, 255, 90));
  }
  TextBuf label;
  label << n;
  const int64_t nw = RoundHalfEven(StringWidth(label.view()));
  const int64_t nh = RoundHalfEven(StringHeight(label.view()));
  SetDrawMode(ModeTransparentText);
  SetPenColor(RGB(255, 255, 255));
  DrawString(static_cast<double>(bx) - nw / 2.0, static_cast<double>(by) - nh / 2.0, label.view());
}

// The number of ball k (1..20) of the view, 0 when out of range.
int64_t NumberAt(const DrawView& view, int64_t k) { return k >= 1 && k <= BallsPerDraw ? view.Balls[k] : 0; }

}  // namespace

// The body of a ball and its shine, green for a number the draw counts on a card and red
// otherwise.
void DrawBallBody(int64_t bx, int64_t by, int64_t r, bool counted) {
  SetDrawMode(ModeOpaque);
  DrawCircle(bx, by, r, counted ? HitColour : DrawnColour);
  SetDrawMode(ModeAlphaBlend);
  DrawCircle(bx - r / 3, by - r / 3, r / 3, counted ? RGBA(255, 255, 255, 90) : RGBA(255, 255, 255, 70));
}

BallTubeGeometry BallTubeGeometryFor(int64_t w, int64_t h) {
  BallTubeGeometry g{};
  g.step = (h - HeadZone) / BallsPerDraw;
  g.r = g.step / 2 - 1;
  if (g.r < 2) g.r = 2;
  const int64_t gap = g.r + 2;
  g.leftX = gap + g.r;
  g.rightX = w - gap - g.r;
  g.midX = w / 2;
  return g;
}

BallSlot BallSlotCentre(int64_t w, int64_t h, int64_t k) {
  const BallTubeGeometry g = BallTubeGeometryFor(w, h);
  return {k % 2 == 1 ? g.leftX : g.rightX, h - (k - 1) * g.step - g.step / 2};
}

// Renders the empty tube (grid, frame, title, drop marker, 20 empty rings) once per panel size.
void BuildBallsPanelImage(int64_t w, int64_t h) {
  if (w <= 0 || h <= 0) return;
  if (Game.BallsPanelImage != 0) {
    FreeImageBuffer(Game.BallsPanelImage);
    Game.BallsPanelImage = 0;
  }
  if (!CreateImageBuffer(ImageNumberBallsPanel, w, h, 32)) return;
  Game.BallsPanelImage = ImageNumberBallsPanel;

  if (BeginDrawing(Game.BallsPanelImage)) {
    SetDrawMode(ModeOpaque);
    DrawRect(0, 0, w, h, TubeColour);

    SetPenColor(GridColour);
    for (int64_t k = 1; k <= 3; ++k) {
      const int64_t gx = 4 + k * (w - 8) / 4;
      DrawLine(gx, 4, gx, 114);
    }
    for (int64_t k = 1; k <= 2; ++k) {
      const int64_t gy = 4 + k * 110 / 3;
      DrawLine(4, gy, w - 4, gy);
    }

    SetDrawMode(ModeOutline);
    DrawRect(4, 4, w - 8, 110, FrameColour);

    SetFont(Game.FontBall);
    SetDrawMode(ModeTransparentText);
    const int64_t mh = RoundHalfEven(StringHeight("M"));
    SetPenColor(RGB(0, 0, 0));
    DrawString(static_cast<double>(w / 2) - StringWidth("BALLS") / 2, 4, "BALLS");
    int64_t vy = mh + 7;
    if (vy + mh > 116) vy = HeadZone - mh - 4;
    SetPenColor(MarkerColour);
    DrawString(static_cast<double>(w / 2) - StringWidth("v v v") / 2, static_cast<double>(vy), "v v v");

    const BallTubeGeometry g = BallTubeGeometryFor(w, h);
    SetDrawMode(ModeOutline);
    SetPenColor(EmptyRingColour);
    for (int64_t k = 1; k <= BallsPerDraw; ++k) {
      const BallSlot s = BallSlotCentre(w, h, k);
      DrawCircle(s.x, s.y, g.r);
    }
    EndDrawing();
  }
  Game.BallsPanelImageW = w;
  Game.BallsPanelImageH = h;
}

// Draws the tube with the view's landed balls in their zig-zag chain and the balls still rolling.
void DrawBallsPanel(const DrawView& view) {
  const int64_t px = Game.BallsPanelX, py = Game.BallsPanelY;
  const int64_t w = Game.BallsPanelW, h = Game.BallsPanelH;
  if (Game.BallsPanelImage != 0) {
    StampImage(Game.BallsPanelImage, px, py);
  } else {
    SetDrawMode(ModeOpaque);
    DrawRect(px, py, w, h, TubeColour);
  }
  SetFont(Game.FontButton);
  const BallTubeGeometry g = BallTubeGeometryFor(w, h);

  int64_t rolling = 0;
  if (view.AllLanded == 0)
    for (int64_t k = 1; k <= BallsPerDraw; ++k) rolling += Game.BallAnims[k].Active != 0 ? 1 : 0;
  int64_t landed = view.BallCount - rolling;
  if (landed < 0) landed = 0;

  for (int64_t k = 1; k <= BallsPerDraw && k <= landed; ++k) {
    const BallSlot s = BallSlotCentre(w, h, k);
    const int64_t bx = px + s.x, by = py + s.y;
    DrawBallFace(view, bx, by, g.r, NumberAt(view, k));
    SetDrawMode(ModeOutline);
    DrawCircle(bx, by, g.r, LandedRimColour);
    if (k > 1) {
      const BallSlot prev = BallSlotCentre(w, h, k - 1);
      SetDrawMode(ModeOpaque);
      SetPenColor(LinkColour);
      DrawLine(px + prev.x, py + prev.y, bx, by);
    }
  }

  for (int64_t k = 1; k <= BallsPerDraw && view.AllLanded == 0; ++k) {
    const BallAnim& a = Game.BallAnims[k];
    if (a.Active == 0) continue;
    const int64_t by = py + static_cast<int64_t>(a.Pos);
    float f = 1.0f;
    if (a.Target - HeadZone > 0) f = (a.Pos - HeadZone) / static_cast<float>(a.Target - HeadZone);
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    const int64_t dx = (px + a.Across) - (px + w / 2);
    const int64_t wob = a.Frame % 6 - 3;
    const float fdx = static_cast<float>(dx);
    const int64_t bx = px + w / 2 + static_cast<int64_t>(fdx * f) +
                       static_cast<int64_t>((1.0f - f) * fdx * 0.3f * static_cast<float>(wob) / 3.0f);

    SetDrawMode(ModeAlphaBlend);
    for (int64_t j = 3; j >= 1; --j) {
      const int64_t ty = by - j * (g.step / 3);
      if (ty > py + HeadZone && g.r - j >= 1) DrawCircle(bx, ty, g.r - j, TrailColour);
    }
    DrawBallFace(view, bx, by, g.r, NumberAt(view, a.Slot));
    SetDrawMode(ModeOutline);
    DrawCircle(bx, by, g.r, RollingRimColour);
  }
}

// Starts the ball just counted in BallsRevealed rolling from the drop point towards its slot.
void StartBallAnim() {
  const int64_t k = Game.BallsRevealed;
  if (k < 1 || k > BallsPerDraw) return;
  const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
  BallAnim& a = Game.BallAnims[k];
  const bool wasRolling = a.Active != 0;
  a.Active = 1;
  a.Slot = k;
  a.Pos = static_cast<float>(HeadZone);
  a.Target = s.y;
  a.Across = s.x;
  a.Frame = 0;
  const float distance = static_cast<float>(a.Target - 124);
  float steps = static_cast<float>(Game.RevealInterval) / static_cast<float>(AnimStepMs);
  if (steps < 1.0f) steps = 1.0f;
  float speed = distance / steps;
  if (speed < 2.0f) speed = 2.0f;
  if (speed > 40.0f) speed = 40.0f;
  a.Speed = speed;
  if (!wasRolling) Game.BallAnimCount += 1;
  Game.BallAnimRunning = 1;
  Game.AnimLastStep = NowMs();
}

// Moves every rolling ball one step down; a ball that reaches its slot lands there.
void StepBallAnims() {
  int64_t moving = 0;
  for (int64_t k = 1; k <= BallsPerDraw; ++k) {
    BallAnim& a = Game.BallAnims[k];
    if (a.Active == 0) continue;
    a.Frame += 1;
    const float v = a.Speed <= 0.1f ? 8.0f : a.Speed;
    a.Pos += v;
    if (a.Pos >= static_cast<float>(a.Target)) {
      a.Pos = static_cast<float>(a.Target);
      a.Active = 0;
      Game.BallAnimCount -= 1;
    } else {
      moving += 1;
    }
  }
  if (moving == 0) Game.BallAnimRunning = 0;
}
