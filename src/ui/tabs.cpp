// Placeholder until the tabs and the Draw button land.
#include "ui/ui.h"

void DrawTabs() {}
void DrawDrawButton() {}
