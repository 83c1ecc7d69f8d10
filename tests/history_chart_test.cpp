// The history's balance chart: the ledger's balances folded into pixel columns (the lowest and
// highest of each when the events outnumber the columns), the recent or the whole range, a full
// wipe breaking the line, and the draw in flight and the void draws left out.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/history_chart.h"
#include "game_fixture.h"
#include "persist/ledger.h"
#include "platform/headless.h"
#include "state/game_state.h"
#include "ui/history_chart.h"
#include "ui/palette.h"

namespace {

// One scripted event of the ledger: a draw in a state, or an adjustment of a kind, and the
// balance after it.
struct Event {
  const char* what;  // "settled", "charged", "void", or an adjustment's kind
  int64_t balance;
};

bool IsDraw(const std::string& what) { return what == "settled" || what == "charged" || what == "void"; }

class HistoryChart : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    shown_.push_back(OpeningBalance());
  }

  // The opening row's balance, the series' first event.
  int64_t OpeningBalance() {
    int64_t balance = 0;
    EXPECT_TRUE(LedgerLastBalance(balance));
    return balance;
  }

  // Appends the events to the ledger file after its last seq, in one transaction of a connection of
  // the test's own; the settled draws and adjustments are noted as the chart's series.
  void Append(const std::vector<Event>& events) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(LedgerPath().c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* draw = nullptr;
    sqlite3_stmt* adjustment = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "INSERT INTO draws (id, seq, started_utc, state, schedule, bet_per_card, cost,"
                                 " numbers, balance_before, balance_after, pot_before, pot_after,"
                                 " lifetime_cost_after, lifetime_won_after) VALUES ((SELECT coalesce(max(id), 0)"
                                 " + 1 FROM draws), ?1, '2026-12-10T10:52:03.000Z', ?2, 'GENEROUS', 1, 1, '', 0, ?3,"
                                 " 0, 0, 0, 0)",
                                 -1, &draw, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "INSERT INTO adjustments (seq, at_utc, kind, balance_before, balance_after)"
                                 " VALUES (?1, '2026-12-10T10:52:03.000Z', ?2, 0, ?3)",
                                 -1, &adjustment, nullptr),
              SQLITE_OK);
    for (const Event& e : events) {
      sqlite3_stmt* s = IsDraw(e.what) ? draw : adjustment;
      sqlite3_bind_int64(s, 1, ++seq_);
      sqlite3_bind_text(s, 2, e.what, -1, SQLITE_STATIC);
      sqlite3_bind_int64(s, 3, e.balance);
      ASSERT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(db);
      sqlite3_reset(s);
      if (std::string(e.what) != "charged" && std::string(e.what) != "void") shown_.push_back(e.balance);
    }
    sqlite3_finalize(draw);
    sqlite3_finalize(adjustment);
    ASSERT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }

  // n settled draws with balances that wander up and down, seeded.
  static std::vector<Event> Wander(int64_t n, uint32_t seed) {
    std::vector<Event> events;
    int64_t balance = 1000;
    for (int64_t i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      balance = std::max<int64_t>(0, balance + static_cast<int64_t>(seed >> 24) - 120);
      events.push_back({"settled", balance});
    }
    return events;
  }

  // Checks every column against the balances `series` folded by hand into `columns` columns.
  static void ExpectColumns(const std::vector<int64_t>& series, int64_t columns) {
    const BalanceChartView& v = BalanceChartColumns();
    const int64_t n = static_cast<int64_t>(series.size());
    ASSERT_EQ(v.Events, n);
    ASSERT_EQ(v.Columns, columns);
    std::vector<int64_t> low(columns, INT64_MAX), high(columns, INT64_MIN), count(columns, 0);
    for (int64_t i = 0; i < n; ++i) {
      // Fewer events than columns span the width, the last in the last column.
      const int64_t c = n <= 1 ? 0 : n <= columns ? i * (columns - 1) / (n - 1) : i * columns / n;
      low[c] = std::min(low[c], series[i]);
      high[c] = std::max(high[c], series[i]);
      ++count[c];
    }
    for (int64_t c = 0; c < columns; ++c) {
      ASSERT_EQ(v.Count[c], count[c]) << "column " << c;
      if (count[c] == 0) continue;
      EXPECT_EQ(v.Low[c], low[c]) << "column " << c;
      EXPECT_EQ(v.High[c], high[c]) << "column " << c;
    }
    EXPECT_EQ(v.Lowest, *std::min_element(series.begin(), series.end()));
    EXPECT_EQ(v.Highest, *std::max_element(series.begin(), series.end()));
  }

  // Whether the chart's image, stamped at the screen's corner, has anything but its background in
  // device column x (a line is anti-aliased, so its pixels need not be the line's colour).
  static bool LineInColumn(int64_t x, int64_t hPx) {
    for (int64_t y = 0; y < hPx; ++y)
      if (headless::PixelAt(x, y) != HistoryChartFill) return true;
    return false;
  }

  // Stamps the chart at the screen's top-left corner and presents the frame.
  static void ShowChart() {
    ASSERT_TRUE(BeginDrawing(ScreenTarget));
    DrawBalanceChart(Rect{0, 0, 10, 10});
    EndDrawing();
    PresentFrame();
  }

  std::vector<int64_t> shown_;  // the balances the chart should show, oldest first
  int64_t seq_ = 1;             // the last seq written (the opening row's is 1)
};

// With 2,500 events on 300 columns each column shows the lowest and highest balance of its own
// events, the line running between the lowest and highest of all.
TEST_F(HistoryChart, ColumnsHoldTheLowestAndHighestBalanceOfTheirEvents) {
  Append(Wander(2499, 7));
  if (!BalanceChartShowsAll()) ToggleBalanceChartRange();
  MakeBalanceChart(300, 120);
  ExpectColumns(shown_, 300);
}

// The chart shows the last 1,000 events until switched to all of them, and back; the switch makes
// the chart again at the size it was made at.
TEST_F(HistoryChart, SwitchesBetweenTheLastThousandEventsAndAll) {
  Append(Wander(1600, 3));
  if (BalanceChartShowsAll()) ToggleBalanceChartRange();
  MakeBalanceChart(400, 100);
  EXPECT_FALSE(BalanceChartShowsAll());
  ExpectColumns(std::vector<int64_t>(shown_.end() - BalanceChartRecentEvents, shown_.end()), 400);
  ToggleBalanceChartRange();
  EXPECT_TRUE(BalanceChartShowsAll());
  EXPECT_EQ(BalanceChartColumns().AllEvents, 1);
  ExpectColumns(shown_, 400);
  ToggleBalanceChartRange();
  ExpectColumns(std::vector<int64_t>(shown_.end() - BalanceChartRecentEvents, shown_.end()), 400);
}

// A 'charged' draw (in flight, its balls not all revealed) and a 'void' one are no events of the
// balance: their balances appear nowhere and they take no column.
TEST_F(HistoryChart, LeavesOutTheDrawInFlightAndVoidDraws) {
  Append({{"settled", 990}, {"void", 5000000}, {"settled", 980}, {"refinance", 1980}, {"charged", 7000000}});
  if (!BalanceChartShowsAll()) ToggleBalanceChartRange();
  MakeBalanceChart(50, 40);
  ExpectColumns(shown_, 50);
  EXPECT_EQ(BalanceChartColumns().Highest, 1980);
}

// A full wipe starts a new game: the line breaks before the column holding it, and nowhere else
// (a refinance keeps the game going). With more events than columns, the events of the wipe's
// column before it are counted in the column before.
TEST_F(HistoryChart, AFullWipeBreaksTheLine) {
  struct Case {
    int64_t columns;
    int64_t wipeColumn;      // where the wipe lands
    int64_t beforeColumn;    // the column the events before the wipe end in
  };
  // 40 events: the opening, 16 draws, the wipe (index 17), 20 draws, a refinance and a draw.
  std::vector<Event> events;
  for (int i = 0; i < 16; ++i) events.push_back({"settled", 900 - 50 * i});
  events.push_back({"full wipe", 1000});
  for (int i = 0; i < 20; ++i) events.push_back({"settled", 1000 + 10 * i});
  events.push_back({"refinance", 2190});
  events.push_back({"settled", 2180});
  Append(events);
  ASSERT_EQ(shown_.size(), 40u);
  if (!BalanceChartShowsAll()) ToggleBalanceChartRange();
  // 17 * 80 / 40 = 34, the last draw before it at 32; 17 * 10 / 40 = 4, sharing it with index 16.
  for (const Case& k : {Case{80, 34, 32}, Case{10, 4, 3}}) {
    SCOPED_TRACE(k.columns);
    MakeBalanceChart(k.columns, 60);
    const BalanceChartView& v = BalanceChartColumns();
    for (int64_t c = 0; c < k.columns; ++c) EXPECT_EQ(v.Break[c], c == k.wipeColumn ? 1 : 0) << "column " << c;
    EXPECT_EQ(v.Last[k.beforeColumn], 900 - 50 * 15);
    EXPECT_EQ(v.First[k.wipeColumn], 1000);
    EXPECT_EQ(v.Low[k.wipeColumn], 1000);
    int64_t counted = 0;
    for (int64_t c = 0; c < k.columns; ++c) counted += v.Count[c];
    EXPECT_EQ(counted, 40);
  }
  // On 80 columns the draws are two columns apart and joined by a line, except across the wipe.
  MakeBalanceChart(80, 60);
  ShowChart();
  EXPECT_TRUE(LineInColumn(31, 60));
  EXPECT_FALSE(LineInColumn(33, 60));
  EXPECT_TRUE(LineInColumn(35, 60));
}

}  // namespace
