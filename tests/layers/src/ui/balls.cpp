// A drawing file using the toolkit directly: the include check must reject it.
#include <cairo.h>

#include "state/game_state.h"
#include "ui/ui.h"
