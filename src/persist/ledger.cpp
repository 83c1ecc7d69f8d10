// The ledger: a SQLite database of every draw and every adjustment of the balance, written in
// WAL mode with full syncs, one transaction per write; a broken file is set aside, never fatal.
#include "persist/ledger.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "state/calendar.h"
#include "state/game_state.h"

namespace {

// The tables and indexes of schema version 1, created in one transaction.
constexpr const char* SchemaSql =
    "CREATE TABLE draws ("
    " id INTEGER PRIMARY KEY,"
    " seq INTEGER NOT NULL,"
    " started_utc TEXT NOT NULL,"
    " settled_utc TEXT,"
    " state TEXT NOT NULL CHECK (state IN ('charged', 'settled', 'void')),"
    " schedule TEXT NOT NULL CHECK (schedule IN ('GENEROUS', 'CASINO')),"
    " bet_per_card INTEGER NOT NULL,"
    " cost INTEGER NOT NULL,"
    " numbers TEXT NOT NULL,"
    " balance_before INTEGER NOT NULL,"
    " balance_after INTEGER NOT NULL,"
    " pot_before INTEGER NOT NULL,"
    " pot_after INTEGER NOT NULL,"
    " progressive_prize INTEGER NOT NULL DEFAULT 0,"
    " consolation INTEGER NOT NULL DEFAULT 0,"
    " won INTEGER NOT NULL DEFAULT 0,"
    " lifetime_cost_after INTEGER NOT NULL,"
    " lifetime_won_after INTEGER NOT NULL,"
    " completed_at TEXT CHECK (completed_at IN ('revealed', 'ended', 'recovered', 'void')));"
    "CREATE TABLE cards ("
    " draw_id INTEGER NOT NULL REFERENCES draws (id),"
    " card INTEGER NOT NULL CHECK (card BETWEEN 1 AND 4),"
    " picks TEXT NOT NULL,"
    " spots INTEGER NOT NULL,"
    " hits INTEGER,"
    " win INTEGER,"
    " PRIMARY KEY (draw_id, card)) WITHOUT ROWID;"
    "CREATE TABLE adjustments ("
    " id INTEGER PRIMARY KEY,"
    " seq INTEGER NOT NULL,"
    " at_utc TEXT NOT NULL,"
    " kind TEXT NOT NULL CHECK (kind IN ('opening', 'load repair', 'refinance', 'full wipe')),"
    " balance_before INTEGER NOT NULL,"
    " balance_after INTEGER NOT NULL);"
    "CREATE TABLE settings (key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
    "CREATE UNIQUE INDEX draws_by_seq ON draws (seq);"
    "CREATE INDEX draws_by_time ON draws (started_utc);"
    "CREATE UNIQUE INDEX adjustments_by_seq ON adjustments (seq);"
    "PRAGMA user_version = 1;";

// The objects of the schema; a ledger of version 1 lacking one of them is broken.
constexpr const char* SchemaObjects[] = {"draws",        "cards",         "adjustments",       "settings",
                                         "draws_by_seq", "draws_by_time", "adjustments_by_seq"};
constexpr int SchemaObjectCount = static_cast<int>(sizeof SchemaObjects / sizeof SchemaObjects[0]);

// The open ledger and this run's two one-time reports.
struct LedgerFile {
  sqlite3* db = nullptr;
  std::string path;           // the ledger's file
  std::string folder;         // its folder, with "/" at the end
  int64_t nextSeq = 1;        // the seq of the next event
  int64_t nextDrawId = 1;     // the id of the next draw
  bool brokenShown = false;   // the set-aside box was shown this run
  bool failureShown = false;  // the write-failure box was shown this run
};

LedgerFile ledger;
const char* ledgerVfs = nullptr;
int64_t ledgerGeneration = 0;  // counts the files opened and closed: figures read under another are stale

// A time as ISO 8601 UTC with milliseconds ("2026-12-10T10:52:03.000Z"), or compact to the second
// for file names ("20261210T105203Z").
std::string UtcText(int64_t ms, bool compact) {
  int64_t days = ms / 86400000;
  int64_t inDay = ms % 86400000;
  if (inDay < 0) {
    inDay += 86400000;
    days -= 1;
  }
  int64_t year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  const int64_t h = inDay / 3600000, m = inDay / 60000 % 60, s = inDay / 1000 % 60, milli = inDay % 1000;
  char text[160];
  if (compact) {
    std::snprintf(text, sizeof text, "%04lld%02lld%02lldT%02lld%02lld%02lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s));
  } else {
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s), static_cast<long long>(milli));
  }
  return text;
}

// SQLite's verdict that the file is not a sound database.
// The pay mode of a schedule's name as stored (ScheduleName's inverse).
int64_t PayModeOf(const std::string& schedule) { return schedule == ScheduleName(0) ? 0 : 1; }

bool IsCorrupt(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  int rc() const { return rc_; }
  void Bind(int i, int64_t v) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, i, v);
  }
  void Bind(int i, const std::string& v) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_text(stmt_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void BindNull(int i) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_null(stmt_, i);
  }
  // Runs a statement that returns no rows.
  int Run() {
    if (rc_ != SQLITE_OK) return rc_;
    const int rc = sqlite3_step(stmt_);
    rc_ = rc == SQLITE_DONE ? SQLITE_OK : rc;
    return rc_;
  }
  // The next row: true with a row, false at the end or on an error (rc() tells which).
  bool Next() {
    if (rc_ != SQLITE_OK) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    rc_ = rc == SQLITE_DONE ? SQLITE_OK : rc;
    return false;
  }
  int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

int Exec(const char* sql) { return sqlite3_exec(ledger.db, sql, nullptr, nullptr, nullptr); }

// Tells the player once per run (shown: whether it was told already) in a "Keno" box, or on
// standard error where no box can be shown.
void TellOnce(bool& shown, const std::string& text) {
  if (Game.SaveFailuresToStandardError == 1) {
    WriteErrorLine("keno: " + text);
  } else if (!shown) {
    shown = true;
    ShowMessageBox("Keno", text, BoxIconWarning);
  }
}

// Tells the player once per run, in the save's words, that the ledger could not be written.
void ReportWriteFailure(int rc) {
  // A full disk is SQLITE_FULL, for which SQLite keeps no errno.
  const int error = (rc & 0xff) == SQLITE_FULL ? ENOSPC : ledger.db != nullptr ? sqlite3_system_errno(ledger.db) : 0;
  std::string why = error != 0 ? std::strerror(error) : sqlite3_errstr(rc);
  if (!why.empty() && why[0] >= 'a' && why[0] <= 'z') why[0] = static_cast<char>(why[0] - 'a' + 'A');
  TellOnce(ledger.failureShown, "Your progress could not be saved to " + ledger.path + ": " + why + ".");
}

// Renames the ledger and its -wal and -shm files aside under one broken-<UTC> name and tells
// the player once per run.
void SetAside() {
  if (ledger.db != nullptr) {
    // Closing would checkpoint the -wal into the broken file; it goes aside as it is instead.
    sqlite3_db_config(ledger.db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(ledger.db);
    ledger.db = nullptr;
    ++ledgerGeneration;
  }
  const std::string name = std::string(LedgerFileName) + LedgerBrokenInfix + UtcText(UtcNowMs(), true);
  const std::string aside = ledger.folder + name;
  std::error_code ignored;
  std::filesystem::rename(ledger.path, aside, ignored);
  for (const char* suffix : {"-wal", "-shm"}) {
    if (std::filesystem::exists(ledger.path + suffix, ignored))
      std::filesystem::rename(ledger.path + suffix, aside + suffix, ignored);
  }
  TellOnce(ledger.brokenShown,
           "Your draw history could not be read and was set aside as " + name + ". A new history has been started.");
}

// Reads the counters of an open ledger: the next seq and draw id.
int ReadCounters() {
  Statement s(ledger.db,
              "SELECT (SELECT coalesce(max(seq), 0) FROM draws), (SELECT coalesce(max(seq), 0) FROM adjustments),"
              " (SELECT coalesce(max(id), 0) FROM draws)");
  if (!s.Next()) return s.rc() != SQLITE_OK ? s.rc() : SQLITE_CORRUPT;
  ledger.nextSeq = std::max(s.Int(0), s.Int(1)) + 1;
  ledger.nextDrawId = s.Int(2) + 1;
  return SQLITE_OK;
}

// The outcome of opening the file.
enum class Opened { Ready, New, Broken, Failed };

// Opens the file and checks only what is cheap: the header (through the journal mode), the
// version and the schema's objects; creates the schema in an empty file.
Opened OpenFile(int& rc) {
  if (FileSizeOf(ledger.path) == -2) return Opened::Broken;  // a folder in its place
  ++ledgerGeneration;
  rc = sqlite3_open_v2(ledger.path.c_str(), &ledger.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, ledgerVfs);
  if (rc != SQLITE_OK) return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
  sqlite3_extended_result_codes(ledger.db, 1);
  sqlite3_busy_timeout(ledger.db, 1000);
  {
    Statement mode(ledger.db, "PRAGMA journal_mode = WAL");
    if (!mode.Next()) {
      rc = mode.rc();
      return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
    }
    // A file that cannot take WAL mode (its folder refuses the -wal file) cannot be written.
    if (mode.Text(0) != "wal") {
      rc = SQLITE_CANTOPEN;
      return Opened::Failed;
    }
  }
  if ((rc = Exec("PRAGMA synchronous = FULL")) != SQLITE_OK) return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
  int64_t version = 0;
  int64_t objects = 0;
  int64_t known = 0;
  {
    Statement v(ledger.db, "PRAGMA user_version");
    if (v.Next()) version = v.Int(0);
    if ((rc = v.rc()) != SQLITE_OK) return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
    Statement o(ledger.db, "SELECT name FROM sqlite_master");
    while (o.Next()) {
      ++objects;
      const std::string name = o.Text(0);
      for (int i = 0; i < SchemaObjectCount; ++i) known += name == SchemaObjects[i] ? 1 : 0;
    }
    if ((rc = o.rc()) != SQLITE_OK) return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
  }
  if (version == 0 && objects == 0) {
    rc = Exec("BEGIN IMMEDIATE");
    if (rc == SQLITE_OK) rc = Exec(SchemaSql);
    if (rc == SQLITE_OK) rc = Exec("COMMIT");
    if (rc != SQLITE_OK) {
      Exec("ROLLBACK");
      return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
    }
    return Opened::New;
  }
  // A newer game's ledger, another database, or a ledger missing part of its schema.
  if (version != LedgerSchemaVersion || known != SchemaObjectCount) return Opened::Broken;
  rc = ReadCounters();
  if (rc != SQLITE_OK) return IsCorrupt(rc) ? Opened::Broken : Opened::Failed;
  return Opened::Ready;
}

void CloseFile() {
  if (ledger.db != nullptr) sqlite3_close_v2(ledger.db);
  ledger.db = nullptr;
  ++ledgerGeneration;
}

int InsertAdjustment(const char* kind, int64_t before, int64_t after) {
  Statement s(ledger.db,
              "INSERT INTO adjustments (seq, at_utc, kind, balance_before, balance_after) VALUES (?, ?, ?, ?, ?)");
  s.Bind(1, ledger.nextSeq);
  s.Bind(2, UtcText(UtcNowMs(), false));
  s.Bind(3, std::string(kind));
  s.Bind(4, before);
  s.Bind(5, after);
  const int rc = s.Run();
  if (rc == SQLITE_OK) ++ledger.nextSeq;
  return rc;
}

// Runs body as one transaction; true when it was committed. The counters move back when it was not.
template <class Body>
int Transaction(Body body) {
  const int64_t seq = ledger.nextSeq, drawId = ledger.nextDrawId;
  int rc = Exec("BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) rc = body();
  if (rc == SQLITE_OK) rc = Exec("COMMIT");
  if (rc != SQLITE_OK) {
    if (!sqlite3_get_autocommit(ledger.db)) Exec("ROLLBACK");
    ledger.nextSeq = seq;
    ledger.nextDrawId = drawId;
  }
  return rc;
}

// Opens the ledger, or sets a broken one aside and starts a new one whose 'opening' row holds
// openingBalance. Reports a ledger that cannot be opened.
void OpenOrRestart(int64_t openingBalance) {
  int rc = SQLITE_OK;
  Opened opened = OpenFile(rc);
  if (opened == Opened::Broken) {
    SetAside();
    rc = SQLITE_OK;
    opened = OpenFile(rc);
  }
  if (opened == Opened::Failed || opened == Opened::Broken) {
    ReportWriteFailure(rc);
    CloseFile();
    return;
  }
  if (opened == Opened::New) {
    ledger.nextSeq = 1;
    ledger.nextDrawId = 1;
    rc = Transaction([&] { return InsertAdjustment("opening", openingBalance, openingBalance); });
    if (rc != SQLITE_OK) ReportWriteFailure(rc);
  }
}

// Runs a write; a corruption found on the way sets the ledger aside and starts a new one from
// openingBalance, where the write is tried once more when retry allows. Other failures are reported.
template <class Body>
bool Write(int64_t openingBalance, bool retry, Body body) {
  if (ledger.db == nullptr) return false;
  int rc = Transaction(body);
  if (rc == SQLITE_OK) return true;
  if (!IsCorrupt(rc)) {
    ReportWriteFailure(rc);
    return false;
  }
  SetAside();
  OpenOrRestart(openingBalance);
  if (!retry || ledger.db == nullptr) return false;
  rc = Transaction(body);
  if (rc == SQLITE_OK) return true;
  ReportWriteFailure(rc);
  return false;
}

// Numbers as text separated by single spaces.
std::string NumberList(const int64_t* numbers, int64_t count) {
  std::string text;
  for (int64_t i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += std::to_string(numbers[i]);
  }
  return text;
}

// A card's picks in ascending order, separated by single spaces.
std::string PickList(const ChargedCard& card) {
  std::string text;
  for (int n = 1; n <= NumberCount; ++n) {
    if (card.Picked[n] == 0) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(n);
  }
  return text;
}

int64_t LifetimeCost(int64_t payMode) { return payMode == 0 ? Game.LifetimeGenCost : Game.LifetimeCasCost; }
int64_t LifetimeWon(int64_t payMode) { return payMode == 0 ? Game.LifetimeGenWon : Game.LifetimeCasWon; }

// Parses a list of numbers separated by spaces into out; how many were read.
int64_t ParseNumbers(const std::string& text, int64_t* out, int64_t capacity) {
  int64_t count = 0;
  int64_t value = -1;
  for (const char ch : text + " ") {
    if (ch >= '0' && ch <= '9') {
      value = (value < 0 ? 0 : value * 10) + (ch - '0');
    } else if (value >= 0) {
      if (count < capacity) out[count] = value;
      ++count;
      value = -1;
    }
  }
  return count;
}

}  // namespace

void SetLedgerVfs(const char* vfsName) { ledgerVfs = vfsName; }

void CarryLedgerOver(const std::string& fromFolder, const std::string& toFolder) {
  const std::string from = fromFolder + LedgerFileName, to = toFolder + LedgerFileName;
  if (FileSizeOf(from) < 0 || FileSizeOf(to) != -1) return;
  // The -wal file holds the newest commits of a game that was killed: it goes first, so that a
  // ledger never arrives without it.
  for (const char* suffix : {"-wal", ""}) {
    const std::string source = from + suffix, target = to + suffix;
    std::error_code error;
    if (!std::filesystem::exists(source, error)) continue;
    std::filesystem::rename(source, target, error);
    if (!error) continue;
    // Another file system: copied, then the old one removed.
    if (std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error))
      std::filesystem::remove(source, error);
  }
  std::error_code ignored;
  std::filesystem::remove(from + "-shm", ignored);
}

void OpenLedger() {
  CloseFile();
  ledger = LedgerFile{};
  ledger.folder = DirectoryOf(Game.SavePath);
  ledger.path = ledger.folder + LedgerFileName;
  OpenOrRestart(Game.Balance);
}

void CloseLedger() { CloseFile(); }

std::string LedgerPath() { return ledger.path; }

bool LedgerAdjustment(const char* kind, int64_t balanceBefore, int64_t balanceAfter) {
  return Write(balanceBefore, true, [&] { return InsertAdjustment(kind, balanceBefore, balanceAfter); });
}

bool LedgerCharge() {
  ChargedDraw& charge = Game.Charge;
  charge.DrawId = 0;
  const bool written = Write(charge.BalanceBefore, true, [&] {
    Statement d(ledger.db,
                "INSERT INTO draws (id, seq, started_utc, state, schedule, bet_per_card, cost, numbers,"
                " balance_before, balance_after, pot_before, pot_after, lifetime_cost_after, lifetime_won_after)"
                " VALUES (?, ?, ?, 'charged', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    d.Bind(1, ledger.nextDrawId);
    d.Bind(2, ledger.nextSeq);
    d.Bind(3, UtcText(UtcNowMs(), false));
    d.Bind(4, std::string(ScheduleName(charge.PayMode)));
    d.Bind(5, charge.BetPerCard);
    d.Bind(6, charge.Cost);
    d.Bind(7, NumberList(Game.DrawOrder, BallsPerDraw));
    d.Bind(8, charge.BalanceBefore);
    d.Bind(9, Game.Balance);
    d.Bind(10, charge.PotBefore);
    d.Bind(11, Game.ProgressivePot);
    d.Bind(12, LifetimeCost(charge.PayMode));
    d.Bind(13, LifetimeWon(charge.PayMode));
    int rc = d.Run();
    for (int c = 1; c <= CardCount && rc == SQLITE_OK; ++c) {
      if (charge.Charged[c] == 0) continue;
      Statement k(ledger.db, "INSERT INTO cards (draw_id, card, picks, spots) VALUES (?, ?, ?, ?)");
      k.Bind(1, ledger.nextDrawId);
      k.Bind(2, c);
      k.Bind(3, PickList(charge.Cards[c]));
      k.Bind(4, charge.Cards[c].PickCount);
      rc = k.Run();
    }
    if (rc == SQLITE_OK) {
      charge.DrawId = ledger.nextDrawId;
      ++ledger.nextDrawId;
      ++ledger.nextSeq;
    }
    return rc;
  });
  return written;
}

bool LedgerSettlement() {
  const ChargedDraw& charge = Game.Charge;
  if (charge.DrawId == 0) return false;
  const char* completed = charge.End == DrawEnded ? "ended" : charge.End == DrawRecovered ? "recovered" : "revealed";
  // A ledger set aside on the way lost the draw's row: the new one starts from the balance now.
  return Write(Game.Balance, false, [&] {
    Statement d(ledger.db,
                "UPDATE draws SET state = 'settled', settled_utc = ?, balance_after = ?, pot_after = ?,"
                " progressive_prize = ?, consolation = ?, won = ?, lifetime_won_after = ?, completed_at = ?"
                " WHERE id = ?");
    d.Bind(1, UtcText(UtcNowMs(), false));
    d.Bind(2, Game.Balance);
    d.Bind(3, Game.ProgressivePot);
    d.Bind(4, charge.ProgressivePrize);
    d.Bind(5, charge.Consolation);
    d.Bind(6, charge.Won);
    d.Bind(7, LifetimeWon(charge.PayMode));
    d.Bind(8, std::string(completed));
    d.Bind(9, charge.DrawId);
    int rc = d.Run();
    for (int c = 1; c <= CardCount && rc == SQLITE_OK; ++c) {
      if (charge.Charged[c] == 0) continue;
      Statement k(ledger.db, "UPDATE cards SET hits = ?, win = ? WHERE draw_id = ? AND card = ?");
      k.Bind(1, charge.Cards[c].HitCount);
      k.Bind(2, Game.CardWin[c]);
      k.Bind(3, charge.DrawId);
      k.Bind(4, c);
      rc = k.Run();
    }
    return rc;
  });
}

bool LedgerVoid(int64_t drawId) {
  return Write(Game.Balance, false, [&] {
    Statement d(ledger.db,
                "UPDATE draws SET state = 'void', settled_utc = ?, balance_after = balance_before,"
                " pot_after = pot_before, won = 0, progressive_prize = 0, consolation = 0, completed_at = 'void'"
                " WHERE id = ?");
    d.Bind(1, UtcText(UtcNowMs(), false));
    d.Bind(2, drawId);
    int rc = d.Run();
    if (rc == SQLITE_OK) {
      Statement k(ledger.db, "UPDATE cards SET hits = 0, win = 0 WHERE draw_id = ?");
      k.Bind(1, drawId);
      rc = k.Run();
    }
    return rc;
  });
}

bool LedgerRecovered(int64_t drawId) {
  return Write(Game.Balance, false, [&] {
    Statement d(ledger.db, "UPDATE draws SET completed_at = 'recovered' WHERE id = ?");
    d.Bind(1, drawId);
    return d.Run();
  });
}

namespace {

std::string readError;  // why the last read failed

// Ends a read: notes why it failed, and sets a corrupt ledger aside as a write would.
bool ReadDone(int rc) {
  if (rc == SQLITE_OK) {
    readError.clear();
    return true;
  }
  readError = sqlite3_errstr(rc);
  if (IsCorrupt(rc)) {
    SetAside();
    OpenOrRestart(Game.Balance);
  }
  return false;
}

}  // namespace

bool LedgerNewestDraw(LedgerDraw& out) {
  if (ledger.db == nullptr) return false;
  out = LedgerDraw{};
  int rc = SQLITE_OK;
  bool found = false;
  {
    Statement d(ledger.db,
                "SELECT id, state, schedule, bet_per_card, cost, numbers, balance_before, won, pot_before, pot_after,"
                " lifetime_cost_after, lifetime_won_after,"
                " seq > (SELECT coalesce(max(seq), 0) FROM adjustments) FROM draws ORDER BY id DESC LIMIT 1");
    if (d.Next()) {
      found = true;
      out.id = d.Int(0);
      out.state = d.Text(1);
      out.payMode = PayModeOf(d.Text(2));
      out.betPerCard = d.Int(3);
      out.cost = d.Int(4);
      ParseNumbers(d.Text(5), out.numbers, BallsPerDraw);
      out.balanceBefore = d.Int(6);
      out.won = d.Int(7);
      out.potBefore = static_cast<int32_t>(d.Int(8));
      out.potAfter = static_cast<int32_t>(d.Int(9));
      out.lifetimeCostAfter = d.Int(10);
      out.lifetimeWonAfter = d.Int(11);
      out.lastEvent = d.Int(12) != 0;
    }
    rc = d.rc();
  }
  if (found && rc == SQLITE_OK) {
    for (auto& card : out.picks)
      for (auto& pick : card) pick = 0;
    Statement k(ledger.db, "SELECT card, picks FROM cards WHERE draw_id = ?");
    k.Bind(1, out.id);
    while (k.Next()) {
      const int64_t c = k.Int(0);
      if (c < 1 || c > CardCount) continue;
      out.charged[c] = 1;
      int64_t picks[NumberCount] = {};
      const int64_t count = ParseNumbers(k.Text(1), picks, NumberCount);
      for (int64_t i = 0; i < count && i < NumberCount; ++i)
        if (picks[i] >= 1 && picks[i] <= NumberCount) out.picks[c][picks[i]] = 1;
    }
    rc = k.rc();
  }
  return ReadDone(rc) && found;
}

namespace {

// The first column of the first row of a query (with key bound as its one parameter, when
// given) into value; false when there is no row or the ledger cannot be read, a corrupt ledger
// being set aside and restarted at once.
bool ReadInteger(const char* sql, const char* key, int64_t& value) {
  if (ledger.db == nullptr) return false;
  int rc = SQLITE_OK;
  bool found = false;
  {
    Statement s(ledger.db, sql);
    if (key != nullptr) s.Bind(1, std::string(key));
    if (s.Next()) {
      found = true;
      value = s.Int(0);
    }
    rc = s.rc();
  }
  return ReadDone(rc) && found;
}

}  // namespace

bool LedgerLastBalance(int64_t& balance) {
  return ReadInteger(
      "SELECT balance_after FROM (SELECT seq, balance_after FROM draws WHERE seq = (SELECT max(seq) FROM draws)"
      " UNION ALL SELECT seq, balance_after FROM adjustments WHERE seq = (SELECT max(seq) FROM adjustments))"
      " ORDER BY seq DESC LIMIT 1",
      nullptr, balance);
}

bool LedgerSetting(const char* key, int64_t& value) {
  return ReadInteger("SELECT value FROM settings WHERE key = ? AND typeof(value) = 'integer'", key, value);
}

bool LedgerSetSetting(const char* key, int64_t value) {
  return Write(Game.Balance, true, [&] {
    Statement s(ledger.db, "INSERT OR REPLACE INTO settings (key, value) VALUES (?, ?)");
    s.Bind(1, std::string(key));
    s.Bind(2, value);
    return s.Run();
  });
}

namespace {

// The columns of a settled draw's row in the list, in the order FillSettled reads them.
constexpr const char* SettledColumns =
    "id, started_utc, schedule, bet_per_card, cost, won, progressive_prize, consolation, balance_before,"
    " balance_after, completed_at, numbers";

void FillSettled(const Statement& d, LedgerSettledDraw& out) {
  out.id = d.Int(0);
  out.startedUtc = d.Text(1);
  out.payMode = PayModeOf(d.Text(2));
  out.betPerCard = d.Int(3);
  out.cost = d.Int(4);
  out.won = d.Int(5);
  out.progressivePrize = d.Int(6);
  out.consolation = d.Int(7);
  out.balanceBefore = d.Int(8);
  out.balanceAfter = d.Int(9);
  out.completedAt = d.Text(10);
}

}  // namespace

int64_t LedgerSettledPage(int64_t fromId, LedgerSettledDraw* out, int64_t capacity) {
  if (ledger.db == nullptr) {
    readError = "the ledger is not open";
    return -1;
  }
  int64_t count = 0;
  int rc = SQLITE_OK;
  {
    std::string sql = std::string("SELECT ") + SettledColumns +
                      " FROM draws WHERE state = 'settled' AND id <= ? ORDER BY id DESC LIMIT ?";
    Statement d(ledger.db, sql.c_str());
    d.Bind(1, fromId > 0 ? fromId : INT64_MAX);
    d.Bind(2, capacity);
    while (count < capacity && d.Next()) {
      out[count] = LedgerSettledDraw{};
      FillSettled(d, out[count]);
      ++count;
    }
    rc = d.rc();
  }
  return ReadDone(rc) ? count : -1;
}

bool LedgerReadSettled(int64_t id, LedgerSettledDraw& out) {
  if (ledger.db == nullptr) {
    readError = "the ledger is not open";
    return false;
  }
  out = LedgerSettledDraw{};
  int rc = SQLITE_OK;
  bool found = false;
  {
    std::string sql = std::string("SELECT ") + SettledColumns + " FROM draws WHERE state = 'settled' AND id = ?";
    Statement d(ledger.db, sql.c_str());
    d.Bind(1, id);
    if (d.Next()) {
      found = true;
      FillSettled(d, out);
      ParseNumbers(d.Text(11), out.numbers, BallsPerDraw);
    }
    rc = d.rc();
  }
  if (found && rc == SQLITE_OK) {
    Statement k(ledger.db,
                "SELECT card, picks, spots, coalesce(hits, 0), coalesce(win, 0) FROM cards WHERE draw_id = ?");
    k.Bind(1, id);
    while (k.Next()) {
      const int64_t c = k.Int(0);
      if (c < 1 || c > CardCount) continue;
      LedgerCardRow& card = out.cards[c];
      card.charged = 1;
      int64_t picks[NumberCount] = {};
      const int64_t n = ParseNumbers(k.Text(1), picks, NumberCount);
      for (int64_t i = 0; i < n && i < NumberCount; ++i)
        if (picks[i] >= 1 && picks[i] <= NumberCount) card.picked[picks[i]] = 1;
      card.spots = k.Int(2);
      card.hits = k.Int(3);
      card.win = k.Int(4);
    }
    rc = k.rc();
  }
  return ReadDone(rc) && found;
}

int64_t LedgerSettledNeighbour(int64_t id, int64_t step) {
  if (ledger.db == nullptr) return 0;
  int64_t next = 0;
  int rc = SQLITE_OK;
  {
    const bool older = step < 0;
    Statement d(ledger.db, older ? "SELECT max(id) FROM draws WHERE state = 'settled' AND id < ?"
                                 : "SELECT min(id) FROM draws WHERE state = 'settled' AND id > ?");
    d.Bind(1, id > 0 ? id : older ? INT64_MAX : 0);
    if (d.Next()) next = d.Int(0);
    rc = d.rc();
  }
  return ReadDone(rc) ? next : 0;
}

bool LedgerSettledPosition(int64_t id, int64_t& position, int64_t& total) {
  if (ledger.db == nullptr) return false;
  int rc = SQLITE_OK;
  {
    Statement d(ledger.db, "SELECT coalesce(sum(id <= ?), 0), count(*) FROM draws WHERE state = 'settled'");
    d.Bind(1, id);
    if (d.Next()) {
      position = d.Int(0);
      total = d.Int(1);
    }
    rc = d.rc();
  }
  return ReadDone(rc);
}

std::string LedgerReadError() { return readError; }

// ---- The History overlay's totals and list positions ----

bool LedgerHistoryTotals(LedgerTotals& out) {
  out = LedgerTotals{};
  return LedgerAddHistoryTotals(1, INT64_MAX, out);
}

bool LedgerNewestDrawId(int64_t& id) {
  id = 0;
  if (ledger.db == nullptr) {
    readError = "the ledger is not open";
    return false;
  }
  int rc = SQLITE_OK;
  {
    Statement d(ledger.db, "SELECT coalesce(max(id), 0) FROM draws");
    if (d.Next()) id = d.Int(0);
    rc = d.rc();
  }
  return ReadDone(rc);
}

bool LedgerAddHistoryTotals(int64_t fromId, int64_t toId, LedgerTotals& out) {
  if (ledger.db == nullptr) {
    readError = "the ledger is not open";
    return false;
  }
  // Two scans in step, each in its table's key order (a card's key begins with its draw's id):
  // each draw's row is read once and its cards follow it, so nothing is joined or sorted.
  int rc = SQLITE_OK;
  {
    Statement d(ledger.db,
                "SELECT id, state = 'settled', schedule, bet_per_card, cost, won, progressive_prize, consolation"
                " FROM draws WHERE id BETWEEN ?1 AND ?2 ORDER BY id");
    d.Bind(1, fromId);
    d.Bind(2, toId);
    Statement c(ledger.db, "SELECT draw_id, spots FROM cards WHERE draw_id BETWEEN ?1 AND ?2 ORDER BY draw_id, card");
    c.Bind(1, fromId);
    c.Bind(2, toId);
    int64_t drawId = 0, mode = 0, bet = 0;
    bool settled = false, drawsLeft = true;
    // Reads the next draw and adds it when settled; false at the end (a statement stepped past
    // its end would start again).
    const auto nextDraw = [&] {
      drawsLeft = drawsLeft && d.Next();
      if (!drawsLeft) return false;
      drawId = d.Int(0);
      settled = d.Int(1) != 0;
      if (settled) {
        mode = PayModeOf(d.Text(2));
        bet = d.Int(3);
        ++out.draws;
        out.cost += d.Int(4);
        out.won += d.Int(5);
        out.progressive += d.Int(6);
        out.consolation += d.Int(7);
        out.biggestWin = std::max(out.biggestWin, d.Int(5));
      }
      return true;
    };
    while (c.Next()) {
      const int64_t cardDraw = c.Int(0);
      while (drawId < cardDraw && nextDraw()) {
      }
      const int64_t spots = c.Int(1);
      if (drawId == cardDraw && settled && spots >= 1 && spots <= MaxPicks) out.betBySpots[mode][spots] += bet;
    }
    while (nextDraw()) {
    }
    rc = d.rc() != SQLITE_OK ? d.rc() : c.rc();
  }
  return ReadDone(rc);
}

int64_t LedgerGeneration() { return ledgerGeneration; }

int64_t LedgerSettledIdAt(int64_t fromNewest) {
  if (ledger.db == nullptr || fromNewest < 0) return 0;
  int64_t id = 0;
  int rc = SQLITE_OK;
  {
    Statement d(ledger.db, "SELECT id FROM draws WHERE state = 'settled' ORDER BY id DESC LIMIT 1 OFFSET ?");
    d.Bind(1, fromNewest);
    if (d.Next()) id = d.Int(0);
    rc = d.rc();
  }
  return ReadDone(rc) ? id : 0;
}

// ---- end of the History overlay's block ----

bool LedgerBalanceSeries(int64_t last, LedgerBalanceFold fold, void* context) {
  if (ledger.db == nullptr) {
    readError = "the ledger is not open";
    return false;
  }
  // Draws and adjustments are each numbered in the order of their seq, so each table is read in
  // the order of its rowid (a plain scan, the fastest read, newest first for the last `last`) and
  // the two are merged here: no count is needed before the first event, and nothing is sorted.
  struct Event {
    int64_t seq, balance;
    bool wipe;
  };
  std::vector<Event> draws, adjustments;
  const auto read = [&](const char* allSql, const char* lastSql, std::vector<Event>& out) {
    Statement s(ledger.db, last > 0 ? lastSql : allSql);
    if (last > 0) s.Bind(1, last);
    while (s.Next()) out.push_back(Event{s.Int(0), s.Int(1), s.Int(2) != 0});
    if (last > 0) std::reverse(out.begin(), out.end());
    return s.rc();
  };
  int rc = read("SELECT seq, balance_after, 0 FROM draws WHERE state = 'settled' ORDER BY id",
                "SELECT seq, balance_after, 0 FROM draws WHERE state = 'settled' ORDER BY id DESC LIMIT ?", draws);
  if (rc == SQLITE_OK)
    rc = read("SELECT seq, balance_after, kind = 'full wipe' FROM adjustments ORDER BY id",
              "SELECT seq, balance_after, kind = 'full wipe' FROM adjustments ORDER BY id DESC LIMIT ?", adjustments);
  if (!ReadDone(rc)) return false;
  std::vector<Event> events(draws.size() + adjustments.size());
  const auto bySeq = [](const Event& a, const Event& b) { return a.seq < b.seq; };
  // A file whose rows were numbered out of order is still read right, at the cost of a sort.
  if (!std::is_sorted(draws.begin(), draws.end(), bySeq)) std::sort(draws.begin(), draws.end(), bySeq);
  if (!std::is_sorted(adjustments.begin(), adjustments.end(), bySeq))
    std::sort(adjustments.begin(), adjustments.end(), bySeq);
  std::merge(draws.begin(), draws.end(), adjustments.begin(), adjustments.end(), events.begin(), bySeq);
  const auto count = static_cast<int64_t>(events.size());
  const int64_t from = last > 0 && count > last ? count - last : 0;
  for (int64_t i = from; i < count; ++i) {
    const Event& e = events[static_cast<size_t>(i)];
    fold(context, i - from, count - from, e.balance, e.wipe);
  }
  return true;
}
