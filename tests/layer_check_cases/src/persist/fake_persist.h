// A fake save-file header: the one layer that may include SQLite.
#include <sqlite3.h>

#include "state/fake_state.h"
