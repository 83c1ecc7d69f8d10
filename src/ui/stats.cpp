// Placeholder until the stats panel lands.
#include "ui/ui.h"

void DrawStatsPanel() {}
