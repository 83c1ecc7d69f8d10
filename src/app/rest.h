// The frame loop's rest: the earliest moment the game could change without input, and the wait
// for that moment or for an event.
#pragma once

#include <cstdint>
#include <limits>

struct GameState;

// What NextChangeAt answers when only input can change the game.
constexpr int64_t NoDeadline = std::numeric_limits<int64_t>::max();

// The earliest NowMs time at which one of the state's timers falls due: a reveal, a ball step,
// auto-run's pause, the debounced save, the notice's expiry or a hold reaching its second.
int64_t NextChangeAt(const GameState& state);
// Milliseconds the loop may wait at time now before its next frame: -1 without end, 0 not at all
// (also once the game has asked to quit).
int64_t RestTimeout(const GameState& state, int64_t now);
// After a presented frame: waits until the next deadline or an event (no wait in a busy build).
void RestUntilNextChange();
