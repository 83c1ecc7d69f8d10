// The History overlay: the totals over the whole ledger and a page of the latest settled draws,
// opened with H or a right-click on the stats panel, read through the ledger into the view the
// overlay is drawn from.
#pragma once

#include "platform/platform.h"

// Opens the overlay: auto-run stops, the totals and the newest page are read, the newest draw is
// selected. A draw being revealed goes on.
void OpenHistory();
// Closes the overlay; nothing else changes.
void CloseHistory();
// Begins summing the totals over the ledger (at start-up, after the ledger is open): a slice of
// draws in each frame while Game.HistoryTotalsPending, so that a long ledger costs no frame more
// than a few milliseconds; opening the overlay before the end sums the rest at once.
void StartHistoryTotals();
// Sums the next slice of the totals (the frame timer's step).
void SumHistoryTotalsSlice();
// Adds settled draw drawId to the totals, which are summed over the ledger once and then kept up
// to date this way; while the overlay is open, reads its page again, and the selected draw stays
// selected (the newest stays the newest).
void HistoryDrawSettled(int64_t drawId);
// Makes the balance chart's image while the overlay is open, once after it opened or a draw was
// added, and again when its space changed size; every other frame only stamps the image.
void KeepBalanceChart();
// One press or release while the overlay is open, or H / a right-click on the stats panel while
// it is closed. True when the overlay took it and nothing else may act on it; false when the game
// acts on it as usual (Space, Escape, the Draw button, after the overlay has closed).
bool HandleHistoryEdge(const InputEdge& e);
