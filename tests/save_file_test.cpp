// The save file: its bytes, loading and repairing, bad files, and when the game writes it.
#include "persist/save_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "app/game.h"
#include "state/game_state.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "rules_helpers.h"
#include "ui/ui.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The stored contents of a save, written into bytes by the test's own writer.
struct SaveImage {
  int32_t fields[10] = {1000, 0, 0, 0, 0, 1, 0, 25000, 3, 1};  // Balance .. SoundOn
  uint8_t picks[5][81] = {};                                   // [card][number]
  bool fixCheck = true;                                        // check value matching the fields
  int32_t magic = 0x4B454E4F;
  int32_t version = 7;

  enum Field { Balance, GenWon, GenCost, CasWon, CasCost, Bet, PayMode, Pot, Speed, SoundOn };

  Bytes Write() const {
    Bytes out;
    auto put32 = [&out](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(static_cast<uint32_t>(magic));
    put32(static_cast<uint32_t>(version));
    uint32_t sum = 0;
    for (int32_t f : fields) {
      put32(static_cast<uint32_t>(f));
      sum += static_cast<uint32_t>(f);
    }
    for (int c = 1; c <= 4; ++c)
      for (int n = 1; n <= 80; ++n) out.push_back(picks[c][n]);
    put32(fixCheck ? sum ^ 0x4B454E4Fu : (sum ^ 0x4B454E4Fu) + 1);
    return out;
  }
};

std::string SaveFile() { return headless::TempDir() + "keno_save.dat"; }

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in the save's folder other than the save itself and its lock: leftovers of a save.
std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "keno_save.dat" && name != "keno_save.dat.lock") names.push_back(name);
  }
  return names;
}

// A clean state with the save path in a fresh temporary directory, as start-up leaves it.
void FreshState() {
  headless::Reset(1);
  Game = GameState{};
  Game.SavePath = SaveFile();
  Game.SaveLoaded = 1;
}

// Fills the saved fields with values a fresh game never has, so a load must overwrite them.
void Scribble() {
  Game.Balance = 77;
  Game.LifetimeGenWon = Game.LifetimeGenCost = Game.LifetimeCasWon = Game.LifetimeCasCost = 55;
  Game.BetPerCard = 9;
  Game.PayMode = 1;
  Game.ProgressivePot = 40000;
  Game.Speed = 5;
  Game.SoundOn = 0;
  for (int c = 1; c <= 4; ++c) {
    Game.Cards[c].Picked[c * 3] = 1;
    Game.Cards[c].PickCount = 1;
  }
}

void ExpectFreshGame(const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(Game.Balance, 1000);
  EXPECT_EQ(Game.LifetimeGenWon, 0);
  EXPECT_EQ(Game.LifetimeGenCost, 0);
  EXPECT_EQ(Game.LifetimeCasWon, 0);
  EXPECT_EQ(Game.LifetimeCasCost, 0);
  EXPECT_EQ(Game.BetPerCard, 1);
  EXPECT_EQ(Game.PayMode, 0);
  EXPECT_EQ(Game.ProgressivePot, 25000);
  EXPECT_EQ(Game.Speed, 3);
  EXPECT_EQ(static_cast<int64_t>(Game.SoundOn), 1);
  for (int c = 1; c <= 4; ++c) {
    EXPECT_EQ(Game.Cards[c].PickCount, 0) << "card " << c;
    for (int n = 1; n <= 80; ++n) ASSERT_EQ(Game.Cards[c].Picked[n], 0) << "card " << c << " number " << n;
  }
}

TEST(SaveFile, EveryFieldAndPickByteGoesOutAndComesBack) {
  FreshState();
  SaveImage expected;
  const int32_t values[10] = {123456, 7001, 8002, 9003, 10004, 7, 1, 31337, 4, 0};
  std::copy(std::begin(values), std::end(values), expected.fields);
  Game.Balance = values[0];
  Game.LifetimeGenWon = values[1];
  Game.LifetimeGenCost = values[2];
  Game.LifetimeCasWon = values[3];
  Game.LifetimeCasCost = values[4];
  Game.BetPerCard = values[5];
  Game.PayMode = values[6];
  Game.ProgressivePot = values[7];
  Game.Speed = values[8];
  Game.SoundOn = values[9];
  // Card 1 has the edges, card 2 a stray byte of 2, card 4 thirteen picks; card 3 stays empty.
  for (int n : {1, 80}) expected.picks[1][n] = 1;
  expected.picks[2][40] = 2;
  for (int n = 10; n < 23; ++n) expected.picks[4][n] = 1;
  for (int c = 1; c <= 4; ++c)
    for (int n = 1; n <= 80; ++n) Game.Cards[c].Picked[n] = static_cast<int8_t>(expected.picks[c][n]);

  SaveGame();
  const Bytes written = ReadBytes(SaveFile());
  ASSERT_EQ(written.size(), 372u);
  EXPECT_EQ(written, expected.Write());

  Scribble();
  LoadGame();
  EXPECT_EQ(Game.Balance, 123456);
  EXPECT_EQ(Game.LifetimeGenWon, 7001);
  EXPECT_EQ(Game.LifetimeGenCost, 8002);
  EXPECT_EQ(Game.LifetimeCasWon, 9003);
  EXPECT_EQ(Game.LifetimeCasCost, 10004);
  EXPECT_EQ(Game.BetPerCard, 7);
  EXPECT_EQ(Game.PayMode, 1);
  EXPECT_EQ(Game.ProgressivePot, 31337);
  EXPECT_EQ(Game.Speed, 4);
  EXPECT_EQ(static_cast<int64_t>(Game.SoundOn), 0);
  EXPECT_EQ(Game.Cards[1].PickCount, 2);
  EXPECT_EQ(Game.Cards[2].PickCount, 1);
  EXPECT_EQ(Game.Cards[2].Picked[40], 2);
  EXPECT_EQ(Game.Cards[3].PickCount, 0);
  EXPECT_EQ(Game.Cards[4].PickCount, 13);

  std::filesystem::remove(SaveFile());
  SaveGame();
  EXPECT_EQ(ReadBytes(SaveFile()), expected.Write()) << "the loaded game is saved back unchanged";
}

TEST(SaveFile, BadFilesLoadAsAFreshGame) {
  struct Case {
    const char* what;
    Bytes bytes;     // written as the save file unless empty
    bool directory;  // a directory stands where the file should be
  };
  SaveImage valid;
  valid.fields[SaveImage::Balance] = 5000;
  valid.fields[SaveImage::Speed] = 5;
  valid.picks[1][7] = 1;
  Bytes shortFile = valid.Write();
  shortFile.pop_back();
  Bytes longFile = valid.Write();
  longFile.push_back(0);
  SaveImage oldVersion = valid;
  oldVersion.version = 6;
  SaveImage wrongMagic = valid;
  wrongMagic.magic = 0x4F4E454B;
  SaveImage changedField = valid;
  changedField.fixCheck = false;
  const Case cases[] = {
      {"371 bytes", shortFile, false},
      {"373 bytes", longFile, false},
      {"version 6", oldVersion.Write(), false},
      {"wrong magic", wrongMagic.Write(), false},
      {"field changed, check value not", changedField.Write(), false},
      {"no file", {}, false},
      {"a directory", {}, true},
  };
  for (const Case& c : cases) {
    FreshState();
    if (!c.bytes.empty()) WriteBytes(SaveFile(), c.bytes);
    if (c.directory) std::filesystem::create_directory(SaveFile());
    Scribble();
    LoadGame();
    ExpectFreshGame(c.what);
  }
}

TEST(SaveFile, OutOfRangeValuesAreRepairedOnLoading) {
  struct Case {
    SaveImage::Field field;
    int32_t stored;
    int64_t loaded;
  };
  const Case cases[] = {
      {SaveImage::Balance, 0, 1000},  {SaveImage::Balance, -3, 1000}, {SaveImage::Balance, 5, 5},
      {SaveImage::Pot, 24000, 25000}, {SaveImage::Pot, 25001, 25001}, {SaveImage::Speed, 9, 3},
      {SaveImage::Speed, 0, 3},       {SaveImage::Speed, 5, 5},       {SaveImage::SoundOn, 7, 1},
      {SaveImage::SoundOn, 0, 0},     {SaveImage::PayMode, 9, 9},     {SaveImage::Bet, 40, 40},
  };
  for (const Case& c : cases) {
    FreshState();
    SaveImage image;
    image.fields[c.field] = c.stored;
    WriteBytes(SaveFile(), image.Write());
    Scribble();
    LoadGame();
    const int64_t loaded[10] = {Game.Balance,         Game.LifetimeGenWon, Game.LifetimeGenCost, Game.LifetimeCasWon,
                                Game.LifetimeCasCost, Game.BetPerCard,     Game.PayMode,         Game.ProgressivePot,
                                Game.Speed,           Game.SoundOn};
    EXPECT_EQ(loaded[c.field], c.loaded) << "field " << c.field << " stored as " << c.stored;
  }
}

TEST(SaveFile, PickBytesAreNotCoveredByTheCheckValue) {
  FreshState();
  SaveImage image;
  image.fields[SaveImage::Balance] = 4321;
  Bytes bytes = image.Write();
  bytes[48 + 80 + 9] = 1;  // card 2, number 10
  WriteBytes(SaveFile(), bytes);
  LoadGame();
  EXPECT_EQ(Game.Balance, 4321);
  EXPECT_EQ(Game.Cards[2].Picked[10], 1);
  EXPECT_EQ(Game.Cards[2].PickCount, 1);
}

TEST(SaveFile, ValuesBeyond32BitsAreClampedNotWrapped) {
  struct Case {
    int64_t balance;
    int64_t genWon;
    int32_t storedBalance;
    int32_t storedGenWon;
  };
  constexpr int32_t Max = std::numeric_limits<int32_t>::max();
  constexpr int32_t Min = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {int64_t{Max}, int64_t{Min}, Max, Min},
      {int64_t{Max} + 1, int64_t{Min} - 1, Max, Min},
      {5'000'000'000, -5'000'000'000, Max, Min},
      {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(), Max, Min},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.balance);
    FreshState();
    Game.Balance = c.balance;
    Game.LifetimeGenWon = c.genWon;
    SaveGame();
    SaveImage expected;
    expected.fields[SaveImage::Balance] = c.storedBalance;
    expected.fields[SaveImage::GenWon] = c.storedGenWon;
    EXPECT_EQ(ReadBytes(SaveFile()), expected.Write());
    LoadGame();
    EXPECT_EQ(Game.Balance, c.storedBalance) << "a rich player must not come back with a fresh $1000";
    EXPECT_EQ(Game.LifetimeGenWon, c.storedGenWon);
  }
}

TEST(SaveFile, AnInterruptedSaveLeavesThePreviousSaveWhole) {
  FreshState();
  Game.Balance = 2500;
  SaveGame();
  const Bytes before = ReadBytes(SaveFile());
  ASSERT_EQ(before.size(), 372u);

  Game.Balance = 10;
  Game.Cards[1].Picked[5] = 1;
  headless::FailNextCommit();
  SaveGame();
  EXPECT_EQ(ReadBytes(SaveFile()), before);
  EXPECT_FALSE(std::filesystem::exists(SaveFile() + ".tmp")) << "no half-written file is left behind";
  EXPECT_EQ(Leftovers(headless::TempDir()), std::vector<std::string>{});

  Scribble();
  LoadGame();
  EXPECT_EQ(Game.Balance, 2500);
  EXPECT_EQ(Game.Cards[1].PickCount, 0);

  Game.Balance = 10;
  SaveGame();
  LoadGame();
  EXPECT_EQ(Game.Balance, 10) << "the save after the failed one goes through";
}

TEST(SaveFile, AMissingDirectoryGetsNoFileAndIsReported) {
  FreshState();
  Game.SavePath = headless::TempDir() + "missing/keno_save.dat";
  EXPECT_FALSE(SaveGame());
  EXPECT_FALSE(std::filesystem::exists(Game.SavePath));
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].text,
            "Your progress could not be saved to " + Game.SavePath + ": No such file or directory.");
  Scribble();
  LoadGame();
  ExpectFreshGame("save directory missing");
}

TEST(SaveFile, AFailureAtAnyStepKeepsTheOldFileRemovesTheTemporaryAndSaysWhy) {
  struct Case {
    headless::FileStep step;
    int error;
    const char* reason;
  };
  const Case cases[] = {
      {headless::FileStep::Create, EACCES, "Permission denied"},
      {headless::FileStep::Write, EIO, "Input/output error"},
      {headless::FileStep::Flush, ENOSPC, "No space left on device"},
      {headless::FileStep::Flush, EDQUOT, "Disk quota exceeded"},
      {headless::FileStep::Rename, EROFS, "Read-only file system"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    FreshState();
    Game.Balance = 2500;
    ASSERT_TRUE(SaveGame());
    const Bytes before = ReadBytes(SaveFile());

    Game.Balance = 10;
    headless::FailNextFileStep(c.step, c.error);
    EXPECT_FALSE(SaveGame());
    EXPECT_EQ(ReadBytes(SaveFile()), before) << "the previous save stays whole";
    EXPECT_EQ(Leftovers(headless::TempDir()), std::vector<std::string>{}) << "the temporary file is gone";
    ASSERT_EQ(headless::BoxLog().size(), 1u);
    EXPECT_EQ(headless::BoxLog()[0].title, "Keno");
    EXPECT_EQ(headless::BoxLog()[0].flags, 16);
    EXPECT_EQ(headless::BoxLog()[0].text, "Your progress could not be saved to " + SaveFile() + ": " + c.reason + ".");
  }
}

TEST(SaveFile, OneBoxPerRunThenStandardErrorWhereNoBoxCanShow) {
  FreshState();
  for (int i = 0; i < 3; ++i) {
    headless::FailNextFileStep(headless::FileStep::Flush, ENOSPC);
    EXPECT_FALSE(SaveGame());
  }
  EXPECT_EQ(headless::BoxLog().size(), 1u) << "later failures of the same run show no more boxes";

  ReportSaveFailuresOnStandardError();
  headless::FailNextFileStep(headless::FileStep::Rename, EIO);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveGame());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "keno: Your progress could not be saved to " + SaveFile() + ": Input/output error.\n");
  EXPECT_EQ(headless::BoxLog().size(), 1u);

  // A fresh run reports its own first failure again.
  Game = GameState{};
  Game.SavePath = SaveFile();
  Game.SaveLoaded = 1;
  headless::FailNextFileStep(headless::FileStep::Create, EACCES);
  SaveGame();
  EXPECT_EQ(headless::BoxLog().size(), 2u);
}

TEST(SaveFile, NothingIsSavedBeforeTheSaveWasLoaded) {
  FreshState();
  Game.SaveLoaded = 0;
  EXPECT_FALSE(SavingAllowed());
  EXPECT_FALSE(SaveGame());
  EXPECT_FALSE(std::filesystem::exists(SaveFile()));
  EXPECT_TRUE(headless::BoxLog().empty()) << "a save that was never tried is no failure";
  LoadGame();
  EXPECT_TRUE(SavingAllowed());
  EXPECT_TRUE(SaveGame());
}

// Things a crash, an older version or someone else left at the fixed name the save once used.
TEST(SaveFile, WhateverSitsAtTheOldTemporaryNameIsLeftAlone) {
  enum class Squatter { Fifo, LinkToAnotherFile };
  for (Squatter squatter : {Squatter::Fifo, Squatter::LinkToAnotherFile}) {
    SCOPED_TRACE(squatter == Squatter::Fifo ? "fifo" : "link");
    FreshState();
    const std::string old = SaveFile() + ".tmp";
    const std::string victim = headless::TempDir() + "victim.txt";
    WriteBytes(victim, {'k', 'e', 'e', 'p'});
    if (squatter == Squatter::Fifo) {
      ASSERT_EQ(mkfifo(old.c_str(), 0600), 0);
    } else {
      std::filesystem::create_symlink(victim, old);
    }
    Game.Balance = 777;
    ASSERT_TRUE(SaveGame());  // a FIFO opened for writing would block here for ever
    SaveImage expected;
    expected.fields[SaveImage::Balance] = 777;
    EXPECT_EQ(ReadBytes(SaveFile()), expected.Write());
    EXPECT_EQ(ReadBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
    const auto status = std::filesystem::symlink_status(old);
    EXPECT_TRUE(squatter == Squatter::Fifo ? std::filesystem::is_fifo(status) : std::filesystem::is_symlink(status));
  }
}

TEST(SaveFile, ASaveKeptThroughALinkStaysALinkAndItsTargetGetsTheNewBytes) {
  struct Case {
    const char* what;
    const char* link;   // the save's link target as written in the link
    const char* chain;  // a second link in between, when not empty
    bool targetExists;
  };
  const Case cases[] = {
      {"absolute link", "@synced/real.dat", "", true},
      {"relative link", "synced/real.dat", "", true},
      {"link to a link", "hop", "synced/real.dat", true},
      {"link to a file not made yet", "synced/real.dat", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshState();
    const std::string dir = headless::TempDir();
    std::filesystem::create_directory(dir + "synced");
    const std::string real = dir + "synced/real.dat";
    if (c.targetExists) WriteBytes(real, SaveImage{}.Write());
    auto spelled = [&dir](const std::string& text) { return text[0] == '@' ? dir + text.substr(1) : text; };
    std::filesystem::create_symlink(spelled(c.link), SaveFile());
    if (*c.chain) std::filesystem::create_symlink(spelled(c.chain), dir + "hop");

    Game.Balance = 31337;
    ASSERT_TRUE(SaveGame());
    ASSERT_TRUE(std::filesystem::is_symlink(SaveFile()));
    EXPECT_EQ(std::filesystem::read_symlink(SaveFile()).string(), spelled(c.link));
    SaveImage expected;
    expected.fields[SaveImage::Balance] = 31337;
    EXPECT_EQ(ReadBytes(real), expected.Write());
    EXPECT_EQ(Leftovers(dir + "synced"), std::vector<std::string>{"real.dat"});
  }
}

// The game started on the headless back end over a save file the test prepared.
class SavedGameStart : public ::testing::Test {
 protected:
  void StartWith(const Bytes& bytes) {
    headless::Reset(3);
    WriteBytes(SaveFile(), bytes);
    ASSERT_TRUE(StartUp());
    running_ = true;
  }
  void Quit() {
    Shutdown();
    running_ = false;
  }
  void TearDown() override {
    if (running_) Shutdown();
  }
  bool running_ = false;
};

TEST_F(SavedGameStart, PicksInTheFileOpenTheMainTabWithoutWelcomeAndAreWrittenBack) {
  SaveImage image;
  image.fields[SaveImage::Balance] = 5;
  image.fields[SaveImage::Speed] = 5;
  image.fields[SaveImage::Bet] = 4;
  image.picks[3][12] = 2;
  image.picks[3][13] = 1;
  StartWith(image.Write());
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(Game.ActiveTab, 0);
  EXPECT_EQ(Game.Balance, 5);
  EXPECT_EQ(Game.Speed, 5);
  EXPECT_EQ(Game.BetSelection, 4);
  EXPECT_EQ(Game.Cards[3].PickCount, 2);
  EXPECT_EQ(Game.CardsPerNumber[12], 1);
  ASSERT_TRUE(RunFrame());
  Quit();
  EXPECT_EQ(ReadBytes(SaveFile()), image.Write());
}

// Plays the draw just started with `first` revealed first, until its balls have landed.
void FinishRiggedDraw(const std::vector<int64_t>& first) {
  rules_test::RigDraw(first);
  for (int guard = 0; guard < 5000 && (Game.Drawing == 1 || Game.BallAnimRunning == 1); ++guard) {
    headless::AdvanceMs(20);
    ASSERT_TRUE(RunFrame());
  }
  ASSERT_EQ(Game.Drawing, 0);
}

// A CASINO schedule in the file is in force from the start: its table is the active one and the
// first draw is paid from it (4 of 4 pays 120 in CASINO, 100 in GENEROUS).
TEST_F(SavedGameStart, AStoredCasinoSchedulePaysFromTheFirstDraw) {
  SaveImage image;
  image.fields[SaveImage::PayMode] = 1;
  for (int n = 1; n <= 4; ++n) image.picks[1][n] = 1;
  StartWith(image.Write());
  EXPECT_EQ(Game.PayMode, 1);
  for (int spots = 1; spots <= 12; ++spots)
    for (int hits = 0; hits <= spots; ++hits)
      EXPECT_EQ(Game.PayActive[spots][hits], Game.PayCasino[spots][hits]) << spots << " spots, " << hits << " hits";
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  FinishRiggedDraw({1, 2, 3, 4});
  EXPECT_EQ(Game.CardWin[1], 120);
  EXPECT_EQ(Game.LifetimeCasWon, 120);
  EXPECT_EQ(Game.LifetimeGenWon, 0);
}

// A pick byte of 2 is a pick for every reader: the count, the hits, the payout, the board's
// hit cells and the green balls of the tube.
TEST_F(SavedGameStart, PickBytesOf2AreReadAsPicksByTheRulesTheBoardAndTheTube) {
  SaveImage image;
  for (int n = 1; n <= 12; ++n) image.picks[1][n] = 2;
  StartWith(image.Write());
  ASSERT_EQ(Game.Cards[1].PickCount, 12);
  Game.SoundOn = 0;
  StartDraw();
  ASSERT_EQ(Game.Drawing, 1);
  FinishRiggedDraw({1, 2, 3, 4, 5, 6});
  ASSERT_TRUE(RunFrame());
  EXPECT_EQ(rules_test::LiveView().Cards[1].HitCount, 6);
  EXPECT_EQ(Game.CardWin[1], 10);  // 6 of 12
  ASSERT_EQ(Game.ActiveTab, 0);

  // The Main board's cells, at a point of their fill: hits green, the other picks purple.
  for (int64_t n = 1; n <= 12; ++n) {
    const Rect box = CellRect(Game.BoardRect, n);
    EXPECT_EQ(headless::PixelAt(box.x + 43, box.y + 10), n <= 6 ? RGB(40, 180, 60) : RGB(140, 20, 160))
        << "cell " << n;
  }
  // The tube's landed balls: green on a card, red otherwise.
  for (int64_t k = 1; k <= 20; ++k) {
    const BallSlot s = BallSlotCentre(Game.BallsPanelW, Game.BallsPanelH, k);
    EXPECT_EQ(headless::PixelAt(Game.BallsPanelX + s.x + 9, Game.BallsPanelY + s.y + 9),
              k <= 6 ? RGB(40, 180, 60) : RGB(210, 10, 10))
        << "ball " << k << " (" << Game.DrawOrder[k - 1] << ")";
  }
}

TEST_F(SavedGameStart, ABetOutOfRangeIsReset) {
  SaveImage image;
  image.fields[SaveImage::Bet] = 11;
  StartWith(image.Write());
  EXPECT_EQ(Game.BetPerCard, 1);
  EXPECT_EQ(Game.BetSelection, 1);
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].title, "Welcome to Keno!");
  EXPECT_EQ(Game.ActiveTab, 1);
}

// Every way out of the loop saves, even straight after a change that asked for no save.
TEST_F(SavedGameStart, QuittingWithinTheDebounceStillSaves) {
  enum class Exit { CloseWindow, Escape };
  for (Exit exit : {Exit::CloseWindow, Exit::Escape}) {
    SCOPED_TRACE(exit == Exit::CloseWindow ? "close window" : "escape");
    StartWith(SaveImage{}.Write());
    Game.Speed = 1;
    Game.SoundOn = 0;
    RequestSave();
    headless::AdvanceMs(1000);
    ASSERT_TRUE(RunFrame());
    if (exit == Exit::CloseWindow) {
      headless::RequestClose();
    } else {
      headless::SetKey(KeyEscape, true);
      ASSERT_TRUE(RunFrame());
      headless::SetKey(KeyEscape, false);
      RunFrame();
    }
    EXPECT_FALSE(RunFrame());
    Quit();
    SaveImage expected;
    expected.fields[SaveImage::Speed] = 1;
    expected.fields[SaveImage::SoundOn] = 0;
    EXPECT_EQ(ReadBytes(SaveFile()), expected.Write());
  }
}

class AutosaveTest : public GameFixture {};

TEST_F(AutosaveTest, RequestsGiveOneSave3000msAfterTheLast) {
  Game.Balance = 1234;
  RequestSave();
  ASSERT_TRUE(Run(2000, 10));
  Game.Balance = 4321;
  RequestSave();
  ASSERT_TRUE(Run(2990, 10));
  EXPECT_FALSE(std::filesystem::exists(SaveFile())) << "saved before the wait after the last request";
  ASSERT_TRUE(Run(10, 10));
  ASSERT_TRUE(std::filesystem::exists(SaveFile()));
  SaveImage expected;
  expected.fields[SaveImage::Balance] = 4321;
  EXPECT_EQ(ReadBytes(SaveFile()), expected.Write());

  std::filesystem::remove(SaveFile());
  ASSERT_TRUE(Run(6000, 100));
  EXPECT_FALSE(std::filesystem::exists(SaveFile())) << "one request, one save";
}

// Requests at the given times (ms after the first) give saves at the given times: 3000 ms after
// the last request, but never more than 10000 ms after the request that armed the save.
TEST_F(AutosaveTest, TheDebounceHasACeiling) {
  struct Case {
    const char* what;
    std::vector<int64_t> requests;
    std::vector<int64_t> saves;
  };
  auto every = [](int64_t step, int64_t last) {
    std::vector<int64_t> times;
    for (int64_t t = 0; t <= last; t += step) times.push_back(t);
    return times;
  };
  const Case cases[] = {
      {"one request", {0}, {3000}},
      {"two requests 2000 ms apart", {0, 2000}, {5000}},
      {"a request after the save arms a new one", {0, 4000}, {3000, 7000}},
      {"requests every 1700 ms, as auto-run at the fastest speed", every(1700, 15300), {10000, 18300}},
      {"requests every 2900 ms", every(2900, 8700), {10000}},
      {"requests every 2990 ms for a minute", every(2990, 59800), {10000, 21960, 33920, 45880, 57840, 62800}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    headless::Reset(1);
    ASSERT_TRUE(StartUp());
    std::filesystem::remove(SaveFile());
    std::vector<int64_t> saves;
    size_t next = 0;
    for (int64_t t = 0; t <= c.requests.back() + 12000; t += 10) {
      if (next < c.requests.size() && c.requests[next] == t) {
        Game.Balance = 2000 + t;
        RequestSave();
        ++next;
      }
      ASSERT_TRUE(Frame());
      if (std::filesystem::exists(SaveFile())) {
        saves.push_back(t);
        std::filesystem::remove(SaveFile());
      }
      headless::AdvanceMs(10);
    }
    EXPECT_EQ(saves, c.saves);
    Shutdown();
  }
  shutDown_ = true;
}

}  // namespace
