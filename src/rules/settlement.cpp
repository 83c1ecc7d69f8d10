// Placeholder until settlement lands.
#include "rules/rules.h"

void SettleDraw() {}
