// Endings the player did not choose: the save made when the display connection is lost (a draw in
// flight completed first), the rule that nothing is saved before start-up has read the save file,
// and where a failure is told.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game.h"
#include "state/game_state.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "rules/rules.h"

namespace {

using Bytes = std::vector<char>;

std::string SaveFile() { return headless::TempDir() + "keno_save.dat"; }

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stored 32-bit field i (0 Balance, 1 generous winnings, 2 generous cost, ...) of save bytes.
int32_t StoredField(const Bytes& bytes, int i) {
  uint32_t v = 0;
  for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<uint8_t>(bytes.at(static_cast<size_t>(8 + 4 * i + b)));
  return static_cast<int32_t>(v);
}

// Leaves a save file of a player with $5 and one pick, as a finished game writes it.
void PrepareSave() {
  headless::Reset(5);
  ASSERT_TRUE(StartUp());
  Game.Balance = 5;
  TogglePick(1, 20);
  Shutdown();
}

// The display lost while a box of start-up is shown. The sound warning comes before the save file
// is read, and the "already running" box of a copy giving way to another comes instead of reading
// it: a save there would put a fresh game over the player's, so the file stays as it was. The
// welcome box comes after reading: the game read then is saved.
TEST(DisplayLoss, DuringStartUpSavesOnlyOnceTheSaveFileWasRead) {
  struct Case {
    const char* when;
    bool soundFails;
    bool anotherCopyRuns;
    bool saveFileThere;
    bool saved;
  } cases[] = {
      {"at the sound warning, before the save is read", true, false, true, false},
      {"at the box of a second copy, which never reads it", false, true, true, false},
      {"at the welcome box, after the save was read", false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    PrepareSave();
    const Bytes before = FileBytes(SaveFile());
    ASSERT_EQ(before.size(), 372u);
    if (!c.saveFileThere) std::remove(SaveFile().c_str());
    const int otherCopy = c.anotherCopyRuns ? open((SaveFile() + ".lock").c_str(), O_RDONLY | O_CREAT, 0644) : -1;
    if (c.anotherCopyRuns) {
      ASSERT_EQ(flock(otherCopy, LOCK_EX | LOCK_NB), 0);
    }
    headless::FailAudioInit(c.soundFails);
    headless::LoseDisplayAtNextBox();
    const bool started = StartUp();
    const Bytes after = FileBytes(SaveFile());
    if (c.saved) {
      ASSERT_EQ(after.size(), 372u);
      EXPECT_EQ(StoredField(after, 0), 1000);  // the fresh game start-up read from no file
    } else {
      EXPECT_EQ(after, before);
    }
    EXPECT_EQ(started, !c.anotherCopyRuns);
    if (started) Shutdown();
    if (otherCopy >= 0) close(otherCopy);
  }
}

// A save that fails when the display is lost is told on standard error: no box can be shown.
TEST(DisplayLoss, AFailedSaveIsToldOnStandardError) {
  PrepareSave();
  ASSERT_TRUE(StartUp());
  headless::ClearBoxLog();
  headless::FailNextFileStep(headless::FileStep::Rename, ENOSPC);
  testing::internal::CaptureStderr();
  headless::LoseDisplay();
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(told, "keno: Your progress could not be saved to " + SaveFile() + ": No space left on device.\n");
  Shutdown();
}

// The display lost in the middle of a draw: the draw is completed at once from its charge, and
// the save holds its cost and its payout, told as the ledger's settled row has them.
TEST(DisplayLoss, DuringADrawCompletesItAndSavesItsCostAndPayout) {
  PrepareSave();
  ASSERT_TRUE(StartUp());
  ASSERT_EQ(Game.Balance, 5);
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  headless::LoseDisplay();
  EXPECT_EQ(Game.Drawing, 0);
  EXPECT_EQ(Game.BallsRevealed, 20);
  const Bytes saved = FileBytes(SaveFile());
  ASSERT_EQ(saved.size(), 372u);
  const int32_t won = StoredField(saved, 1);
  EXPECT_EQ(won, Game.Charge.Won);
  EXPECT_EQ(won, Game.Charge.Cards[1].HitCount == 1 ? Game.PayGenerous[1][1] : 0);
  EXPECT_EQ(StoredField(saved, 0), 4 + won);  // balance after the $1 draw and its payout
  EXPECT_EQ(StoredField(saved, 2), 1);        // lifetime cost on the generous schedule
  EXPECT_TRUE(headless::BoxLog().empty() || headless::BoxLog().back().title != "Keno");
  Shutdown();
}

}  // namespace
