// Placeholder until the balls tube lands.
#include "ui/ui.h"

void BuildBallsPanelImage(int64_t, int64_t) {}
void DrawBallsPanel() {}
void StartBallAnim() {}
void StepBallAnims() {}
bool IsOnAnyCard(int64_t) { return false; }
