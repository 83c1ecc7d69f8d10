// Screen regions from the screen size, the six fonts whose sizes follow the screen height, and the
// two asterisk images that mark numbers picked on several cards.
#include <algorithm>
#include <cmath>

#include "state/game_state.h"
#include "ui/ui.h"

namespace {

constexpr const char* FontFamily = "Segoe UI";

// Releases an image or font handle that exists and clears it.
void ReleaseImage(int64_t& handle) {
  if (handle != 0) FreeImageBuffer(handle);
  handle = 0;
}

void ReleaseFont(int64_t& handle) {
  if (handle != 0) FreeFontFace(handle);
  handle = 0;
}

}  // namespace

// Writes every region from ScreenW and ScreenH, then refreshes the images that depend on them.
void ComputeLayout() {
  const int64_t sw = Game.ScreenW;
  const int64_t sh = Game.ScreenH;
  const int64_t bw = (sw - 38) / 8;
  const int64_t boardW = std::max<int64_t>(200, sw - 404);
  const int64_t boardH = std::max<int64_t>(200, sh - 184);

  Rect* const controls[7] = {&Game.DrawButtonRect,    &Game.NewGameButtonRect, &Game.PayTableButtonRect,
                             &Game.SpeedButtonRect,   &Game.BetButtonRect,     &Game.SoundButtonRect,
                             &Game.AutoPickButtonRect};
  for (int64_t i = 0; i < 7; ++i) *controls[i] = {12 + i * (bw + 2), 12, bw, 96};
  const int64_t aboutX = 12 + 7 * (bw + 2);
  Game.AboutButtonRect = {aboutX, 12, sw - aboutX - 12, 96};

  Game.StatsPanelX = 0;
  Game.StatsPanelY = 120;
  Game.StatsPanelW = 294;
  Game.StatsPanelH = sh - 132;
  Game.TabBarRect = {294, 120, boardW, 52};
  Game.BoardRect = {294, 172, boardW, boardH};
  Game.BallsPanelX = sw - 110;
  Game.BallsPanelY = 120;
  Game.BallsPanelW = 110;
  Game.BallsPanelH = sh - 132;

  UpdateStarImages(boardW, boardH);
  if (Game.BallsPanelW != Game.BallsPanelImageW || Game.BallsPanelH != Game.BallsPanelImageH) {
    BuildBallsPanelImage(Game.BallsPanelW, Game.BallsPanelH);
  }
}

// Point sizes of the six fonts at a screen height: two scales, the second capped at 1.28.
FontSizes FontSizesFor(int64_t screenH) {
  const float sA = std::max(static_cast<float>(screenH) / 780.0f, 0.7f);
  const float sB = std::min(sA, 1.28f);
  auto size = [](float base, float scale) { return static_cast<int64_t>(base * scale); };
  return {size(24, sA), size(11, sB), size(16, sB), size(14, sA), size(12, sA), size(13, sA)};
}

// Releases the fonts that exist and loads all six at the sizes of the current screen height.
void LoadFonts() {
  const FontSizes sizes = FontSizesFor(Game.ScreenH);
  ReleaseFont(Game.FontCellNumber);
  ReleaseFont(Game.FontButton);
  ReleaseFont(Game.FontTab);
  ReleaseFont(Game.FontBall);
  ReleaseFont(Game.FontOverlay);
  ReleaseFont(Game.FontHeading);
  Game.FontCellNumber = LoadFontFace(FontNumberCell, FontFamily, sizes.cell, FontBold);
  Game.FontButton = LoadFontFace(FontNumberButton, FontFamily, sizes.button);
  Game.FontTab = LoadFontFace(FontNumberTab, FontFamily, sizes.tab, FontBold);
  Game.FontBall = LoadFontFace(FontNumberBall, FontFamily, sizes.ball, FontBold);
  Game.FontOverlay = LoadFontFace(FontNumberOverlay, FontFamily, sizes.overlay);
  Game.FontHeading = LoadFontFace(FontNumberHeading, FontFamily, sizes.heading, FontBold);
}

// The asterisk side for a board: 70% of the smaller cell side, at least 16 pixels.
int64_t StarSizeFor(int64_t boardW, int64_t boardH) {
  const int64_t cw = static_cast<int64_t>(static_cast<float>(boardW) / 10.0f);
  const int64_t ch = static_cast<int64_t>(static_cast<float>(boardH) / 8.0f);
  return std::max<int64_t>(16, std::min(cw, ch) * 70 / 100);
}

void UpdateStarImages(int64_t boardW, int64_t boardH) { EnsureStarImages(StarSizeFor(boardW, boardH)); }

// Makes the white and the black asterisk at this size unless they already exist at it.
void EnsureStarImages(int64_t size) {
  if (size < 1 || (Game.StarImageWhite != 0 && Game.StarImageSize == size)) return;
  ReleaseImage(Game.StarImageWhite);
  ReleaseImage(Game.StarImageBlack);
  Game.StarImageWhite = MakeStarImage(ImageNumberStarWhite, size, RGBA(255, 255, 255, 255));
  Game.StarImageBlack = MakeStarImage(ImageNumberStarBlack, size, RGBA(0, 0, 0, 255));
  Game.StarImageSize = size;
}

// A transparent square image with a twelve-armed asterisk of anti-aliased strokes around a dot.
int64_t MakeStarImage(int64_t image, int64_t size, Colour colour) {
  if (size <= 0) return 0;
  if (!CreateImageBuffer(image, size, size, 32, RGBA(255, 255, 255, 0))) return 0;
  if (!BeginVectorDrawing(image)) return image;
  const double centre = size / 2.0;
  const double arm = size / 2.0 - 2;
  const double width = size / 9.0;
  SetPathPaint(colour);
  PathCircle(centre, centre, 0.7 * width);
  FillCurrentPath();
  for (int i = 0; i < 6; ++i) {
    const double a = i * M_PI / 6;
    PathMoveTo(centre - arm * std::cos(a), centre - arm * std::sin(a));
    PathLineTo(centre + arm * std::cos(a), centre + arm * std::sin(a));
    StrokeCurrentPath(width, StrokeRound);
  }
  EndVectorDrawing();
  return image;
}
