// The whole draw history as a CSV file for spreadsheets: one row per card of each settled draw and
// one per adjustment, in the order of their seq (the file's columns are described in README.md).
#pragma once

#include <cstdint>
#include <string>

// The file's header line: its columns, in order.
constexpr const char* ExportColumns =
    "row,seq,draw,utc,schedule,bet_per_card,numbers,card,picks,spots,hits,win,draw_cost,draw_won,"
    "progressive_prize,consolation,balance_before,balance_after,kind";

// Writes the open ledger to path as RFC 4180 CSV (UTF-8, CRLF line ends, a header line), through
// a temporary file beside it that is renamed over it when complete. How many draws it holds; -1
// when it was not written, with the reason in reason ("Permission denied") and no temporary file
// left behind.
int64_t ExportLedger(const std::string& path, std::string& reason);
