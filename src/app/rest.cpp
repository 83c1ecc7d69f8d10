// The frame loop's rest. Every timed behaviour of the game is an entry of the timer table, so the
// next frame can only differ from the last when input arrives or one of them falls due; the loop
// may sleep until the earliest of them.
#include "app/rest.h"

#include <algorithm>

#include "state/game_state.h"
#include "state/timers.h"
#include "platform/platform.h"

#ifndef KENO_RESTING_LOOP
#define KENO_RESTING_LOOP 1
#endif

int64_t NextChangeAt(const GameState& g) { return EarliestTimerDeadline(g, NoDeadline); }

int64_t RestTimeout(const GameState& state, int64_t now) {
  // A frame that asked to quit (Escape, a refused refinancing) ends the loop at the next check.
  if (state.QuitRequested == 1) return 0;
  const int64_t at = NextChangeAt(state);
  if (at == NoDeadline) return -1;
  return std::max<int64_t>(0, at - now);
}

void RestUntilNextChange() {
  if (KENO_RESTING_LOOP) WaitForEvent(RestTimeout(Game, NowMs()));
}
