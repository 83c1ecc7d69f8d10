// Export of the draw history: the CSV file of a scripted ledger byte for byte, the quoting of a
// field that needs it, the dialog's title and suggested name, cancelling it (also by a quit
// signal), and failures that leave a box and no temporary file behind.
#include "app/history_export.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/game.h"
#include "ledger_helpers.h"
#include "persist/ledger.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/game_state.h"

namespace {

using rules_test::Pick;
using rules_test::Range;

std::string LedgerFile() { return headless::TempDir() + LedgerFileName; }

// The whole content of a file, "" when it cannot be read.
std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The names of the files in folder that start with prefix.
std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  return names;
}

// The next draw's numbers, all 20 in reveal order, through the entropy source the draw reads.
void QueueDraw(const std::vector<int64_t>& numbers) {
  ASSERT_EQ(numbers.size(), 20u);
  std::vector<uint32_t> words;
  // Multiply-shift sampling maps a word w to (w * 80) >> 32: the middle of each number's band.
  for (int64_t n : numbers) words.push_back(static_cast<uint32_t>(((n - 1) * (uint64_t{1} << 32) + (1u << 31)) / 80));
  headless::QueueEntropyWords(words);
}

// The wall clock at 2026-12-10 hh:mm:ss UTC.
void ClockAt(int64_t h, int64_t m, int64_t s) { headless::SetUtcNow(1796860800000 + ((h * 60 + m) * 60 + s) * 1000); }

class HistoryExport : public rules_test::RulesGame {
 protected:
  // Runs frames until the draw in flight is settled.
  void Finish() {
    for (int guard = 0; Game.Drawing == 1 && guard < 200; ++guard) {
      headless::AdvanceMs(Game.RevealInterval);
      ASSERT_TRUE(Frame());
    }
    ASSERT_EQ(Game.Drawing, 0);
  }
  // Starts a draw of these numbers at the clock's time and plays it to its end.
  void Play(const std::vector<int64_t>& numbers) {
    QueueDraw(numbers);
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    Finish();
  }
  // Exports to path through the dialog's scripted answer.
  void Export(const std::string& path) {
    headless::QueueExportPath(path);
    ExportHistory();
  }
};

// A scripted ledger: two draws of two cards on each schedule at $2, a consolation, a progressive
// hit, a draw completed by New Game's full wipe, a load repair and a refinance before the draw it
// paid for, and a draw in flight, which is not in the file. The file equals the expected text to
// the byte, and the status line names how many draws went where.
TEST_F(HistoryExport, TheFileOfAScriptedLedgerIsExactlyAsExpected) {
  Game.BetPerCard = 2;
  Pick(1, {1, 2, 3, 4});
  Pick(3, Range(40, 45));
  ClockAt(11, 0, 0);
  ASSERT_NO_FATAL_FAILURE(Play({1, 2, 40, 41, 42, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64}));
  SwapPayMode();
  ClockAt(11, 1, 0);
  ASSERT_NO_FATAL_FAILURE(Play({64, 63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 3, 4, 43, 80, 79}));
  SwapPayMode();

  // A consolation: two cards of eight picks, none hit.
  Game.BetPerCard = 1;
  ClearCard(1);
  ClearCard(3);
  Pick(1, Range(1, 8));
  Pick(2, Range(9, 16));
  ClockAt(11, 2, 0);
  ASSERT_NO_FATAL_FAILURE(Play(Range(61, 80)));

  // A progressive hit on CASINO: ten picks, all drawn.
  ClearCard(1);
  ClearCard(2);
  Pick(1, Range(21, 30));
  SwapPayMode();
  ClockAt(11, 3, 0);
  ASSERT_NO_FATAL_FAILURE(Play({21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  SwapPayMode();

  // A draw New Game's No completes at once before it wipes the balance.
  ClearCard(1);
  Pick(4, {77});
  ClockAt(11, 4, 0);
  QueueDraw({77, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  ClockAt(11, 4, 30);
  headless::QueueAnswer(BoxResult::No);
  NewGamePrompt();
  ASSERT_EQ(Game.Drawing, 0);
  ClearCard(4);

  // A save with $3 is loaded (a load repair), and a $10 draw needs Out of Funds' refinance.
  Game.Balance = 3;
  SaveGame();
  EndGame();
  ClockAt(12, 0, 0);
  ASSERT_TRUE(StartUp());
  shutDown_ = false;
  Pick(2, {5, 6, 7});
  Game.BetPerCard = 10;
  ClockAt(12, 1, 0);
  headless::QueueAnswer(BoxResult::Yes);
  ASSERT_NO_FATAL_FAILURE(Play(Range(31, 50)));

  // The draw in flight.
  Game.BetPerCard = 1;
  ClockAt(12, 2, 0);
  QueueDraw(Range(1, 20));
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  ASSERT_EQ(ledger_test::Value(LedgerFile(), "SELECT state FROM draws WHERE id = 7"), "charged");

  headless::ClearBoxLog();
  ClockAt(12, 3, 0);
  const std::string path = headless::TempDir() + "history.csv";
  Export(path);
  const std::string expected =
      "row,seq,draw,utc,schedule,bet_per_card,numbers,card,picks,spots,hits,win,draw_cost,draw_won,"
      "progressive_prize,consolation,balance_before,balance_after,kind\r\n"
      "adjustment,1,,2026-12-10T10:52:03.000Z,,,,,,,,,,,,,1000,1000,opening\r\n"
      "card,2,1,2026-12-10T11:00:00.000Z,GENEROUS,2,1 2 40 41 42 50 51 52 53 54 55 56 57 58 59 60 61 62 63 64,"
      "1,1 2 3 4,4,2,4,4,10,0,0,1000,1006,revealed\r\n"
      "card,2,1,2026-12-10T11:00:00.000Z,GENEROUS,2,1 2 40 41 42 50 51 52 53 54 55 56 57 58 59 60 61 62 63 64,"
      "3,40 41 42 43 44 45,6,3,6,4,10,0,0,1000,1006,revealed\r\n"
      "card,3,2,2026-12-10T11:01:00.000Z,CASINO,2,64 63 62 61 60 59 58 57 56 55 54 53 52 51 50 3 4 43 80 79,"
      "1,1 2 3 4,4,2,2,4,2,0,0,1006,1004,revealed\r\n"
      "card,3,2,2026-12-10T11:01:00.000Z,CASINO,2,64 63 62 61 60 59 58 57 56 55 54 53 52 51 50 3 4 43 80 79,"
      "3,40 41 42 43 44 45,6,1,0,4,2,0,0,1006,1004,revealed\r\n"
      "card,4,3,2026-12-10T11:02:00.000Z,GENEROUS,1,61 62 63 64 65 66 67 68 69 70 71 72 73 74 75 76 77 78 79 80,"
      "1,1 2 3 4 5 6 7 8,8,0,500,2,1000,0,1000,1004,2002,revealed\r\n"
      "card,4,3,2026-12-10T11:02:00.000Z,GENEROUS,1,61 62 63 64 65 66 67 68 69 70 71 72 73 74 75 76 77 78 79 80,"
      "2,9 10 11 12 13 14 15 16,8,0,500,2,1000,0,1000,1004,2002,revealed\r\n"
      "card,5,4,2026-12-10T11:03:00.000Z,CASINO,1,21 22 23 24 25 26 27 28 29 30 1 2 3 4 5 6 7 8 9 10,"
      "1,21 22 23 24 25 26 27 28 29 30,10,10,100000,1,125002,25002,0,2002,127003,revealed\r\n"
      "card,6,5,2026-12-10T11:04:00.000Z,GENEROUS,1,77 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19,"
      "4,77,1,1,3,1,3,0,0,127003,127005,ended\r\n"
      "adjustment,7,,2026-12-10T11:04:30.000Z,,,,,,,,,,,,,127005,1000,full wipe\r\n"
      "adjustment,8,,2026-12-10T12:00:00.000Z,,,,,,,,,,,,,1000,3,load repair\r\n"
      "adjustment,9,,2026-12-10T12:01:00.000Z,,,,,,,,,,,,,3,1003,refinance\r\n"
      "card,10,6,2026-12-10T12:01:00.000Z,GENEROUS,10,31 32 33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 48 49 50,"
      "2,5 6 7,3,0,0,10,0,0,0,1003,993,revealed\r\n";
  EXPECT_EQ(FileText(path), expected);
  EXPECT_EQ(Game.StatusMessage, "Exported 6 draws to history.csv");
  EXPECT_EQ(Game.StatusKind, StatusExport);
  ASSERT_EQ(headless::BoxLog().size(), 1u) << "the dialog, and no box after it";
  EXPECT_TRUE(headless::BoxLog()[0].chooser);
  EXPECT_EQ(headless::BoxLog()[0].title, "Export Keno History");
  EXPECT_EQ(headless::BoxLog()[0].text, "keno-history-2026-12-10.csv");
  EXPECT_TRUE(FilesStartingWith(headless::TempDir(), std::string("history.csv") + SaveTemporaryInfix).empty());
  // tests/e2e/export_e2e.sh reads the file back with Python's csv module and checks it against
  // the ledger through the sqlite3 program: both are kept where it asks.
  if (const char* keep = std::getenv("KENO_EXPORT_KEEP_DIR")) {
    std::filesystem::copy_file(path, std::string(keep) + "/history.csv");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(LedgerFile().c_str(), &db), SQLITE_OK);
    const std::string copy = "VACUUM INTO '" + std::string(keep) + "/ledger.sqlite3'";
    EXPECT_EQ(sqlite3_exec(db, copy.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
}

// A field holding a comma, a quote or a line break is quoted, its quotes doubled; the others
// are not. The ledger's own texts never need it, so one is written into it here.
TEST_F(HistoryExport, AFieldThatNeedsQuotesIsQuoted) {
  Pick(1, {1, 2});
  ClockAt(11, 0, 0);
  ASSERT_NO_FATAL_FAILURE(Play(Range(41, 60)));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(LedgerFile().c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "UPDATE cards SET picks = '1,\"2\"' || char(13, 10) || '3' WHERE draw_id = 1", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const std::string path = headless::TempDir() + "quoted.csv";
  Export(path);
  const std::string text = FileText(path);
  EXPECT_NE(text.find(",1,\"1,\"\"2\"\"\r\n3\",2,0,0,"), std::string::npos) << text;
  EXPECT_EQ(Game.StatusMessage, "Exported 1 draws to quoted.csv");
}

// The dialog's suggested name carries the local date (the headless clock's zone is UTC).
TEST(HistoryExportName, SuggestsTheLocalDate) {
  headless::Reset();
  EXPECT_EQ(SuggestedExportName(headless::DefaultUtcMs), "keno-history-2026-12-10.csv");
  EXPECT_EQ(SuggestedExportName(1796947199999), "keno-history-2026-12-10.csv") << "the last millisecond of the day";
  EXPECT_EQ(SuggestedExportName(1796947200000), "keno-history-2026-12-11.csv");
  EXPECT_EQ(SuggestedExportName(0), "keno-history-1970-01-01.csv");
}

// Cancelling the dialog, or a quit signal while it is open (which cancels it even with a path
// scripted), writes nothing and says nothing.
TEST_F(HistoryExport, CancelWritesNothing) {
  const std::string path = headless::TempDir() + "history.csv";
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "a quit signal" : "cancelled");
    headless::ClearBoxLog();
    if (quit) {
      headless::QueueExportPath(path);
      headless::SendQuitSignalAtNextBox();
    }
    ExportHistory();
    ASSERT_EQ(headless::BoxLog().size(), 1u);
    EXPECT_TRUE(headless::BoxLog()[0].chooser);
    EXPECT_EQ(FileSizeOf(path), -1);
    EXPECT_EQ(Game.StatusMessage, "");
  }
}

// Each way the file can fail to be written: a box in the save's words with the reason, no
// temporary file left, the status line untouched and a file already there kept as it was.
TEST_F(HistoryExport, AFailureIsToldInABoxAndLeavesNoTemporaryFile) {
  struct Case {
    const char* name;
    const char* file;         // the target, in the temporary folder
    headless::FileStep step;  // the step made to fail, with error; Create with 0: none
    int error;
    const char* reason;
  };
  const Case cases[] = {
      {"the folder cannot be written", "history.csv", headless::FileStep::Create, EACCES, "Permission denied"},
      {"the disk is full", "history.csv", headless::FileStep::Write, ENOSPC, "No space left on device"},
      {"the rename fails", "history.csv", headless::FileStep::Rename, EIO, "Input/output error"},
      {"no such folder", "missing/history.csv", headless::FileStep::Create, 0, "No such file or directory"},
      {"the target is a folder", "folder.csv", headless::FileStep::Create, 0, "Is a directory"},
  };
  Pick(1, {1, 2});
  ASSERT_NO_FATAL_FAILURE(Play(Range(41, 60)));
  std::filesystem::create_directory(headless::TempDir() + "folder.csv");
  { std::ofstream(headless::TempDir() + "history.csv") << "kept"; }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless::ClearBoxLog();
    Game.StatusMessage.clear();
    if (c.error != 0) headless::FailNextFileStep(c.step, c.error);
    const std::string path = headless::TempDir() + c.file;
    Export(path);
    ASSERT_EQ(headless::BoxLog().size(), 2u);
    const headless::ShownBox& box = headless::BoxLog()[1];
    EXPECT_EQ(box.title, "Keno");
    EXPECT_EQ(box.text, "Your draw history could not be exported to " + path + ": " + c.reason + ".");
    EXPECT_EQ(box.flags, BoxIconWarning);
    EXPECT_EQ(Game.StatusMessage, "");
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_EQ(FilesStartingWith(folder, name + SaveTemporaryInfix), std::vector<std::string>{});
    EXPECT_EQ(FileText(headless::TempDir() + "history.csv"), "kept");
  }
}

// A folder the player may not write, for real: only where permissions bind (not as root, which
// tests/e2e/export_e2e.sh covers by running the export as nobody).
TEST_F(HistoryExport, AnUnwritableFolderIsToldAndLeftEmpty) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes any folder; the end-to-end test runs this as nobody";
  Pick(1, {1, 2});
  ASSERT_NO_FATAL_FAILURE(Play(Range(41, 60)));
  const std::string folder = headless::TempDir() + "locked";
  ASSERT_EQ(mkdir(folder.c_str(), 0500), 0);
  headless::ClearBoxLog();
  Export(folder + "/history.csv");
  chmod(folder.c_str(), 0700);
  ASSERT_EQ(headless::BoxLog().size(), 2u);
  EXPECT_EQ(headless::BoxLog()[1].text,
            "Your draw history could not be exported to " + folder + "/history.csv: Permission denied.");
  EXPECT_EQ(FilesStartingWith(folder, ""), std::vector<std::string>{});
}

}  // namespace
