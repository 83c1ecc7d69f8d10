// The balance chart of the history: the balance after each event of the ledger, reduced to one
// entry per device pixel column, in fixed arrays so that building and drawing it allocate nothing.
#pragma once

#include <cstdint>

constexpr int64_t BalanceChartMaxColumns = 4096;    // widest chart, device pixels (wider is cut)
constexpr int64_t BalanceChartRecentEvents = 1000;  // the events of the chart's short range
// The image the chart is rendered into, clear of the numbers of ImageNumberBallsPanel and its kin.
constexpr int64_t ImageNumberBalanceChart = 40;

// The columns of the chart. With more events than columns each column holds several events and
// shows the lowest and highest balance among them; with fewer, event i of n sits in column
// i * columns / n and the columns between stay empty. A full wipe starts a new game, so the line
// is not joined into the column holding one (the events of that column before the wipe are
// counted in the column before it).
struct BalanceChartView {
  int64_t Columns = 0;      // columns in use, 0..BalanceChartMaxColumns (writer: app/history_chart)
  int64_t Events = 0;       // events shown, 0..all of the ledger's (writer: app/history_chart)
  int64_t AllEvents = 0;    // flag: every event, else the last BalanceChartRecentEvents (writer: app)
  int64_t Lowest = 0;       // the lowest balance of all columns, dollars (writer: app/history_chart)
  int64_t Highest = 0;      // the highest, dollars (writer: app/history_chart)
  int64_t Failed = 0;       // flag: the ledger could not be read, the columns are empty (writer: app)
  int32_t Count[BalanceChartMaxColumns] = {};  // events in each column, 0 for an empty one
  int64_t Low[BalanceChartMaxColumns] = {};    // each column's lowest balance, dollars
  int64_t High[BalanceChartMaxColumns] = {};   // its highest, dollars
  int64_t First[BalanceChartMaxColumns] = {};  // the balance of its first event, dollars
  int64_t Last[BalanceChartMaxColumns] = {};   // the balance of its last event, dollars
  uint8_t Break[BalanceChartMaxColumns] = {};  // 1 where a full wipe cuts the line before the column
};
