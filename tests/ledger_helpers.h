// Reading the ledger from tests: one query's rows as text, through SQLite directly.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace ledger_test {

using Row = std::vector<std::string>;

// Every row of a query on the ledger file, each column as text ("NULL" for NULL); one row holding
// "error: ..." when the file cannot be read.
inline std::vector<Row> Query(const std::string& path, const std::string& sql) {
  std::vector<Row> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    rows.push_back({std::string("error: ") + sqlite3_errmsg(db)});
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    rows.push_back({std::string("error: ") + sqlite3_errmsg(db)});
    sqlite3_close(db);
    return rows;
  }
  int rc = 0;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    Row row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const unsigned char* text = sqlite3_column_text(stmt, i);
      row.push_back(text != nullptr ? reinterpret_cast<const char*>(text) : "NULL");
    }
    rows.push_back(row);
  }
  if (rc != SQLITE_DONE) rows.push_back({std::string("error: ") + sqlite3_errmsg(db)});
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

// Runs one statement that writes to the ledger file; false when it fails.
inline bool Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
  ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

// The one value of a query returning one row of one column, "" otherwise.
inline std::string Value(const std::string& path, const std::string& sql) {
  const std::vector<Row> rows = Query(path, sql);
  return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "";
}

// The whole story of the balance in seq order: kind ('draw' or the adjustment's kind), the state
// of a draw (or ""), balance_before and balance_after.
inline std::vector<Row> Events(const std::string& path) {
  return Query(path,
               "SELECT 'draw', state, balance_before, balance_after, seq FROM draws UNION ALL"
               " SELECT kind, '', balance_before, balance_after, seq FROM adjustments ORDER BY 5");
}

// Whether the events chain: each balance_before equals the previous balance_after, the first is an
// 'opening'; the last balance_after, or -1 when the chain is broken or empty.
inline long long ChainEnd(const std::string& path) {
  const std::vector<Row> events = Events(path);
  if (events.empty() || events[0].size() != 5 || events[0][0] != "opening") return -1;
  long long balance = std::stoll(events[0][3]);
  for (size_t i = 1; i < events.size(); ++i) {
    if (events[i].size() != 5 || std::stoll(events[i][2]) != balance) return -1;
    balance = std::stoll(events[i][3]);
  }
  return balance;
}

}  // namespace ledger_test
