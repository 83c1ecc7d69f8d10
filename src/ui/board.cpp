// Placeholder until the board lands.
#include "ui/ui.h"

void DrawBoard(int64_t, int64_t, int64_t, int64_t, int64_t, int64_t) {}
void DrawCellBevel(int64_t, int64_t, int64_t, int64_t, Colour, Colour) {}
void DrawHitCross(int64_t, int64_t, int64_t, int64_t) {}
