// The two pay schedules checked against their published returns, and the schedule swap.
#include <gtest/gtest.h>

#include <cstring>

#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"

namespace {

using rules_test::Choose;
using Table = int64_t[13][13];

// Return to player of one row in percent of the bet: the pay of each hit count weighted by the
// chance of that many of s spots among 20 balls out of 80.
double ReturnToPlayer(const Table& table, int spots) {
  unsigned __int128 weighted = 0;
  for (int h = 0; h <= spots; ++h) {
    const uint64_t ways = Choose(spots, h) * Choose(80 - spots, 20 - h);
    weighted += static_cast<unsigned __int128>(ways) * static_cast<uint64_t>(table[spots][h]);
  }
  return static_cast<double>(static_cast<long double>(weighted) * 100.0L / Choose(80, 20));
}

// Every row of a schedule against its published return.
void ExpectReturns(const Table& table, const double (&expected)[13], const char* name) {
  for (int s = 1; s <= 12; ++s) {
    EXPECT_NEAR(ReturnToPlayer(table, s), expected[s], 0.00005) << name << " " << s << " spots";
  }
}

// Cells that no card can reach or that a schedule never pays must hold 0.
void ExpectUnreachableCellsZero(const Table& table, const char* name) {
  for (int h = 0; h <= 12; ++h) EXPECT_EQ(table[0][h], 0) << name << " row 0, hits " << h;
  for (int s = 1; s <= 12; ++s) {
    EXPECT_EQ(table[s][0], 0) << name << " " << s << " spots, 0 hits";
    for (int h = s + 1; h <= 12; ++h) EXPECT_EQ(table[s][h], 0) << name << " " << s << " spots, " << h << " hits";
  }
}

class RulesPayTables : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset(1);
    Game = GameState{};
    InitPayTables();
  }
};

TEST_F(RulesPayTables, EveryRowReturnsItsPublishedPercentage) {
  const double generous[13] = {0,        75.0000,  72.1519,  86.0273,  116.4089, 113.3123, 133.3467,
                               176.7470, 156.9414, 147.8207, 145.4237, 179.6064, 197.5571};
  const double casino[13] = {0,       75.0000, 72.1519, 72.1519, 75.3234, 89.3410, 77.0713,
                             74.0801, 65.6502, 77.4966, 71.9298, 62.0748, 61.6705};
  ExpectReturns(Game.PayGenerous, generous, "GENEROUS");
  ExpectReturns(Game.PayCasino, casino, "CASINO");
  ExpectUnreachableCellsZero(Game.PayGenerous, "GENEROUS");
  ExpectUnreachableCellsZero(Game.PayCasino, "CASINO");
}

TEST_F(RulesPayTables, ActiveTableFollowsThePayMode) {
  EXPECT_EQ(0, std::memcmp(Game.PayActive, Game.PayGenerous, sizeof(Table)));
  // A save file can bring in any value; every non-zero one means CASINO.
  for (int64_t mode : {1, 7, -1}) {
    Game.PayMode = mode;
    ApplyPayMode();
    EXPECT_EQ(0, std::memcmp(Game.PayActive, Game.PayCasino, sizeof(Table))) << mode;
  }
  Game.PayMode = 0;
  ApplyPayMode();
  EXPECT_EQ(0, std::memcmp(Game.PayActive, Game.PayGenerous, sizeof(Table)));
}

class RulesPaySwap : public GameFixture {};

TEST_F(RulesPaySwap, SwapFlipsTheScheduleSavesAndLeavesAutoRunAlone) {
  Game.AutoRun = 1;
  Game.SavePending = 0;
  SwapPayMode();
  EXPECT_EQ(Game.PayMode, 1);
  EXPECT_EQ(Game.PayActive[4][4], 120);
  EXPECT_EQ(Game.PayActive[3][2], 1);
  EXPECT_EQ(Game.SavePending, 1);
  EXPECT_EQ(Game.SaveRequestTime, NowMs());
  EXPECT_EQ(Game.AutoRun, 1);
  SwapPayMode();
  EXPECT_EQ(Game.PayMode, 0);
  EXPECT_EQ(0, std::memcmp(Game.PayActive, Game.PayGenerous, sizeof(Table)));
  EXPECT_EQ(Game.PayActive[3][2], 2);
}

// A stored mode outside 0/1 plays as CASINO; a swap must still reach GENEROUS.
TEST_F(RulesPaySwap, SwapFromAnUnusualStoredModeReachesGenerous) {
  for (int64_t stored : {7, -6}) {
    Game.PayMode = stored;
    ApplyPayMode();
    SwapPayMode();
    EXPECT_EQ(Game.PayMode, 0) << stored;
    EXPECT_EQ(0, std::memcmp(Game.PayActive, Game.PayGenerous, sizeof(Table))) << stored;
  }
}

}  // namespace
