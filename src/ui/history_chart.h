// The history's balance chart as drawn: rendered once into its image, stamped in each frame.
#pragma once

#include <cstdint>

#include "state/game_state.h"
#include "state/history_chart_view.h"

// Renders the columns into the chart's image of wPx x hPx device pixels (at the screen's scale):
// each column's lowest to highest balance as a bar one device pixel wide, joined to the column
// before unless a full wipe breaks the line there, where a faint mark stands instead.
void RenderBalanceChart(const BalanceChartView& view, int64_t wPx, int64_t hPx);
// Stamps the chart's image at r's top-left corner (logical pixels); nothing before one is made.
void DrawBalanceChart(const Rect& r);
