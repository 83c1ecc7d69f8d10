// The top layer may include every layer below it.
#include "persist/save_file.h"
#include "rules/rules.h"
#include "ui/ui.h"
