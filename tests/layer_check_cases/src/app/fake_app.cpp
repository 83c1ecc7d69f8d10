// A fake top-layer file: it may include every layer below it.
#include "persist/fake_persist.h"
#include "rules/fake_rules.h"
#include "ui/fake_ui.h"
#include <state/fake_state.h>
