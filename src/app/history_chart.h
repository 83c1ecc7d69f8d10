// The history's balance chart: the ledger's balances folded into pixel columns and rendered into
// an image once, when a draw is added or the history opens; each frame only stamps that image.
#pragma once

#include <cstdint>

#include "state/history_chart_view.h"

// Reads the balance series of the chosen range from the ledger, folds it into the columns of a
// chart wPx x hPx device pixels and renders the chart's image (DrawBalanceChart stamps it).
void MakeBalanceChart(int64_t wPx, int64_t hPx);
// Switches the chart between the last BalanceChartRecentEvents events and all of them (the A key
// and the chart's own toggle) and makes the chart again at its last size, if one was made.
void ToggleBalanceChartRange();
// Whether the chart shows every event rather than the recent ones.
bool BalanceChartShowsAll();
// The columns of the chart made last.
const BalanceChartView& BalanceChartColumns();
