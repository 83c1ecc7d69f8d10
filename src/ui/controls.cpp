// Placeholder until the control buttons land.
#include "ui/ui.h"

void DrawBevelButton(int64_t, int64_t, int64_t, int64_t, Colour, Colour, Colour) {}
void DrawNewGameButton() {}
void DrawPayTableButton() {}
void DrawSpeedControl() {}
void DrawBetControl() {}
void DrawSoundButton() {}
void DrawAutoPickButton() {}
void DrawAboutButton() {}
