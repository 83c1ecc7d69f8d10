// Placeholder until the layout lands.
#include "app/game_state.h"
#include "ui/ui.h"

void ComputeLayout() {
  const int64_t bw = (Game.ScreenW - 38) / 8;
  const int64_t BW = Game.ScreenW - 404 < 200 ? 200 : Game.ScreenW - 404;
  const int64_t BH = Game.ScreenH - 184 < 200 ? 200 : Game.ScreenH - 184;
  Game.DrawButtonRect = {12, 12, bw, 96};
  Game.TabBarRect = {294, 120, BW, 52};
  Game.BoardRect = {294, 172, BW, BH};
  Game.BallsPanelX = Game.ScreenW - 110;
  Game.BallsPanelY = 120;
  Game.BallsPanelW = 110;
  Game.BallsPanelH = Game.ScreenH - 132;
}
void LoadFonts() {}
void UpdateStarImages(int64_t, int64_t) {}
void EnsureStarImages(int64_t) {}
int64_t MakeStarImage(int64_t, int64_t, Colour) { return 0; }
