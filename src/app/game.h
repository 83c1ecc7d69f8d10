// The program's spine: start-up, the frame loop with its timers, rendering and shutdown.
#pragma once

// Start-up through SetupGame; false when an initialisation failed (the error box was shown and
// the platform released).
bool StartUp();
// One frame: window events, timers, input, rendering. False once the loop must end.
bool RunFrame();
// Save, close the entropy source and the screen, release the platform.
void Shutdown();
// The whole program; returns the exit status.
int RunGame();

bool SetupGame();  // false when the window, input or screen could not be set up
void UpdateFrame();
void RenderFrame();
