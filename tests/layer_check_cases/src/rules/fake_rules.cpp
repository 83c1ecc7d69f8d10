// A fake rules file with one wrong include of each form: quoted and bracketed into the screen,
// a climb out of the source folder, and two libraries of other layers.
#include "state/fake_state.h"
#include "sound/fake_sound.h"
#include "ui/fake_ui.h"
#include <ui/fake_ui.h>
#include "../ui/fake_ui.h"
#include <atk/atk.h>
#include <sqlite3.h>
