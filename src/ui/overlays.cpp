// Placeholder until the overlays land.
#include "ui/ui.h"

void DrawPayTableOverlay() {}
void DrawAboutOverlay() {}
int FormatPayCell(int64_t, char* buf, int size) {
  if (size > 0) buf[0] = 0;
  return 0;
}
Colour PayCellColour(int64_t) { return 0; }
