// Placeholder until input lands: Escape saves and quits on release.
#include "app/input.h"

#include "app/game_state.h"
#include "persist/save_file.h"
#include "platform/platform.h"

void HandleInput() {
  SampleMouse();
  FreePointer();
  SampleKeyboard();
  if (KeyReleased(KeyEscape)) {
    SaveGame();
    Game.QuitRequested = 1;
  }
}
void HandleLeftClick(int64_t, int64_t) {}
void HandleRightClick(int64_t, int64_t) {}
void TrackSpaceHold(int64_t, int64_t) {}
int64_t CellAt(int64_t, int64_t, int64_t, int64_t) { return 0; }
int64_t TabAt(int64_t) { return 0; }
