// The timer table: every timed behaviour of the game as entries of a condition, a start time and
// a duration. The frame's timers and the two holds fire from it, and the resting loop takes its
// next deadline from it, so a timer written here is one that both see.
#pragma once

#include <cstdint>

struct GameState;

// The game's timers. The frame timers come first, in the order UpdateFrame fires them; the two
// holds are fired by the input step.
enum TimerId : int64_t {
  TimerReveal,         // the next ball of the draw
  TimerBallStep,       // a step of the balls' roll
  TimerAutoPause,      // the end of auto-run's pause between draws
  TimerSave,           // the debounced save: its delay, or its ceiling
  TimerStatusMessage,  // the notice's expiry
  TimerHistoryTotals,  // the next slice of the history's totals, in every frame until they are summed
  TimerDrawHold,       // the Draw button held for a second
  TimerSpaceHold,      // Space held for a second
  TimerCount,
};
constexpr int64_t FrameTimerCount = TimerHistoryTotals + 1;  // TimerReveal..TimerHistoryTotals

// One way a timer falls due: while running holds, at start + duration on the NowMs clock. A timer
// with several entries falls due at the first of them.
struct TimerEntry {
  TimerId timer;
  bool (*running)(const GameState& g);
  int64_t (*start)(const GameState& g);
  int64_t (*duration)(const GameState& g);
};

// True when one of the timer's entries runs and has reached its duration at now.
bool TimerDue(TimerId timer, const GameState& g, int64_t now);
// The earliest time at which an entry that runs falls due; def when none runs.
int64_t EarliestTimerDeadline(const GameState& g, int64_t def);
