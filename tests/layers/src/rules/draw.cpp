// A rules file reaching sideways into the screen: the include check must reject it.
#include "state/game_state.h"
#include "sound/sound.h"
#include "ui/ui.h"
