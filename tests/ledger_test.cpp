// The ledger: a scripted game recorded row by row, every ending during a reveal settling its draw
// once, start-up's recovery after a kill, broken ledgers set aside, and ledgers that cannot be written.
#include "persist/ledger.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game.h"
#include "ledger_helpers.h"
#include "ledger_vfs.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "state/game_state.h"

namespace {

namespace fs = std::filesystem;
using ledger_test::Query;
using ledger_test::Row;
using ledger_test::Value;
using rules_test::Pick;
using rules_test::Range;
using Bytes = std::vector<char>;

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string LedgerFile() { return headless::TempDir() + "keno_history.sqlite3"; }

// Queues entropy so that the next draw reveals these numbers in this order (then the lowest
// numbers not given, to make twenty).
void QueueDraw(std::vector<int64_t> numbers) {
  bool used[81] = {};
  for (int64_t n : numbers) used[n] = true;
  for (int64_t n = 1; n <= 80 && numbers.size() < 20; ++n)
    if (!used[n]) numbers.push_back(n);
  std::vector<uint32_t> words;
  // Multiply-shift sampling maps a word w to (w * 80) >> 32: the middle of each number's band.
  for (int64_t n : numbers) words.push_back(static_cast<uint32_t>(((n - 1) * (uint64_t{1} << 32) + (1u << 31)) / 80));
  headless::QueueEntropyWords(words);
}

// Runs frames until the draw in flight is settled; false when the loop ended.
bool FinishDraw(GameFixture& game) {
  (void)game;
  for (int guard = 0; Game.Drawing == 1 && guard < 200; ++guard) {
    headless::AdvanceMs(Game.RevealInterval);
    if (!RunFrame()) return false;
  }
  return Game.Drawing == 0;
}

// The draw row of id as name=value text for the columns checked against the game.
std::string DrawRow(int64_t id) {
  const auto rows = Query(LedgerFile(),
                          "SELECT state, completed_at, schedule, bet_per_card, cost, numbers, balance_before,"
                          " balance_after, pot_before, pot_after, progressive_prize, consolation, won,"
                          " lifetime_cost_after, lifetime_won_after FROM draws WHERE id = " +
                              std::to_string(id));
  if (rows.size() != 1) return "no row";
  const char* names[] = {"state",
                         "completed_at",
                         "schedule",
                         "bet",
                         "cost",
                         "numbers",
                         "balance_before",
                         "balance_after",
                         "pot_before",
                         "pot_after",
                         "prize",
                         "consolation",
                         "won",
                         "lifetime_cost_after",
                         "lifetime_won_after"};
  std::string text;
  for (size_t i = 0; i < rows[0].size(); ++i) text += std::string(names[i]) + "=" + rows[0][i] + "\n";
  return text;
}

// What the game knows of the draw it just settled, in DrawRow's form.
std::string GameDraw(const char* completed, int64_t balanceBefore, int32_t potBefore) {
  const ChargedDraw& charge = Game.Charge;
  std::string numbers;
  for (int i = 0; i < 20; ++i) numbers += (i ? " " : "") + std::to_string(Game.DrawOrder[i]);
  const bool generous = charge.PayMode == 0;
  std::string text;
  auto add = [&](const char* name, const std::string& value) { text += std::string(name) + "=" + value + "\n"; };
  add("state", "settled");
  add("completed_at", completed);
  add("schedule", generous ? "GENEROUS" : "CASINO");
  add("bet", std::to_string(charge.BetPerCard));
  add("cost", std::to_string(charge.Cost));
  add("numbers", numbers);
  add("balance_before", std::to_string(balanceBefore));
  add("balance_after", std::to_string(Game.Balance));
  add("pot_before", std::to_string(potBefore));
  add("pot_after", std::to_string(Game.ProgressivePot));
  add("prize", std::to_string(charge.ProgressivePrize));
  add("consolation", std::to_string(charge.Consolation));
  add("won", std::to_string(charge.Won));
  add("lifetime_cost_after", std::to_string(generous ? Game.LifetimeGenCost : Game.LifetimeCasCost));
  add("lifetime_won_after", std::to_string(generous ? Game.LifetimeGenWon : Game.LifetimeCasWon));
  return text;
}

// The cards rows of a draw as "card picks spots hits win" lines.
std::string CardRows(int64_t id) {
  std::string text;
  for (const Row& r : Query(LedgerFile(), "SELECT card, picks, spots, hits, win FROM cards WHERE draw_id = " +
                                              std::to_string(id) + " ORDER BY card"))
    text += r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4] + "\n";
  return text;
}

// The same for what the game charged and paid each card.
std::string GameCards() {
  std::string text;
  for (int c = 1; c <= 4; ++c) {
    if (Game.Charge.Charged[c] == 0) continue;
    std::string picks;
    for (int n = 1; n <= 80; ++n)
      if (Game.Charge.Cards[c].Picked[n]) picks += (picks.empty() ? "" : " ") + std::to_string(n);
    text += std::to_string(c) + " " + picks + " " + std::to_string(Game.Charge.Cards[c].PickCount) + " " +
            std::to_string(Game.Charge.Cards[c].HitCount) + " " + std::to_string(Game.CardWin[c]) + "\n";
  }
  return text;
}

// The checks every ledger must pass: no charged row, the chain from the opening to the saved
// balance, and every settled draw's cards and prize adding up to what it paid.
void ExpectLedgerExplainsTheSave() {
  EXPECT_EQ(Value(LedgerFile(), "SELECT count(*) FROM draws WHERE state = 'charged'"), "0");
  EXPECT_EQ(ledger_test::ChainEnd(LedgerFile()), rules_test::SavedBalance());
  EXPECT_EQ(Value(LedgerFile(),
                  "SELECT count(*) FROM draws d WHERE state = 'settled' AND won != progressive_prize +"
                  " (SELECT coalesce(sum(win), 0) FROM cards WHERE draw_id = d.id)"),
            "0");
}

class LedgerGame : public rules_test::RulesGame {};

// A whole scripted game: draws at three speeds, a consolation, a progressive hit on CASINO, an
// Out of Funds refinance after a save with little money, and New Game's Yes and No. Every draw row
// and card row equals what the game showed and paid, and the events explain the saved balance.
TEST_F(LedgerGame, AScriptedGameIsRecordedAsPlayed) {
  ASSERT_EQ(Query(LedgerFile(), "SELECT kind, balance_before, balance_after FROM adjustments"),
            (std::vector<Row>{{"opening", "1000", "1000"}}));
  int64_t expectedId = 0;
  // Plays one draw; the row and the cards must show what the game paid.
  auto play = [&](const char* what) {
    SCOPED_TRACE(what);
    const int64_t before = Game.Balance;
    const int32_t pot = Game.ProgressivePot;
    headless::SetUtcNow(headless::DefaultUtcMs + 1234 + expectedId * 60000);
    StartDraw();
    ASSERT_EQ(Game.Drawing, 1);
    ++expectedId;
    ASSERT_EQ(Game.Charge.DrawId, expectedId);
    EXPECT_EQ(Value(LedgerFile(), "SELECT state FROM draws WHERE id = " + std::to_string(expectedId)), "charged");
    EXPECT_EQ(rules_test::SavedBalance(), Game.Balance) << "the charge is saved at once";
    const int64_t charged = Game.Balance;
    ASSERT_TRUE(FinishDraw(*this));
    EXPECT_EQ(DrawRow(expectedId), GameDraw("revealed", Game.Charge.BalanceBefore, pot));
    EXPECT_EQ(Game.Charge.BalanceBefore, before < Game.Charge.Cost ? before + 1000 : before);
    EXPECT_EQ(Game.Balance, charged + Game.Charge.Won);
    EXPECT_EQ(CardRows(expectedId), GameCards());
    EXPECT_EQ(rules_test::SavedBalance(), Game.Balance) << "the settlement is saved at once";
    EXPECT_EQ(Game.SavePending, 0);
  };

  Pick(1, {1, 2, 3, 4});
  Pick(3, Range(40, 45));
  for (int64_t speed : {5, 3, 1}) {
    Game.Speed = speed;
    play("a draw at a speed");
  }
  const std::string started = Value(LedgerFile(), "SELECT started_utc FROM draws WHERE id = 1");
  EXPECT_EQ(started, "2026-12-10T10:52:04.234Z");
  EXPECT_GT(Value(LedgerFile(), "SELECT settled_utc FROM draws WHERE id = 1"), started);

  // A consolation: two cards of 8 picks, none hit.
  ClearCard(1);
  ClearCard(3);
  Pick(1, Range(1, 8));
  Pick(2, Range(9, 16));
  QueueDraw(Range(60, 79));
  play("a consolation");
  EXPECT_EQ(Game.Charge.Consolation, 1000);

  // A progressive hit on CASINO: ten picks, all drawn; the jackpot box is answered.
  ClearCard(1);
  ClearCard(2);
  Pick(1, Range(21, 30));
  SwapPayMode();
  QueueDraw(Range(21, 30));
  play("a progressive hit");
  EXPECT_EQ(Game.Charge.ProgressivePrize, 25002);
  EXPECT_EQ(Game.ProgressivePot, 25000);
  SwapPayMode();

  // New Game Yes keeps the money; No wipes it.
  headless::QueueAnswer(BoxResult::Yes);
  NewGamePrompt();
  headless::QueueAnswer(BoxResult::No);
  const int64_t wiped = Game.Balance;
  NewGamePrompt();
  SaveGame();
  const auto last =
      Query(LedgerFile(), "SELECT kind, balance_before, balance_after FROM adjustments ORDER BY seq DESC LIMIT 1");
  EXPECT_EQ(last, (std::vector<Row>{{"full wipe", std::to_string(wiped), "1000"}}));
  ExpectLedgerExplainsTheSave();
  EndGame();

  // A save with little money: the next start records the difference, the refinance comes before
  // the draw it paid for.
  headless::ClearBoxLog();
  ASSERT_TRUE(StartUp());
  Game.Balance = 3;
  Pick(1, {5, 6, 7});
  Game.BetPerCard = 10;
  SaveGame();
  Shutdown();
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(
      Query(LedgerFile(), "SELECT kind, balance_before, balance_after FROM adjustments ORDER BY seq DESC LIMIT 1"),
      (std::vector<Row>{{"load repair", "1000", "3"}}));
  headless::QueueAnswer(BoxResult::Yes);
  play("a refinanced draw");
  EXPECT_EQ(Query(LedgerFile(),
                  "SELECT kind, balance_before, balance_after FROM adjustments WHERE seq = (SELECT seq - 1 FROM draws"
                  " WHERE id = " +
                      std::to_string(expectedId) + ")"),
            (std::vector<Row>{{"refinance", "3", "1003"}}));
  ExpectLedgerExplainsTheSave();
}

// Every ending during a reveal, at Medium and at Fastest in auto-run: the draw is completed at
// once and settled exactly once ('ended'), no second draw is charged, nothing is announced, and
// the balance, the lifetime totals and the row agree with the save.
TEST(LedgerEndings, EveryEndingDuringARevealSettlesTheDrawOnce) {
  enum class Ending { Escape, Close, LostDisplay, NewGameYes, NewGameNo };
  const struct {
    const char* name;
    Ending ending;
  } endings[] = {{"Escape", Ending::Escape},
                 {"window close or a quit signal", Ending::Close},
                 {"a lost display", Ending::LostDisplay},
                 {"New Game Yes", Ending::NewGameYes},
                 {"New Game No", Ending::NewGameNo}};
  for (const auto& e : endings) {
    for (const bool autoRun : {false, true}) {
      SCOPED_TRACE(std::string(e.name) + (autoRun ? " at Fastest in auto-run" : " at Medium"));
      headless::Reset(3);
      ASSERT_TRUE(StartUp());
      Pick(1, Range(1, 6));
      Game.Speed = autoRun ? 5 : 3;
      Game.SoundOn = 0;
      if (autoRun) Game.AutoRun = 1;
      StartDraw();
      ASSERT_EQ(Game.Drawing, 1);
      for (int i = 0; i < 7; ++i) {
        headless::AdvanceMs(Game.RevealInterval);
        ASSERT_TRUE(RunFrame());
      }
      ASSERT_EQ(Game.BallsRevealed, 7);
      headless::ClearBoxLog();
      const int64_t played = headless::PlayedSounds().size();
      const int64_t tab = Game.ActiveTab;
      bool ended = false;
      switch (e.ending) {
        case Ending::Escape:
          headless::SetKey(KeyEscape, true);
          RunFrame();
          headless::SetKey(KeyEscape, false);
          RunFrame();
          ended = !RunFrame();
          Shutdown();
          break;
        case Ending::Close:
          headless::RequestClose();
          ended = !RunFrame();
          Shutdown();
          break;
        case Ending::LostDisplay:
          headless::LoseDisplay();
          break;
        case Ending::NewGameYes:
        case Ending::NewGameNo:
          headless::QueueAnswer(e.ending == Ending::NewGameYes ? BoxResult::Yes : BoxResult::No);
          NewGamePrompt();
          headless::ClearBoxLog();
          break;
      }
      if (e.ending == Ending::Escape || e.ending == Ending::Close) {
        EXPECT_TRUE(ended);
      }
      EXPECT_EQ(Game.Drawing, 0);
      EXPECT_EQ(Game.AutoRun, 0);
      EXPECT_EQ(Game.BallsRevealed, 20);
      EXPECT_TRUE(headless::BoxLog().empty()) << headless::BoxLog()[0].title;
      EXPECT_EQ(static_cast<int64_t>(headless::PlayedSounds().size()), played);
      EXPECT_EQ(Game.StatusMessage, "");
      if (e.ending != Ending::NewGameYes && e.ending != Ending::NewGameNo) {
        EXPECT_EQ(Game.ActiveTab, tab);
      }
      // A few more frames where the game goes on: no next draw.
      if (e.ending == Ending::NewGameYes || e.ending == Ending::NewGameNo || e.ending == Ending::LostDisplay) {
        for (int i = 0; i < 40; ++i) {
          headless::AdvanceMs(100);
          RunFrame();
        }
        EXPECT_EQ(Game.Drawing, 0);
      }
      if (!ended) Shutdown();
      EXPECT_EQ(Value(LedgerFile(), "SELECT count(*) FROM draws"), "1");
      EXPECT_EQ(Value(LedgerFile(), "SELECT state || ' ' || completed_at FROM draws"), "settled ended");
      const std::string won = Value(LedgerFile(), "SELECT won FROM draws");
      const std::string lifetime = Value(LedgerFile(), "SELECT lifetime_won_after FROM draws");
      EXPECT_EQ(won, lifetime);
      if (e.ending == Ending::NewGameNo) {
        EXPECT_EQ(Game.Balance, 1000);
        EXPECT_EQ(Query(LedgerFile(), "SELECT kind FROM adjustments ORDER BY seq DESC LIMIT 1"),
                  (std::vector<Row>{{"full wipe"}}));
      } else {
        EXPECT_EQ(std::to_string(Game.LifetimeGenWon), won);
        EXPECT_EQ(Value(LedgerFile(), "SELECT balance_after FROM draws"), std::to_string(Game.Balance));
      }
      ExpectLedgerExplainsTheSave();
    }
  }
}

// The files as a kill would leave them, then a start: the save from one moment and the ledger
// (with its -wal) from another.
class LedgerRecovery : public ::testing::Test {
 protected:
  struct Files {
    Bytes save, db, wal;
  };
  static Files Take() {
    return {FileBytes(headless::TempDir() + "keno_save.dat"), FileBytes(LedgerFile()),
            FileBytes(LedgerFile() + "-wal")};
  }
  // A game that plays one draw of 10 picks at $2 with five hits, taking the files right
  // after the charge and right after the settlement; the game ends on the test's terms.
  void PlayOneDraw() {
    headless::Reset(9);
    ASSERT_TRUE(StartUp());
    Pick(1, Range(1, 10));
    Game.BetPerCard = 2;
    Game.SoundOn = 0;
    SaveGame();
    beforeCharge = Take();
    std::vector<int64_t> numbers = Range(1, 5);
    for (int64_t n = 41; n <= 55; ++n) numbers.push_back(n);
    QueueDraw(numbers);
    StartDraw();
    afterCharge = Take();
    while (Game.Drawing == 1) {
      headless::AdvanceMs(Game.RevealInterval);
      RunFrame();
    }
    afterSettlement = Take();
    won = Game.Charge.Won;
    balanceAfter = Game.Balance;
    ASSERT_GT(won, 0);
  }
  // Puts the save and the ledger of two moments in place (the game's own copy left first) and
  // starts the game on them.
  void StartFrom(const Files& save, const Files& ledger) {
    Shutdown();
    fs::remove(LedgerFile() + "-shm");
    WriteBytes(headless::TempDir() + "keno_save.dat", save.save);
    WriteBytes(LedgerFile(), ledger.db);
    WriteBytes(LedgerFile() + "-wal", ledger.wal);
    headless::ClearBoxLog();
    ASSERT_TRUE(StartUp());
  }
  std::string Box() const {
    return "Draw 1 was interrupted and has been completed. It paid $" + std::to_string(won) + "; your balance is $" +
           std::to_string(balanceAfter) + ".";
  }
  void TearDown() override { Shutdown(); }

  Files beforeCharge, afterCharge, afterSettlement;
  int64_t won = 0, balanceAfter = 0;
};

// Killed after the ledger took the charge, before the save did: the draw is void and costs
// nothing; no box.
TEST_F(LedgerRecovery, AChargeTheSaveNeverHeldIsVoid) {
  PlayOneDraw();
  StartFrom(beforeCharge, afterCharge);
  EXPECT_EQ(Value(LedgerFile(), "SELECT state || ' ' || completed_at || ' ' || won FROM draws"), "void void 0");
  EXPECT_EQ(Value(LedgerFile(), "SELECT balance_after = balance_before AND cost = 2 FROM draws"), "1");
  EXPECT_EQ(Game.Balance, 1000);
  EXPECT_TRUE(headless::BoxLog().empty());
  ExpectLedgerExplainsTheSave();
}

// Killed after the charge reached both files: the draw is completed now and paid, the save is
// written, the row settled as 'recovered', and the player told (before the welcome box).
TEST_F(LedgerRecovery, AChargedDrawIsCompletedAndPaidAtTheNextStart) {
  PlayOneDraw();
  StartFrom(afterCharge, afterCharge);
  EXPECT_EQ(Value(LedgerFile(), "SELECT state || ' ' || completed_at || ' ' || won FROM draws"),
            "settled recovered " + std::to_string(won));
  EXPECT_EQ(Game.Balance, balanceAfter);
  EXPECT_EQ(rules_test::SavedBalance(), balanceAfter);
  ASSERT_FALSE(headless::BoxLog().empty());
  EXPECT_EQ(headless::BoxLog()[0].title, "Keno");
  EXPECT_EQ(headless::BoxLog()[0].text, Box());
  EXPECT_EQ(CardRows(1), "1 1 2 3 4 5 6 7 8 9 10 10 5 " + std::to_string(won) + "\n");
  ExpectLedgerExplainsTheSave();
  // The next start finds nothing more to do.
  Shutdown();
  headless::ClearBoxLog();
  ASSERT_TRUE(StartUp());
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(Game.Balance, balanceAfter);
}

// The save holds the payout but the row is still charged: it is marked settled, nothing is paid
// twice and no box is shown.
TEST_F(LedgerRecovery, ADrawTheSaveHasPaidIsOnlyMarkedSettled) {
  PlayOneDraw();
  StartFrom(afterSettlement, afterCharge);
  EXPECT_EQ(Value(LedgerFile(), "SELECT state || ' ' || won FROM draws"), "settled " + std::to_string(won));
  EXPECT_EQ(Game.Balance, balanceAfter);
  EXPECT_EQ(rules_test::SavedBalance(), balanceAfter);
  EXPECT_TRUE(headless::BoxLog().empty());
  ExpectLedgerExplainsTheSave();
}

// Killed after the ledger took the settlement, before the save did: the payout is written now.
TEST_F(LedgerRecovery, ASettledDrawTheSaveMissesIsPaid) {
  PlayOneDraw();
  StartFrom(afterCharge, afterSettlement);
  EXPECT_EQ(Value(LedgerFile(), "SELECT state || ' ' || completed_at FROM draws"), "settled recovered");
  EXPECT_EQ(Game.Balance, balanceAfter);
  EXPECT_EQ(rules_test::SavedBalance(), balanceAfter);
  ASSERT_FALSE(headless::BoxLog().empty());
  EXPECT_EQ(headless::BoxLog()[0].text, Box());
  ExpectLedgerExplainsTheSave();
}

// A ledger that cannot be read as this game's: the game starts, sets it aside under the broken
// name with its -wal, says so once in a box, starts a new ledger from the save's balance, plays,
// and leaves the save as it was.
TEST(LedgerBroken, ABrokenLedgerIsSetAsideAndANewOneStarted) {
  const struct {
    const char* name;
    void (*spoil)();
  } cases[] = {
      {"garbage bytes", [] { WriteBytes(LedgerFile(), Bytes(8192, 'x')); }},
      {"a truncated file",
       [] {
         Bytes db = FileBytes(LedgerFile());
         db.resize(db.size() / 3);
         WriteBytes(LedgerFile(), db);
       }},
      {"a stale -wal beside a fresh file",
       [] {
         // Another database's -wal, left by a kill, beside the ledger.
         const std::string other = headless::TempDir() + "other.sqlite3";
         sqlite3* db = nullptr;
         sqlite3_open(other.c_str(), &db);
         sqlite3_exec(db, "PRAGMA journal_mode = WAL; CREATE TABLE t (x); INSERT INTO t VALUES (1)", nullptr, nullptr,
                      nullptr);
         const Bytes wal = FileBytes(other + "-wal");
         sqlite3_close(db);
         WriteBytes(LedgerFile() + "-wal", wal);
       }},
      {"a folder in its place",
       [] {
         fs::remove(LedgerFile());
         fs::remove(LedgerFile() + "-wal");
         fs::create_directory(LedgerFile());
       }},
      {"a newer version",
       [] {
         sqlite3* db = nullptr;
         sqlite3_open(LedgerFile().c_str(), &db);
         sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr);
         sqlite3_close(db);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Reset(4);
    ASSERT_TRUE(StartUp());
    Pick(1, Range(1, 4));
    for (int i = 0; i < 40; ++i) {
      StartDraw();
      while (Game.Drawing == 1) {
        headless::AdvanceMs(Game.RevealInterval);
        RunFrame();
      }
    }
    const int64_t balance = Game.Balance;
    Shutdown();
    c.spoil();
    const Bytes save = FileBytes(headless::TempDir() + "keno_save.dat");
    headless::ClearBoxLog();
    headless::SetUtcNow(headless::DefaultUtcMs);
    ASSERT_TRUE(StartUp());
    const std::string aside = "keno_history.sqlite3.broken-20261210T105203Z";
    ASSERT_EQ(headless::BoxLog().size(), 1u);
    EXPECT_EQ(headless::BoxLog()[0].title, "Keno");
    EXPECT_EQ(headless::BoxLog()[0].text, "Your draw history could not be read and was set aside as " + aside +
                                              ". A new history has been started.");
    EXPECT_TRUE(fs::exists(headless::TempDir() + aside));
    EXPECT_EQ(FileBytes(headless::TempDir() + "keno_save.dat"), save);
    EXPECT_EQ(Game.Balance, balance);
    EXPECT_EQ(Query(LedgerFile(), "SELECT kind, balance_after FROM adjustments"),
              (std::vector<Row>{{"opening", std::to_string(balance)}}));
    StartDraw();
    while (Game.Drawing == 1) {
      headless::AdvanceMs(Game.RevealInterval);
      RunFrame();
    }
    EXPECT_EQ(Value(LedgerFile(), "SELECT id || ' ' || state FROM draws"), "1 settled");
    EXPECT_EQ(headless::BoxLog().size(), 1u);
    ExpectLedgerExplainsTheSave();
    Shutdown();
  }
}

// A ledger that cannot be written: play goes on, the save is written, and the failure is told
// once per run in its own box with the save's words and the ledger's path.
TEST(LedgerUnwritable, PlayGoesOnAndTheFailureIsToldOnce) {
  ledger_vfs::FailingVfs::Register();
  SetLedgerVfs(ledger_vfs::FailingVfs::Name);
  for (const bool atOpen : {false, true}) {
    SCOPED_TRACE(atOpen ? "the file cannot be opened" : "its writes fail");
    headless::Reset(6);
    ledger_vfs::FailingVfs::failOpen = atOpen;
    ledger_vfs::FailingVfs::failWrites = false;
    ASSERT_TRUE(StartUp());
    ledger_vfs::FailingVfs::failWrites = true;
    Pick(1, Range(1, 4));
    for (int i = 0; i < 3; ++i) {
      StartDraw();
      ASSERT_EQ(Game.Drawing, 1);
      while (Game.Drawing == 1) {
        headless::AdvanceMs(Game.RevealInterval);
        ASSERT_TRUE(RunFrame());
      }
      EXPECT_EQ(rules_test::SavedBalance(), Game.Balance);
    }
    std::vector<headless::ShownBox> failures;
    for (const auto& box : headless::BoxLog())
      if (box.text.rfind("Your progress could not be saved to ", 0) == 0) failures.push_back(box);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].title, "Keno");
    EXPECT_EQ(failures[0].text, "Your progress could not be saved to " + LedgerFile() + ": " +
                                    (atOpen ? "Permission denied" : "No space left on device") + ".");
    ledger_vfs::FailingVfs::failWrites = false;
    ledger_vfs::FailingVfs::failOpen = false;
    Shutdown();
  }
  SetLedgerVfs(nullptr);
}

// The save carried over from beside the program into the data folder brings its ledger along.
TEST(LedgerLocation, ALedgerBesideTheProgramMovesWithTheSave) {
  headless::Reset(7);
  ASSERT_TRUE(StartUp());
  Pick(1, {1});
  StartDraw();
  Shutdown();
  const std::string history = Value(LedgerFile(), "SELECT count(*) FROM draws");
  ASSERT_EQ(history, "1");
  headless::DenyWrite(headless::TempDir());
  ASSERT_TRUE(StartUp());
  const std::string moved = headless::TempDir() + "home/.local/share/keno/keno_history.sqlite3";
  EXPECT_EQ(LedgerPath(), moved);
  EXPECT_FALSE(fs::exists(LedgerFile()));
  EXPECT_EQ(Value(moved, "SELECT count(*) FROM draws WHERE state = 'settled'"), "1");
  EXPECT_EQ(Query(moved, "SELECT kind FROM adjustments"), (std::vector<Row>{{"opening"}}));
  Shutdown();
}

}  // namespace
