// The timer table's entries and the two questions asked of it: is a timer due, and when is the
// next one.
#include "state/timers.h"

#include <algorithm>

#include "state/game_state.h"

namespace {

using G = const GameState&;

// Every entry of every timer, timers in TimerId order.
constexpr TimerEntry Entries[] = {
    {TimerReveal, [](G g) { return g.Drawing == 1; }, [](G g) { return g.LastRevealTime; },
     [](G g) { return g.RevealInterval; }},
    {TimerBallStep, [](G g) { return g.BallAnimRunning == 1; }, [](G g) { return g.AnimLastStep; },
     [](G) { return AnimStepMs; }},
    {TimerAutoPause, [](G g) { return g.AutoPausePending == 1; }, [](G g) { return g.AutoPauseStart; },
     [](G) { return AutoPauseMs; }},
    {TimerSave, [](G g) { return g.SavePending == 1; }, [](G g) { return g.SaveRequestTime; },
     [](G) { return SaveDelayMs; }},
    {TimerSave, [](G g) { return g.SavePending == 1; }, [](G g) { return g.SaveArmTime; },
     [](G) { return SaveCeilingMs; }},
    {TimerStatusMessage, [](G g) { return !g.StatusMessage.empty(); }, [](G g) { return g.StatusMessageTime; },
     [](G) { return StatusMessageMs; }},
    // Due at once in each frame while pending: the loop does not rest until the totals are summed.
    {TimerHistoryTotals, [](G g) { return g.HistoryTotalsPending == 1; }, [](G) { return int64_t{0}; },
     [](G) { return int64_t{0}; }},
    // A held Draw button starts auto-run at its second only while auto-run is off; a held Space
    // reaches its second either way (it also closes the overlays).
    {TimerDrawHold, [](G g) { return g.DrawButtonDown == 1 && g.DrawHoldFired == 0 && g.AutoRun == 0; },
     [](G g) { return g.DrawButtonDownTime; }, [](G) { return HoldMs; }},
    {TimerSpaceHold, [](G g) { return g.SpaceDown == 1 && g.SpaceHoldFired == 0; }, [](G g) { return g.SpaceDownTime; },
     [](G) { return HoldMs; }},
};

}  // namespace

bool TimerDue(TimerId timer, const GameState& g, int64_t now) {
  for (const TimerEntry& e : Entries)
    if (e.timer == timer && e.running(g) && ElapsedSince(e.start(g), now) >= e.duration(g)) return true;
  return false;
}

int64_t EarliestTimerDeadline(const GameState& g, int64_t def) {
  int64_t at = def;
  for (const TimerEntry& e : Entries)
    if (e.running(g)) at = std::min(at, e.start(g) + e.duration(g));
  return at;
}
