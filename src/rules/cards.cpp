// Placeholder until card editing lands.
#include "rules/rules.h"

void TogglePick(int64_t, int64_t) {}
void AutoPickHot() {}
void AutoPickRandom() {}
void CopyCard(int64_t) {}
void NewGamePrompt() {}
bool CheckFunds(int64_t) { return true; }
int64_t ParseReplyInteger(std::string_view) { return 0; }
