// Input: mouse edges, the two hold gestures, Escape, and the click dispatch tables.
#pragma once

#include <cstdint>

void HandleInput();
void HandleLeftClick(int64_t mx, int64_t my);
void HandleRightClick(int64_t mx, int64_t my);
void TrackSpaceHold(int64_t down, int64_t now);
int64_t CellAt(int64_t rx, int64_t ry, int64_t w, int64_t h);  // 1..80, 0 outside the grid
int64_t TabAt(int64_t x);                                      // 0 Main, 1..4 Card n
