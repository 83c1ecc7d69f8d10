// The program's spine: start-up, the frame loop with its timers, rendering and shutdown.
#pragma once

// Start-up through SetupGame; false when an initialisation failed (the error box was shown and
// the platform released) or another copy of the game holds the save file (it said so).
bool StartUp();
// One frame: window events, timers, input, rendering. False once the loop must end.
bool RunFrame();
// Complete a draw in flight, save, close the ledger, the entropy source and the screen, release the platform.
void Shutdown();
// The whole program; returns the exit status.
int RunGame();

bool SetupGame();  // false when the save is another copy's or the window, input or screen could not be set up
void UpdateFrame();
void RenderFrame();
