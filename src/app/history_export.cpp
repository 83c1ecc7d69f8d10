// Export of the draw history: asks for the file through the platform's save dialog, has persist
// write it, and reports the outcome.
#include "app/history_export.h"

#include <cstdio>
#include <string>

#include "persist/ledger_export.h"
#include "platform/platform.h"
#include "state/calendar.h"
#include "state/game_state.h"

std::string SuggestedExportName(int64_t utcMs) {
  const int64_t local = utcMs / 1000 + LocalOffsetMinutes(utcMs) * 60;
  int64_t days = local / 86400;
  if (local % 86400 < 0) days -= 1;
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  char name[96];
  std::snprintf(name, sizeof name, "keno-history-%04lld-%02lld-%02lld.csv", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d));
  return name;
}

void ExportHistory() {
  const std::string path = ChooseExportFile(ExportDialogTitle, SuggestedExportName(UtcNowMs()));
  if (path.empty()) return;
  std::string reason;
  const int64_t draws = ExportLedger(path, reason);
  if (draws < 0) {
    ShowMessageBox("Keno", "Your draw history could not be exported to " + path + ": " + reason + ".", BoxIconWarning);
    return;
  }
  const size_t slash = path.find_last_of('/');
  std::string message = "Exported ";
  message += std::to_string(draws);
  message += " draws to ";
  message += slash == std::string::npos ? path : path.substr(slash + 1);
  Game.StatusMessage = std::move(message);
  Game.StatusMessageTime = NowMs();
  Game.StatusKind = StatusExport;
}
