// The game's records, the ledger and the save: what each event of a draw writes, in which order,
// and the start-up that opens the ledger and settles a draw a kill left charged.
#pragma once

#include <cstdint>

#include "rules/rules.h"

// The operation the rules report their events to: a charge and a settlement are committed to the
// ledger, then the save is written at once; a refinance and a full wipe become adjustments.
void WriteRecords(BookEvent event, int64_t balanceBefore, int64_t balanceAfter);

// Start-up after the save was loaded: opens the ledger (or starts one), reads the high-visibility
// marks setting from it (off when it cannot be read), brings the newest draw into
// step with the save (void, completed and paid, or marked settled) with its box, and records a
// balance the save's loading changed as a 'load repair'. No 'charged' row is left.
void OpenRecords();
