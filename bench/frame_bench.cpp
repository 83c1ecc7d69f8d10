// Frame rendering benchmarks: the cost of drawing one complete frame in the situations that
// draw the most (the History overlay and a recalled draw among them), at the start-up size and
// at 2560 x 1440, and at the start-up size on a scale-2 screen (2564 x 1804 device pixels), with
// the text cache on and off.
#include <benchmark/benchmark.h>

#include "app/game.h"
#include "app/history.h"
#include "app/recall.h"
#include "persist/ledger.h"
#include "state/game_state.h"
#include "platform/canvas_internal.h"
#include "platform/headless.h"
#include "rules/rules.h"

namespace {

enum Scene { IdleMain, BusyDraw, PayTable, About, History, Recall };

// Starts a game at the given window size and scale with four cards of picks, then sets up the scene.
void Prepare(Scene scene, int64_t w, int64_t h, int64_t scale) {
  headless::Reset(42);
  headless::SetScale(scale);
  StartUp();
  headless::ResizeWindow(w, h);
  RunFrame();
  for (int c = 1; c <= 4; ++c)
    for (int k = 0; k < 3 * c + 1 && k < 12; ++k) TogglePick(c, 1 + (c * 7 + k * 6) % 80);
  SetActiveTab(0);
  Game.Speed = 5;
  StartDraw();
  // Run the draw until about half the balls are out, several of them still rolling.
  for (int i = 0; i < 60 && Game.BallsRevealed < 10; ++i) {
    headless::AdvanceMs(16);
    RunFrame();
  }
  if (scene != BusyDraw) {
    for (int i = 0; i < 400 && Game.Drawing; ++i) {
      headless::AdvanceMs(16);
      RunFrame();
    }
    for (int i = 0; i < 100 && Game.BallAnimRunning; ++i) {
      headless::AdvanceMs(16);
      RunFrame();
    }
  }
  Game.PayTableOpen = scene == PayTable;
  Game.AboutOpen = scene == About;
  Game.AutoRun = 0;
  // The overlay over the ledger of this one draw, its chart made; recall of that draw.
  if (scene == History) OpenHistory();
  if (scene == Recall) EnterRecall(LedgerSettledNeighbour(0, -1));
  RenderFrame();
  headless::ClearBoxLog();
}

// One frame per iteration, with the state frozen in the scene.
void BM_Frame(benchmark::State& state, Scene scene, int64_t w, int64_t h, int64_t scale, bool cache) {
  canvas::SetTextCacheEnabled(cache);
  Prepare(scene, w, h, scale);
  for (auto _ : state) {
    RenderFrame();
  }
  state.counters["balls_rolling"] = static_cast<double>(Game.BallAnimCount);
  Shutdown();
  canvas::SetTextCacheEnabled(true);
}

// w x h logical pixels at scale s.
#define KENO_FRAME_BENCH(name, scene, w, h, s)                                               \
  BENCHMARK_CAPTURE(BM_Frame, name##_##w##x##h##_scale##s##_cached, scene, w, h, s, true)    \
      ->Unit(benchmark::kMicrosecond)                                                        \
      ->Repetitions(5)                                                                       \
      ->ReportAggregatesOnly(true);                                                          \
  BENCHMARK_CAPTURE(BM_Frame, name##_##w##x##h##_scale##s##_uncached, scene, w, h, s, false) \
      ->Unit(benchmark::kMicrosecond)                                                        \
      ->Repetitions(5)                                                                       \
      ->ReportAggregatesOnly(true)

KENO_FRAME_BENCH(idle_main, IdleMain, 1282, 902, 1);
KENO_FRAME_BENCH(busy_draw, BusyDraw, 1282, 902, 1);
KENO_FRAME_BENCH(pay_table, PayTable, 1282, 902, 1);
KENO_FRAME_BENCH(about, About, 1282, 902, 1);
KENO_FRAME_BENCH(history, History, 1282, 902, 1);
KENO_FRAME_BENCH(recall, Recall, 1282, 902, 1);
KENO_FRAME_BENCH(idle_main, IdleMain, 2560, 1440, 1);
KENO_FRAME_BENCH(busy_draw, BusyDraw, 2560, 1440, 1);
KENO_FRAME_BENCH(pay_table, PayTable, 2560, 1440, 1);
KENO_FRAME_BENCH(about, About, 2560, 1440, 1);
KENO_FRAME_BENCH(idle_main, IdleMain, 1282, 902, 2);
KENO_FRAME_BENCH(busy_draw, BusyDraw, 1282, 902, 2);
KENO_FRAME_BENCH(pay_table, PayTable, 1282, 902, 2);
KENO_FRAME_BENCH(about, About, 1282, 902, 2);
KENO_FRAME_BENCH(history, History, 1282, 902, 2);
KENO_FRAME_BENCH(recall, Recall, 1282, 902, 2);

}  // namespace

BENCHMARK_MAIN();
