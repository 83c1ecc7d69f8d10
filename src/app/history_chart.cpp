// The balance chart's columns: the series streamed from the ledger is folded into them as it is
// read, so a ledger of any length costs one pass and no memory beyond the fixed view.
#include "app/history_chart.h"

#include <algorithm>

#include "persist/ledger.h"
#include "ui/history_chart.h"

namespace {

BalanceChartView chart;     // the columns of the chart made last
bool showAll = false;       // the range the player chose
int64_t madeW = 0;          // the size the chart was made at, device pixels (0: none made yet)
int64_t madeH = 0;
int64_t lastColumn = -1;    // the column the previous event of the series went into

// Adds one balance to column c.
void AddToColumn(int64_t c, int64_t balance) {
  if (chart.Count[c] == 0) {
    chart.Low[c] = chart.High[c] = chart.First[c] = balance;
  } else {
    chart.Low[c] = std::min(chart.Low[c], balance);
    chart.High[c] = std::max(chart.High[c], balance);
  }
  chart.Last[c] = balance;
  ++chart.Count[c];
}

// Folds event index of count into its column. At a full wipe the line breaks: the events of the
// wipe's column before it join the column before, so that column c holds the new game only.
void FoldEvent(void* /*context*/, int64_t index, int64_t count, int64_t balance, bool fullWipe) {
  chart.Events = count;
  // Fewer events than columns spread over the whole width, the last at the right edge.
  const int64_t c = count <= 1              ? 0
                    : count <= chart.Columns ? index * (chart.Columns - 1) / (count - 1)
                                             : index * chart.Columns / count;
  if (fullWipe && index > 0 && c > 0) {
    if (lastColumn == c && chart.Count[c] > 0) {
      const int64_t p = c - 1;
      if (chart.Count[p] == 0) {
        chart.Low[p] = chart.Low[c];
        chart.High[p] = chart.High[c];
        chart.First[p] = chart.First[c];
      } else {
        chart.Low[p] = std::min(chart.Low[p], chart.Low[c]);
        chart.High[p] = std::max(chart.High[p], chart.High[c]);
      }
      chart.Last[p] = chart.Last[c];
      chart.Count[p] += chart.Count[c];
      chart.Count[c] = 0;
    }
    chart.Break[c] = 1;
  }
  AddToColumn(c, balance);
  lastColumn = c;
}

}  // namespace

void MakeBalanceChart(int64_t wPx, int64_t hPx) {
  madeW = wPx;
  madeH = hPx;
  const int64_t columns = std::clamp<int64_t>(wPx, 0, BalanceChartMaxColumns);
  // Only the columns used before are cleared: a narrow chart costs nothing for the wide arrays.
  for (int64_t c = 0; c < std::max(columns, chart.Columns); ++c) {
    chart.Count[c] = 0;
    chart.Break[c] = 0;
  }
  chart.Columns = columns;
  chart.Events = 0;
  chart.AllEvents = showAll ? 1 : 0;
  chart.Failed = 0;
  lastColumn = -1;
  if (columns > 0 && !LedgerBalanceSeries(showAll ? 0 : BalanceChartRecentEvents, FoldEvent, nullptr)) {
    for (int64_t c = 0; c < columns; ++c) {
      chart.Count[c] = 0;
      chart.Break[c] = 0;
    }
    chart.Events = 0;
    chart.Failed = 1;
  }
  bool any = false;
  for (int64_t c = 0; c < columns; ++c) {
    if (chart.Count[c] == 0) continue;
    chart.Lowest = any ? std::min(chart.Lowest, chart.Low[c]) : chart.Low[c];
    chart.Highest = any ? std::max(chart.Highest, chart.High[c]) : chart.High[c];
    any = true;
  }
  if (!any) chart.Lowest = chart.Highest = 0;
  RenderBalanceChart(chart, wPx, hPx);
}

void ToggleBalanceChartRange() {
  showAll = !showAll;
  if (madeW > 0 && madeH > 0) MakeBalanceChart(madeW, madeH);
}

bool BalanceChartShowsAll() { return showAll; }

const BalanceChartView& BalanceChartColumns() { return chart; }
