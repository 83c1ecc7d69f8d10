// Export of the draw history: the desktop's save dialog, the CSV file, and the report of either
// outcome on the status line or in a box.
#pragma once

#include <cstdint>
#include <string>

// The export dialog's title and the name it suggests for a local date ("keno-history-2026-12-10.csv").
constexpr const char* ExportDialogTitle = "Export Keno History";
std::string SuggestedExportName(int64_t utcMs);

// Asks for a file, writes the whole ledger to it as CSV and says "Exported <n> draws to <file
// name>" on the status line; a failure is told in a box with its reason. Cancel does nothing.
void ExportHistory();
