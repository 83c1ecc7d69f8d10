// Counts heap allocations of the whole process while the game draws frames of a running draw:
// after warm-up, a steady-state frame allocates nothing. This binary replaces malloc and friends
// with counting wrappers around glibc's own allocator, so it is built without sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "app/game.h"
#include "app/history.h"
#include "app/recall.h"
#include "persist/ledger.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "platform/headless.h"
#include "rules/rules.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
inline void Count() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" {
void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
  Count();
  return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  Count();
  *out = __libc_memalign(alignment, size);
  return *out ? 0 : 12;  // ENOMEM
}
void free(void* p) { __libc_free(p); }
}

namespace {

// What covers the board while the counted draw runs.
enum class Shown { Board, History, Recall };

// Opens what is to be shown over the live game.
void Show(Shown shown) {
  if (shown == Shown::History) {
    OpenHistory();
  } else if (shown == Shown::Recall) {
    ASSERT_TRUE(EnterRecall(LedgerSettledNeighbour(0, -1)));
  }
}

// Runs frames until the draw under way has ended, landed and been saved.
void FinishDraw() {
  for (int frame = 0; frame < 2000 && (Game.Drawing || Game.BallAnimRunning || Game.SavePending); ++frame) {
    headless::AdvanceMs(16);
    ASSERT_TRUE(RunFrame());
  }
  ASSERT_EQ(Game.Drawing, 0);
  ASSERT_EQ(Game.SavePending, 0);
}

// Plays until every number has rolled down the tube and every text of a running draw has been
// drawn once, then counts the allocations of a few hundred frames of a new draw, on a screen of
// the given scale, with the board, the History overlay or a recalled draw shown. The overlay or
// recall is opened and one whole draw played under it before counting, so that its texts and the
// chart's image exist: opening, and a draw joining the list, read the ledger, events rather than
// steady frames.
void ExpectSteadyFramesAllocateNothing(int64_t scale, Shown shown = Shown::Board) {
  headless::Reset(3);
  headless::SetScale(scale);
  ASSERT_TRUE(StartUp());
  ASSERT_EQ(ScreenScale(), scale);
  for (int c = 1; c <= 4; ++c)
    for (int k = 0; k < 12; ++k) TogglePick(c, 1 + (c * 13 + k * 7) % 80);
  Game.Speed = 5;
  Game.AutoRun = 1;
  StartDraw();
  for (int frame = 0; frame < 20000 && Game.SetDraws < 80; ++frame) {
    headless::AdvanceMs(40);
    Game.AutoRun = 1;  // a jackpot box would stop the series
    ASSERT_TRUE(RunFrame());
  }
  ASSERT_GE(Game.SetDraws, 80);
  Game.AutoRun = 0;
  for (int frame = 0; frame < 400 && (Game.Drawing || Game.BallAnimRunning); ++frame) {
    headless::AdvanceMs(16);
    ASSERT_TRUE(RunFrame());
  }

  // The autosave after the last draw writes a file, an event rather than a steady frame.
  for (int frame = 0; frame < 400 && Game.SavePending; ++frame) {
    headless::AdvanceMs(16);
    ASSERT_TRUE(RunFrame());
  }
  ASSERT_EQ(Game.SavePending, 0);

  Game.Speed = 3;
  if (shown != Shown::Board) {
    Show(shown);
    StartDraw();
    FinishDraw();
  }
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  for (int frame = 0; frame < 5; ++frame) {
    headless::AdvanceMs(16);
    ASSERT_TRUE(RunFrame());
  }
  allocations = 0;
  counting = true;
  int frames = 0;
  while (frames < 600 && Game.BallsRevealed < 20) {
    headless::AdvanceMs(16);
    RunFrame();
    ++frames;
  }
  counting = false;
  EXPECT_GE(frames, 300);
  EXPECT_EQ(allocations.load(), 0) << "over " << frames << " frames at scale " << scale;
  EXPECT_EQ(History.Open, shown == Shown::History ? 1 : 0);
  EXPECT_EQ(Recall.Open, shown == Shown::Recall ? 1 : 0);
  Shutdown();
}

TEST(SteadyFrame, ARunningDrawAllocatesNothingAfterWarmUp) { ExpectSteadyFramesAllocateNothing(1); }

// The same on a high-density screen, where texts and circles are rendered at twice the size.
TEST(SteadyFrame, ARunningDrawAllocatesNothingAfterWarmUpAtScaleTwo) { ExpectSteadyFramesAllocateNothing(2); }

// The History overlay open over a running draw: its texts and the chart's image are made once and
// stamped in every frame after.
TEST(SteadyFrame, TheHistoryOverlayOverARunningDrawAllocatesNothing) {
  ExpectSteadyFramesAllocateNothing(1, Shown::History);
}

// A past draw recalled while a new one runs underneath: the recall view is read once.
TEST(SteadyFrame, ARecalledDrawOverARunningDrawAllocatesNothing) { ExpectSteadyFramesAllocateNothing(1, Shown::Recall); }

}  // namespace
