// The ledger's cost on a real disk, on the headless back end: a draw's writes (the charge and the
// settlement, each a ledger commit and a save, syncs included) with 100,000 draws in the ledger,
// start-up with such a ledger against a start with none, its export to CSV, and the History
// overlay over it (the balance chart, a slice of the totals' summing, the opening). Each
// repetition is one draw, one start, one export, one chart, one slice or one opening; the median
// of the repetitions is the figure.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/game.h"
#include "app/history.h"
#include "app/history_chart.h"
#include "persist/ledger.h"
#include "persist/ledger_export.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

constexpr int64_t HistoryDraws = 100000;

std::string LedgerFile() { return headless::TempDir() + LedgerFileName; }

// Fills the ledger of a stopped game with HistoryDraws settled draws of two cards each after its
// opening row, in one transaction, each draw costing $2 and paying nothing.
void FillHistory() {
  sqlite3* db = nullptr;
  sqlite3_open(LedgerFile().c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* draw = nullptr;
  sqlite3_stmt* card = nullptr;
  sqlite3_prepare_v2(
      db,
      "INSERT INTO draws (id, seq, started_utc, settled_utc, state, schedule, bet_per_card, cost,"
      " numbers, balance_before, balance_after, pot_before, pot_after, won, lifetime_cost_after,"
      " lifetime_won_after, completed_at) VALUES (?1, ?1 + 1, strftime('%Y-%m-%dT%H:%M:%fZ', ?1, 'unixepoch'),"
      " strftime('%Y-%m-%dT%H:%M:%fZ', ?1, 'unixepoch'), 'settled', 'GENEROUS', 1, 2,"
      " '1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20', ?2, ?2 - 2, 25000, 25000, 0, 2 * ?1, 0,"
      " 'revealed')",
      -1, &draw, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO cards VALUES (?1, ?2, '41 42 43 44 45 46 47 48', 8, 0, 0)", -1, &card, nullptr);
  for (int64_t id = 1; id <= HistoryDraws; ++id) {
    sqlite3_bind_int64(draw, 1, id);
    sqlite3_bind_int64(draw, 2, 1000000 - 2 * (id - 1));
    sqlite3_step(draw);
    sqlite3_reset(draw);
    for (int c = 1; c <= 2; ++c) {
      sqlite3_bind_int64(card, 1, id);
      sqlite3_bind_int64(card, 2, c);
      sqlite3_step(card);
      sqlite3_reset(card);
    }
  }
  sqlite3_finalize(draw);
  sqlite3_finalize(card);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// A stopped game whose save and ledger hold a player after HistoryDraws draws (or none).
void PrepareHistory(bool withHistory) {
  headless::Reset(11);
  StartUp();
  Game.Balance = 1000000 - 2 * HistoryDraws;
  Game.LifetimeGenCost = 2 * HistoryDraws;
  for (int c = 1; c <= 2; ++c)
    for (int n = 41; n <= 48; ++n) TogglePick(c, n);
  SaveGame();
  Shutdown();
  std::filesystem::remove(LedgerFile());
  if (!withHistory) return;
  StartUp();  // a new ledger with its opening row at this balance...
  Shutdown();
  // ...whose opening is then moved before the history, which it explains.
  sqlite3* db = nullptr;
  sqlite3_open(LedgerFile().c_str(), &db);
  sqlite3_exec(db, "UPDATE adjustments SET seq = 1, balance_before = 1000000, balance_after = 1000000", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
  FillHistory();
}

// One draw's writes: the charge (ledger row, then the save) and its settlement at once (ledger
// row, then the save). The rules' own work is microseconds of it.
void BM_DrawWrites(benchmark::State& state) {
  static bool prepared = false;
  if (!prepared) {
    PrepareHistory(true);
    StartUp();
    prepared = true;
  }
  for (auto _ : state) {
    StartDraw();
    CompleteDrawNow(DrawEnded);
  }
  state.counters["draws_in_ledger"] = static_cast<double>(Game.Charge.DrawId);
}
BENCHMARK(BM_DrawWrites)->Iterations(1)->Repetitions(300)->Unit(benchmark::kMillisecond);

// The ledger's share of them: the two commits of a draw (its row at the charge, its settlement)
// without the saves, on the same ledger.
void BM_LedgerCommits(benchmark::State& state) {
  for (auto _ : state) {
    LedgerCharge();
    LedgerSettlement();
  }
}
BENCHMARK(BM_LedgerCommits)->Iterations(1)->Repetitions(300)->Unit(benchmark::kMillisecond);

// Start-up (headless: window, fonts, the save, the ledger and its checks) with the ledger of
// state.range(0) (1: 100,000 draws, 0: none, so a new one is made with its opening row).
void BM_StartUp(benchmark::State& state) {
  const bool withHistory = state.range(0) == 1;
  Shutdown();
  PrepareHistory(withHistory);
  for (auto _ : state) {
    state.PauseTiming();
    if (!withHistory) std::filesystem::remove(LedgerFile());
    state.ResumeTiming();
    StartUp();
    state.PauseTiming();
    Shutdown();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUp)->Arg(0)->Arg(1)->Iterations(1)->Repetitions(30)->Unit(benchmark::kMillisecond);

// The export of a ledger of 100,000 draws of two cards each to CSV (one query, streamed into a
// temporary file, synced and renamed), as "Export CSV..." writes it.
void BM_Export(benchmark::State& state) {
  Shutdown();
  PrepareHistory(true);
  StartUp();
  const std::string path = headless::TempDir() + "keno-history.csv";
  int64_t draws = 0;
  for (auto _ : state) {
    std::string reason;
    draws = ExportLedger(path, reason);
    if (draws < 0) state.SkipWithError(reason.c_str());
  }
  state.counters["draws_exported"] = static_cast<double>(draws);
  state.counters["file_bytes"] = static_cast<double>(FileSizeOf(path));
  Shutdown();
}
BENCHMARK(BM_Export)->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);

// The history's balance chart over the ledger of 100,000 draws: the query, the fold into columns
// and the image, for a chart 1,200 x 300 device pixels over all the events (state.range(0) 1) or
// over the last 1,000 (0).
void BM_BalanceChart(benchmark::State& state) {
  Shutdown();
  PrepareHistory(true);
  StartUp();
  if (BalanceChartShowsAll() != (state.range(0) == 1)) ToggleBalanceChartRange();
  for (auto _ : state) MakeBalanceChart(1200, 300);
  state.counters["events"] = static_cast<double>(BalanceChartColumns().Events);
}
BENCHMARK(BM_BalanceChart)->Arg(1)->Arg(0)->Iterations(1)->Repetitions(30)->Unit(benchmark::kMillisecond);

// Opening the History overlay over the ledger of 100,000 draws, H to its first frame drawn: the
// totals, the newest page, the chart over the last 1,000 events and the frame. With
// state.range(0) 0 the totals were summed by start-up's slices, as they are by the time a player
// can press a key; with 1 the overlay opens before any frame ran, so the whole ledger is summed at
// once (the worst case, which no player meets).
void BM_OpenHistory(benchmark::State& state) {
  const bool atOnce = state.range(0) == 1;
  Shutdown();
  PrepareHistory(true);
  StartUp();
  if (BalanceChartShowsAll()) ToggleBalanceChartRange();
  for (auto _ : state) {
    state.PauseTiming();
    Shutdown();
    StartUp();
    while (!atOnce && Game.HistoryTotalsPending == 1) RunFrame();
    state.ResumeTiming();
    OpenHistory();
    RenderFrame();
    state.PauseTiming();
    CloseHistory();
    state.ResumeTiming();
  }
  Shutdown();
}
BENCHMARK(BM_OpenHistory)->Arg(0)->Arg(1)->Iterations(1)->Repetitions(20)->Unit(benchmark::kMillisecond);

// One slice of start-up's summing of the totals over the ledger of 100,000 draws: what it adds to
// each of the frames after start-up until the totals are summed.
void BM_TotalsSlice(benchmark::State& state) {
  Shutdown();
  PrepareHistory(true);
  StartUp();
  for (auto _ : state) {
    state.PauseTiming();
    StartHistoryTotals();
    state.ResumeTiming();
    SumHistoryTotalsSlice();
  }
  Shutdown();
}
BENCHMARK(BM_TotalsSlice)->Iterations(1)->Repetitions(30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
