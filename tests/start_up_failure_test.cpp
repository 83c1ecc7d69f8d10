// Start-up that cannot set up the screen or the input devices: the error box, the exit status, the
// player's save left alone and the save's lock given back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/headless.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

using Bytes = std::vector<char>;

std::string SaveFile() { return headless::TempDir() + "keno_save.dat"; }

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct FailureCase {
  const char* name;
  headless::SetupFault fault;
  const char* text;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class StartUpStepFailure : public ::testing::TestWithParam<FailureCase> {};

// The failing step ends the game after its box alone: no greeting, no frame loop, status 0, the
// save file as the last game left it (or still none), and the lock free for the next copy.
TEST_P(StartUpStepFailure, ShowsItsErrorBoxAndEndsWithoutSavingOrHoldingTheLock) {
  for (const bool saveThere : {true, false}) {
    SCOPED_TRACE(saveThere ? "with a save file" : "without a save file");
    headless::Reset(3);
    if (saveThere) {
      // A player with $5 and one pick, as a finished game leaves the file.
      ASSERT_TRUE(StartUp());
      Game.Balance = 5;
      TogglePick(1, 20);
      Shutdown();
      ASSERT_EQ(FileBytes(SaveFile()).size(), 372u);
    }
    const Bytes before = FileBytes(SaveFile());
    const int64_t framesBefore = headless::PresentedFrames();
    headless::ClearBoxLog();
    headless::FailSetupStep(GetParam().fault);
    // Should start-up go on regardless, this close request ends its frame loop at the first
    // frame, so a fault that is not honoured fails the checks below instead of hanging.
    headless::RequestClose();

    EXPECT_EQ(RunGame(), 0);

    const auto& boxes = headless::BoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, GetParam().text);
    EXPECT_EQ(boxes[0].flags, BoxOk);
    EXPECT_EQ(headless::PresentedFrames(), framesBefore);
    EXPECT_EQ(std::filesystem::exists(SaveFile()), saveThere);
    EXPECT_EQ(FileBytes(SaveFile()), before);

    const int lock = open((SaveFile() + ".lock").c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    EXPECT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0) << "the lock is still held";
    close(lock);
  }
  headless::Reset(3);
}

const FailureCase FailureCases[] = {
    {"InitSprite", headless::SetupFault::Sprite, "InitSprite() failed."},
    {"InitKeyboard", headless::SetupFault::Keyboard, "InitKeyboard() failed."},
    {"InitMouse", headless::SetupFault::Mouse, "InitMouse() failed."},
    {"OpenWindowedScreen", headless::SetupFault::Screen, "OpenWindowedScreen() failed."},
};

INSTANTIATE_TEST_SUITE_P(Steps, StartUpStepFailure, ::testing::ValuesIn(FailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
