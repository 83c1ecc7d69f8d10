// Recall mode: one past settled draw shown on the board, in the tube and in the card rows exactly
// as it ended, with a banner that says so, stepping through the ledger's draws; the live game
// goes on underneath untouched.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Shows settled draw id; false (and nothing changes) when the ledger holds no such draw.
bool EnterRecall(int64_t id);
// Shows the next older (step -1) or newer (+1) draw; at either end it stays.
void StepRecall(int64_t step);
// Shows the first (oldest) or the last (newest) draw.
void RecallEnd(bool newest);
// Back to the live game, exactly as it was.
void LeaveRecall();
// One press or release while a draw is recalled. True when recall took it and nothing else may
// act on it; false when the game acts on it as usual (Space, Escape, the Draw button, after
// recall has been left where the gesture leaves it).
bool HandleRecallEdge(const InputEdge& e);
// The local date and time of an ISO 8601 UTC text ("2026-12-10T10:52:03.000Z") as
// "2026-12-10 10:52:03", into out (at least 20 bytes); "" when the text is not such a time.
void LocalTimeOf(const char* utcText, char* out, int64_t size);
