// The ledger as CSV: one query, in seq order, read through a connection of its own and streamed
// into a temporary file beside the target, which is renamed over it when complete.
#include "persist/ledger_export.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "persist/ledger.h"
#include "persist/save_file.h"
#include "platform/platform.h"
#include "state/game_state.h"

namespace {

// Every row of the file in order: each settled draw's cards, then the adjustments, merged by seq
// (unique across both tables) and, within a draw, by card. Its columns are the file's. A draw
// in flight ('charged') and a void draw are left out.
constexpr const char* ExportSql =
    "SELECT 'card', d.seq, d.id, d.started_utc, d.schedule, d.bet_per_card, d.numbers, c.card, c.picks,"
    " c.spots, c.hits, c.win, d.cost, d.won, d.progressive_prize, d.consolation, d.balance_before,"
    " d.balance_after, d.completed_at FROM draws d JOIN cards c ON c.draw_id = d.id WHERE d.state = 'settled'"
    " UNION ALL SELECT 'adjustment', seq, NULL, at_utc, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
    " NULL, NULL, NULL, balance_before, balance_after, kind FROM adjustments ORDER BY 2, 8";
constexpr int ExportColumnCount = 19;
constexpr int DrawColumn = 2;           // the draw number, NULL on an adjustment's row
constexpr size_t FlushBytes = 1 << 16;  // the text gathered before it is written out
constexpr const char* LineEnd = "\r\n";

// Appends one field, in double quotes (each quote doubled) when it holds a comma, a quote or a
// line break, as RFC 4180 asks.
void AppendField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char ch : field) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

// The reason as a box shows it: with a capital first letter ("unable to open database file").
std::string Sentence(std::string reason) {
  if (!reason.empty() && reason[0] >= 'a' && reason[0] <= 'z') reason[0] = static_cast<char>(reason[0] - 'a' + 'A');
  return reason;
}

// Streams the query's rows into the open file ExportFileNumber; how many draws they held, -1 on a
// failure of the ledger, with its reason.
int64_t WriteRows(sqlite3* db, std::string& reason) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, ExportSql, -1, &stmt, nullptr);
  std::string text;
  text.reserve(FlushBytes + 4096);
  text += ExportColumns;
  text += LineEnd;
  int64_t draws = 0, lastDraw = 0;
  while (rc == SQLITE_OK) {
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) break;
    rc = SQLITE_OK;
    for (int i = 0; i < ExportColumnCount; ++i) {
      if (i > 0) text += ',';
      const auto* field = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      if (field != nullptr)
        AppendField(text, std::string_view(field, static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
    }
    text += LineEnd;
    if (sqlite3_column_type(stmt, DrawColumn) != SQLITE_NULL) {
      const int64_t draw = sqlite3_column_int64(stmt, DrawColumn);
      if (draw != lastDraw) ++draws;
      lastDraw = draw;
    }
    if (text.size() >= FlushBytes) {
      WriteBytes(ExportFileNumber, text);
      text.clear();
    }
  }
  if (rc == SQLITE_DONE) rc = SQLITE_OK;
  if (rc != SQLITE_OK) reason = Sentence(sqlite3_errmsg(db));
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) return -1;
  WriteBytes(ExportFileNumber, text);
  return draws;
}

}  // namespace

int64_t ExportLedger(const std::string& path, std::string& reason) {
  reason.clear();
  const std::string ledgerPath = LedgerPath();
  if (ledgerPath.empty()) {
    reason = "The draw history is not open";
    return -1;
  }
  // A connection of its own, read-only: one statement reads one consistent snapshot of the
  // ledger while the game's own connection goes on writing.
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(ledgerPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    reason = Sentence(db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return -1;
  }
  // A file reached through a symbolic link stays one: the new file replaces the link's target.
  const std::string target = ResolveLinks(path);
  const std::string temporary = CreateUniqueDataFile(ExportFileNumber, target + SaveTemporaryInfix);
  if (temporary.empty()) {
    reason = LastFileError();
    sqlite3_close(db);
    return -1;
  }
  const int64_t draws = WriteRows(db, reason);
  sqlite3_close(db);
  if (draws < 0) {
    CloseDataFile(ExportFileNumber);
    RemoveFile(temporary);
    return -1;
  }
  // A failed write, flush or rename is reported here; the temporary file is removed with it.
  if (CommitDataFile(ExportFileNumber, target) == 0) {
    reason = LastFileError();
    return -1;
  }
  return draws;
}
