// The frame loop's rest. Every timed behaviour of the game compares NowMs with a stored time, so
// the next frame can only differ from the last when input arrives or one of these comparisons
// turns true; the loop may sleep until the earliest of them.
#include "app/rest.h"

#include <algorithm>

#include "state/game_state.h"
#include "platform/platform.h"

#ifndef KENO_RESTING_LOOP
#define KENO_RESTING_LOOP 1
#endif

int64_t NextChangeAt(const GameState& g) {
  int64_t at = NoDeadline;
  // A timer falls due when ElapsedSince(since, now) reaches its duration.
  const auto timer = [&at](bool running, int64_t since, int64_t duration) {
    if (running) at = std::min(at, since + duration);
  };
  timer(g.Drawing == 1, g.LastRevealTime, g.RevealInterval);
  timer(g.BallAnimRunning == 1, g.AnimLastStep, AnimStepMs);
  timer(g.AutoPausePending == 1, g.AutoPauseStart, AutoPauseMs);
  timer(g.SavePending == 1, g.SaveRequestTime, SaveDelayMs);
  timer(g.SavePending == 1, g.SaveArmTime, SaveCeilingMs);
  timer(!g.StatusMessage.empty(), g.StatusMessageTime, StatusMessageMs);
  // A held Draw button starts auto-run at its second only while auto-run is off; a held Space
  // reaches its second either way (it also closes the overlays).
  timer(g.DrawButtonDown == 1 && g.DrawHoldFired == 0 && g.AutoRun == 0, g.DrawButtonDownTime, HoldMs);
  timer(g.SpaceDown == 1 && g.SpaceHoldFired == 0, g.SpaceDownTime, HoldMs);
  return at;
}

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
