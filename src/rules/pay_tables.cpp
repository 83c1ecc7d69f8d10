// The two fixed pay schedules, the active copy that settlement reads, and the schedule swap.
#include "state/game_state.h"
#include "rules/rules.h"

namespace {

struct PayCell {
  int spots, hits;
  int64_t generous, casino;
};

// Every paying cell of either schedule; all other cells pay nothing.
constexpr PayCell PayCells[] = {
    {1, 1, 3, 3},
    {2, 2, 12, 12},
    {3, 2, 2, 1},
    {3, 3, 42, 42},
    {4, 2, 2, 1},
    {4, 3, 10, 4},
    {4, 4, 100, 120},
    {5, 3, 5, 2},
    {5, 4, 35, 20},
    {5, 5, 450, 750},
    {6, 3, 3, 1},
    {6, 4, 15, 7},
    {6, 5, 100, 80},
    {6, 6, 1600, 1500},
    {7, 3, 2, 0},
    {7, 4, 10, 2},
    {7, 5, 50, 20},
    {7, 6, 400, 400},
    {7, 7, 7000, 7000},
    {8, 4, 5, 0},
    {8, 5, 25, 10},
    {8, 6, 150, 80},
    {8, 7, 1500, 1500},
    {8, 8, 25000, 10000},
    {9, 4, 2, 0},
    {9, 5, 10, 5},
    {9, 6, 75, 50},
    {9, 7, 500, 300},
    {9, 8, 5000, 4000},
    {9, 9, 50000, 25000},
    {10, 5, 5, 2},
    {10, 6, 40, 20},
    {10, 7, 200, 132},
    {10, 8, 2000, 1000},
    {10, 9, 20000, 4500},
    {10, 10, 200000, 100000},
    {11, 5, 3, 0},
    {11, 6, 20, 10},
    {11, 7, 100, 60},
    {11, 8, 1000, 250},
    {11, 9, 10000, 2500},
    {11, 10, 100000, 25000},
    {11, 11, 500000, 125000},
    {12, 6, 10, 5},
    {12, 7, 50, 25},
    {12, 8, 500, 150},
    {12, 9, 5000, 1000},
    {12, 10, 50000, 5000},
    {12, 11, 250000, 25000},
    {12, 12, 1000000, 150000},
};

}  // namespace

// Fills both schedules once at start-up and selects the one PayMode names.
void InitPayTables() {
  for (const PayCell& cell : PayCells) {
    Game.PayGenerous[cell.spots][cell.hits] = cell.generous;
    Game.PayCasino[cell.spots][cell.hits] = cell.casino;
  }
  ApplyPayMode();
}

// Copies the schedule PayMode selects (any non-zero value means CASINO) into PayActive.
void ApplyPayMode() {
  const auto& source = Game.PayMode != 0 ? Game.PayCasino : Game.PayGenerous;
  for (int spots = 1; spots <= MaxPicks; ++spots)
    for (int hits = 0; hits <= MaxPicks; ++hits) Game.PayActive[spots][hits] = source[spots][hits];
}

// The right click on the Payout Table button: the other schedule at once, auto-run untouched.
void SwapPayMode() {
  // A stored mode other than 0 or 1 counts as CASINO, so it swaps to GENEROUS like 1 does.
  Game.PayMode = Game.PayMode != 0 ? 0 : 1;
  ApplyPayMode();
  RequestSave();
}

namespace {

// The number of ways to choose k of n, exactly (n at most NumberCount).
unsigned __int128 WaysToChoose(int64_t n, int64_t k) {
  if (k < 0 || k > n) return 0;
  unsigned __int128 ways = 1;
  for (int64_t i = 1; i <= k; ++i) ways = ways * static_cast<unsigned __int128>(n - k + i) / static_cast<unsigned __int128>(i);
  return ways;
}

}  // namespace

// The exact return to player of a card of the given spots on a schedule, in percent of its bet:
// each hit count's pay weighted by its hypergeometric chance among the 20 balls of 80.
double ExactReturnPercent(int64_t payMode, int64_t spots) {
  if (spots < 1 || spots > MaxPicks) return 0;
  const auto& table = payMode != 0 ? Game.PayCasino : Game.PayGenerous;
  unsigned __int128 weighted = 0;
  for (int64_t h = 0; h <= spots; ++h) {
    const unsigned __int128 ways = WaysToChoose(spots, h) * WaysToChoose(NumberCount - spots, BallsPerDraw - h);
    weighted += ways * static_cast<unsigned __int128>(table[spots][h]);
  }
  return static_cast<double>(static_cast<long double>(weighted) * 100.0L /
                             static_cast<long double>(WaysToChoose(NumberCount, BallsPerDraw)));
}
