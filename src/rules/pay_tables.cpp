// Placeholder until the pay tables land.
#include "app/game_state.h"
#include "rules/rules.h"

void InitPayTables() { ApplyPayMode(); }
void ApplyPayMode() {}
void SwapPayMode() {
  Game.PayMode = 1 - Game.PayMode;
  ApplyPayMode();
  RequestSave();
}
