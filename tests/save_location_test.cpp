// Where the save lives (beside the program or in the data folder), carrying an old save over,
// the data folder's making, the one-game-per-save lock and the clearing of stray temporaries.
#include "persist/save_location.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/game.h"
#include "persist/save_file.h"
#include "platform/headless.h"
#include "state/game_state.h"

namespace {

void Touch(const std::string& path, const std::string& text = "x") {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

enum class Where { Beside, XdgData, HomeData };
enum class Beside { None, Replaceable, NotReplaceable };
enum class Xdg { Unset, Absolute, Relative, Empty };

struct LocationCase {
  const char* what;
  bool installed;
  bool folderWritable;
  Beside besideSave;
  bool dataSave;  // a save already in the data folder
  Xdg xdg;
  bool home;  // HOME set
  Where save;
  Where load;
};

class SaveLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset(1);
    Game = GameState{};
  }
  std::string Dir() const { return headless::TempDir(); }
  std::string PathOf(Where where) const {
    switch (where) {
      case Where::Beside:
        return Dir() + "keno_save.dat";
      case Where::XdgData:
        return Dir() + "xdg/keno/keno_save.dat";
      case Where::HomeData:
        return Dir() + "home/.local/share/keno/keno_save.dat";
    }
    return {};
  }
};

TEST_F(SaveLocationTest, TheChoiceFollowsTheBuildThePermissionsAndTheEnvironment) {
  using enum Where;
  const LocationCase cases[] = {
      {"portable copy, a new player", false, true, Beside::None, false, Xdg::Unset, true, Beside, Beside},
      {"portable copy with its save", false, true, Beside::Replaceable, false, Xdg::Absolute, true, Beside, Beside},
      {"save beside that the player cannot replace", false, true, Beside::NotReplaceable, false, Xdg::Absolute, true,
       XdgData, Beside},
      {"read-only folder, a new player", false, false, Beside::None, false, Xdg::Unset, true, HomeData, HomeData},
      {"read-only folder with an old save", false, false, Beside::Replaceable, false, Xdg::Absolute, true, XdgData,
       Beside},
      {"read-only folder, both saves: the data folder's wins", false, false, Beside::Replaceable, true, Xdg::Absolute,
       true, XdgData, XdgData},
      {"installed, even where it could write", true, true, Beside::None, false, Xdg::Unset, true, HomeData, HomeData},
      {"installed, a save beside is carried over", true, true, Beside::Replaceable, false, Xdg::Absolute, true, XdgData,
       Beside},
      {"installed, relative XDG_DATA_HOME ignored", true, true, Beside::None, false, Xdg::Relative, true, HomeData,
       HomeData},
      {"installed, empty XDG_DATA_HOME ignored", true, false, Beside::None, false, Xdg::Empty, true, HomeData,
       HomeData},
      {"installed, neither variable usable", true, false, Beside::None, false, Xdg::Relative, false, Beside, Beside},
      {"read-only folder, no HOME, XDG set", false, false, Beside::None, false, Xdg::Absolute, false, XdgData, XdgData},
      {"read-only folder, neither variable", false, false, Beside::Replaceable, false, Xdg::Unset, false, Beside,
       Beside},
  };
  for (const LocationCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    if (!c.folderWritable) headless::DenyWrite(Dir());
    if (c.besideSave != Beside::None) Touch(PathOf(Beside));
    if (c.besideSave == Beside::NotReplaceable) headless::DenyWrite(PathOf(Beside));
    const std::optional<std::string> xdg[] = {std::nullopt, Dir() + "xdg/", "xdg", ""};
    headless::SetEnvironment("XDG_DATA_HOME", xdg[static_cast<int>(c.xdg)]);
    if (!c.home) headless::SetEnvironment("HOME", std::nullopt);
    if (c.dataSave) Touch(PathOf(c.xdg == Xdg::Absolute ? XdgData : HomeData));

    const SaveLocation chosen = ChooseSaveLocation(c.installed);
    EXPECT_EQ(chosen.save, PathOf(c.save));
    EXPECT_EQ(chosen.load, PathOf(c.load));
    EXPECT_EQ(chosen.dataFolder,
              c.save == Beside ? "" : std::filesystem::path(PathOf(c.save)).parent_path().string() + "/");
    if (!c.dataSave) {
      EXPECT_FALSE(std::filesystem::exists(Dir() + "xdg") || std::filesystem::exists(Dir() + "home"))
          << "choosing makes no folder";
    }
  }
}

TEST_F(SaveLocationTest, ClaimingMakesThePrivateDataFolderAndLoadsTheOldSaveFromBesideTheProgram) {
  headless::DenyWrite(Dir());
  Game.Balance = 4321;
  Game.SavePath = PathOf(Where::Beside);
  Game.SaveLoaded = 1;
  ASSERT_TRUE(SaveGame());
  const std::string old = Slurp(PathOf(Where::Beside));

  Game = GameState{};
  ASSERT_TRUE(ClaimSaveFile(false));
  EXPECT_EQ(Game.SavePath, PathOf(Where::HomeData));
  struct stat st {};
  ASSERT_EQ(stat((Dir() + "home/.local/share/keno").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  LoadGame();
  EXPECT_EQ(Game.Balance, 4321) << "the progress carries over";
  Game.Balance = 99;
  ASSERT_TRUE(SaveGame());
  EXPECT_EQ(Slurp(PathOf(Where::Beside)), old) << "the old save is left as it was";
  Game = GameState{};
  Game.SavePath = PathOf(Where::HomeData);
  LoadGame();
  EXPECT_EQ(Game.Balance, 99) << "from then on the data folder holds the save";
}

TEST_F(SaveLocationTest, AnotherCopyHoldingTheLockIsToldAboutAndNothingIsTouched) {
  const std::string stray = Dir() + "keno_save.dat.tmp-Ab3xY9";
  Touch(stray);
  const int other = open((Dir() + "keno_save.dat.lock").c_str(), O_RDONLY | O_CREAT, 0644);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);

  EXPECT_FALSE(ClaimSaveFile(false));
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].title, "Keno");
  EXPECT_EQ(headless::BoxLog()[0].text,
            "Keno is already running and saving its progress to " + Dir() + "keno_save.dat.");
  EXPECT_TRUE(std::filesystem::exists(stray)) << "the running copy's temporary file is its own";
  EXPECT_FALSE(SavingAllowed());

  close(other);
  headless::ClearBoxLog();
  EXPECT_TRUE(ClaimSaveFile(false)) << "the kernel let the lock go with its holder";
  EXPECT_TRUE(headless::BoxLog().empty());
}

TEST_F(SaveLocationTest, TheLockHolderClearsStrayTemporariesOnlyAndKeepsItsLockFile) {
  const std::string strays[] = {Dir() + "keno_save.dat.tmp-Ab3xY9", Dir() + "keno_save.dat.tmp-000000"};
  const std::string kept[] = {Dir() + "keno_save.dat.tmp", Dir() + "keno_save.dat.tmp-toolong1",
                              Dir() + "keno_save.dat.backup", Dir() + "other.dat.tmp-Ab3xY9"};
  for (const std::string& path : strays) Touch(path);
  for (const std::string& path : kept) Touch(path);
  std::filesystem::create_directory(Dir() + "keno_save.dat.tmp-Folder");

  ASSERT_TRUE(ClaimSaveFile(false));
  for (const std::string& path : strays) EXPECT_FALSE(std::filesystem::exists(path)) << path;
  for (const std::string& path : kept) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_TRUE(std::filesystem::is_directory(Dir() + "keno_save.dat.tmp-Folder")) << "only plain files go";

  const int other = open((Dir() + "keno_save.dat.lock").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0) << "the lock is held";
  // Exclusive, not shared: a shared lock would let a second copy take its own shared lock, and
  // both would write the one save.
  EXPECT_NE(flock(other, LOCK_SH | LOCK_NB), 0) << "the lock is held exclusively";
  ReleasePlatform();
  EXPECT_TRUE(std::filesystem::exists(Dir() + "keno_save.dat.lock")) << "the lock file is never deleted";
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "and the lock goes with the platform";
  close(other);
}

TEST_F(SaveLocationTest, ALockThatCannotBeMadeLetsTheGameRunAndItsSavesFailAloud) {
  headless::SetEnvironment("HOME", Dir() + "file-not-folder");
  Touch(Dir() + "file-not-folder");
  headless::DenyWrite(Dir());
  ASSERT_TRUE(ClaimSaveFile(false));
  EXPECT_TRUE(headless::BoxLog().empty());
  LoadGame();
  EXPECT_FALSE(SaveGame());
  ASSERT_EQ(headless::BoxLog().size(), 1u);
  EXPECT_EQ(headless::BoxLog()[0].text, "Your progress could not be saved to " + Dir() +
                                            "file-not-folder/.local/share/keno/keno_save.dat: Not a directory.");
}

TEST_F(SaveLocationTest, WithoutTheLockStrayTemporariesStay) {
  std::filesystem::create_directory(Dir() + "keno_save.dat.lock");  // no lock file can be made there
  Touch(Dir() + "keno_save.dat.tmp-Ab3xY9");
  ASSERT_TRUE(ClaimSaveFile(false));
  EXPECT_TRUE(std::filesystem::exists(Dir() + "keno_save.dat.tmp-Ab3xY9"))
      << "without the lock it may be another copy's save in progress";
}

TEST_F(SaveLocationTest, TheLockAndTheTemporariesFollowALinkedSaveToItsTarget) {
  std::filesystem::create_directory(Dir() + "synced");
  Touch(Dir() + "synced/real.dat");
  Touch(Dir() + "synced/real.dat.tmp-Zz9Zz9");
  std::filesystem::create_symlink("synced/real.dat", Dir() + "keno_save.dat");
  ASSERT_TRUE(ClaimSaveFile(false));
  EXPECT_TRUE(std::filesystem::exists(Dir() + "synced/real.dat.lock"));
  EXPECT_FALSE(std::filesystem::exists(Dir() + "synced/real.dat.tmp-Zz9Zz9"));
}

// The whole start-up of a second copy: one box, status 0 from the game, and nothing changed.
TEST_F(SaveLocationTest, ASecondCopyOfTheGameSaysSoAndEndsWithoutTouchingTheSave) {
  Game.Balance = 5555;
  Game.Cards[1].Picked[7] = 1;
  Game.SavePath = PathOf(Where::Beside);
  Game.SaveLoaded = 1;
  ASSERT_TRUE(SaveGame());
  const std::string before = Slurp(PathOf(Where::Beside));
  const std::string stray = Dir() + "keno_save.dat.tmp-Ab3xY9";
  Touch(stray);
  const int other = open((Dir() + "keno_save.dat.lock").c_str(), O_RDONLY | O_CREAT, 0644);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  headless::ClearBoxLog();

  EXPECT_FALSE(StartUp());
  ASSERT_EQ(headless::BoxLog().size(), 1u) << "no window, no welcome: only the box";
  EXPECT_EQ(headless::BoxLog()[0].text,
            "Keno is already running and saving its progress to " + PathOf(Where::Beside) + ".");
  EXPECT_EQ(headless::PresentedFrames(), 0);
  EXPECT_FALSE(SaveGame()) << "an ending of this copy writes nothing";
  EXPECT_EQ(Slurp(PathOf(Where::Beside)), before);
  EXPECT_TRUE(std::filesystem::exists(stray));
  close(other);
}

TEST_F(SaveLocationTest, AGameThatCannotSaveBesideItselfPlaysOnFromTheDataFolder) {
  headless::DenyWrite(Dir());
  Game.Balance = 4321;
  Game.Cards[2].Picked[9] = 1;
  Game.SavePath = PathOf(Where::Beside);
  Game.SaveLoaded = 1;
  ASSERT_TRUE(SaveGame());
  const std::string old = Slurp(PathOf(Where::Beside));
  headless::ClearBoxLog();

  ASSERT_TRUE(StartUp());
  EXPECT_TRUE(headless::BoxLog().empty()) << "the old save's picks: no welcome";
  EXPECT_EQ(Game.Balance, 4321);
  Game.Balance = 1234;
  Shutdown();
  EXPECT_TRUE(headless::BoxLog().empty());
  EXPECT_EQ(Slurp(PathOf(Where::Beside)), old);
  Game = GameState{};
  Game.SavePath = PathOf(Where::HomeData);
  LoadGame();
  EXPECT_EQ(Game.Balance, 1234);
  EXPECT_EQ(Game.Cards[2].Picked[9], 1);
}

}  // namespace
