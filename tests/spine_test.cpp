// Start-up, the frame loop's timers and the game-state helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/game.h"
#include "game_fixture.h"
#include "platform/headless.h"
#include "sound/sound.h"
#include "state/game_state.h"
#include "ui/ui.h"

namespace {

TEST(PointInRect, EdgesAreOutsideAndTheOutsidePointerIsNowhere) {
  struct Case {
    int64_t px, py;
    int64_t inside;
  } cases[] = {
      {10, 20, 1}, {39, 59, 1}, {40, 30, 0}, {20, 60, 0}, {9, 30, 0}, {20, 19, 0}, {-1, -1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PointInRect(10, 20, 30, 40, c.px, c.py), c.inside) << c.px << "," << c.py;
  }
}

TEST(SetActiveTab, CardTabsHideTheHeatMapAndMainKeepsIt) {
  Game = GameState{};
  Game.HeatMapOn = 1;
  SetActiveTab(0);
  EXPECT_EQ(Game.HeatMapOn, 1);
  SetActiveTab(2);
  EXPECT_EQ(Game.ActiveTab, 2);
  EXPECT_EQ(Game.HeatMapOn, 0);
}

TEST(RandomOneTo, StaysInRangeWhateverTheEntropySourceDoes) {
  for (auto fault :
       {headless::EntropyFault::None, headless::EntropyFault::FailOpen, headless::EntropyFault::FailRead}) {
    headless::Reset(7);
    headless::SetEntropyFault(fault);
    Game = GameState{};
    Game.CryptoRandomOpen = OpenEntropySource() ? 1 : 0;
    EXPECT_EQ(Game.CryptoRandomOpen, fault == headless::EntropyFault::FailOpen ? 0 : 1);
    bool seen[81] = {};
    for (int i = 0; i < 4000; ++i) {
      const int64_t r = RandomOneTo(80);
      ASSERT_GE(r, 1);
      ASSERT_LE(r, 80);
      seen[r] = true;
    }
    // A source that fails to read must not pin the result: every number still comes up.
    for (int n = 1; n <= 80; ++n) EXPECT_TRUE(seen[n]) << "number " << n << " never drawn";
  }
}

// The entropy source maps a 32-bit word w to (max + 1) x w / 2^32 and rejects the 2^32 mod
// (max + 1) words whose product has the smallest lower halves, which would otherwise give some
// results one word more than others. For 80 numbers the remainder is 16 and the lower halves are
// multiples of 16, so exactly the 16 multiples of 2^28 are rejected; for 6 it is 4 (lower halves
// 0 and 2 go, 4 stays); for 3 it is 1 (only 0 goes); a range of 1 or 2^32 rejects nothing.
TEST(EntropyUpTo, RejectsExactlyTheWordsThatWouldBiasTheResult) {
  struct Case {
    int64_t max;
    std::vector<uint32_t> words;
    int64_t result;
    int64_t read;  // words taken, the rejected ones included
  } cases[] = {
      {79, {0x0FFFFFFF}, 4, 1},
      {79, {0x10000001}, 5, 1},
      {79, {0x00000001}, 0, 1},  // lower half 80: kept
      {79, {0x10000000, 0x10000001}, 5, 2},
      {79, {0x00000000, 0xF0000000, 0xFFFFFFFF}, 79, 3},
      {5, {0x2AAAAAAB, 0x55555556}, 2, 2},  // lower halves 2 (rejected), then 4 (kept)
      {5, {0x80000000, 0xAAAAAAAB, 0x55555555}, 1, 3},
      {2, {0x00000000, 0x55555556}, 1, 2},
      {2, {0x55555555}, 0, 1},
      {2, {0xFFFFFFFF}, 2, 1},
      {0, {0x00000000}, 0, 1},
      {0xFFFFFFFF, {0x00000000}, 0, 1},
      {0xFFFFFFFF, {0xDEADBEEF}, 0xDEADBEEF, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "max " << c.max << ", first word " << c.words[0]);
    headless::Reset(7);
    ASSERT_NE(OpenEntropySource(), 0);
    // Reads fail after the case's words: a threshold that rejected one word too many would
    // otherwise wait forever for a word it accepts (the 2^32 range would reject every word).
    headless::SetEntropyFault(headless::EntropyFault::FailReadAfterQueued);
    headless::QueueEntropyWords(c.words);
    EXPECT_EQ(EntropyUpTo(c.max), c.result);
    EXPECT_EQ(headless::EntropyWordsRead(), c.read);
  }
  headless::Reset(7);
  ASSERT_NE(OpenEntropySource(), 0);
  EXPECT_EQ(EntropyUpTo(-1), -1);
  EXPECT_EQ(EntropyUpTo(int64_t{1} << 32), -1);
}

class StartUpTest : public GameFixture {};

TEST_F(StartUpTest, NewPlayerIsWelcomedOnTheCard1Tab) {
  const auto& boxes = headless::BoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Welcome to Keno!");
  EXPECT_EQ(boxes[0].flags, 0);
  EXPECT_EQ(boxes[0].text,
            "Pick 1-12 numbers on one or more cards, then click Draw Numbers.\n\n"
            "  - 20 balls are drawn each round.\n"
            "  - Each active card costs $1 per draw.\n"
            "  - Hold Draw button 1 second to start auto-drawing.\n"
            "Current balance: $1000");
  EXPECT_EQ(Game.ActiveTab, 1);
  EXPECT_EQ(Game.ScreenW, 1282);
  EXPECT_EQ(Game.ScreenH, 902);
}

TEST_F(StartUpTest, FrameShowsHeaderBandAndBottomStrip) {
  ASSERT_TRUE(Frame());
  for (int64_t x : {0, 640, 1281}) {
    EXPECT_EQ(headless::PixelAt(x, 2), RGB(160, 120, 0)) << x;
    EXPECT_EQ(headless::PixelAt(x, 895), RGB(172, 176, 185)) << x;
  }
}

TEST_F(StartUpTest, SaveRequestsAreDebouncedToOneSaveAfterTheLast) {
  const std::string save = headless::TempDir() + "keno_save.dat";
  RequestSave();
  ASSERT_TRUE(Run(2000, 10));
  RequestSave();
  ASSERT_TRUE(Run(2990, 10));
  EXPECT_EQ(Game.SavePending, 1);
  ASSERT_TRUE(Run(20, 10));
  EXPECT_EQ(Game.SavePending, 0);
}

TEST_F(StartUpTest, ResizeReopensTheScreenAtTheNewSize) {
  headless::ResizeWindow(1600, 1000);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(Game.ScreenW, 1600);
  EXPECT_EQ(Game.ScreenH, 1000);
  EXPECT_EQ(headless::FrameWidth(), 1600);
  EXPECT_EQ(Game.BoardRect.w, 1600 - 404);
}

TEST_F(StartUpTest, CloseRequestEndsTheLoop) {
  headless::RequestClose();
  EXPECT_FALSE(Frame());
}

TEST_F(StartUpTest, EscapeQuitsOnlyOnRelease) {
  headless::SetKey(KeyEscape, true);
  ASSERT_TRUE(Run(100, 10));
  EXPECT_EQ(Game.QuitRequested, 0);
  headless::SetKey(KeyEscape, false);
  EXPECT_TRUE(Frame());  // the frame that sees the release asks to quit ...
  EXPECT_EQ(Game.QuitRequested, 1);
  EXPECT_FALSE(Frame());  // ... and the loop ends before the next one
}

TEST(StartUpFailure, AudioFailureWarnsAndGoesOn) {
  headless::Reset(1);
  headless::FailAudioInit(true);
  ASSERT_TRUE(StartUp());
  const auto& boxes = headless::BoxLog();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, "Keno");
  EXPECT_EQ(boxes[0].text, "Warning: Sound system could not be initialized.\r\nSounds will be disabled.");
  EXPECT_EQ(boxes[0].flags, 16);
  EXPECT_EQ(boxes[1].title, "Welcome to Keno!");
  Shutdown();
}

}  // namespace

namespace {

class TubeResizeTest : public GameFixture {};

// The tube image rebuilt on a resize carries its title in the font of the new height: it equals
// a tube built from scratch at that size.
TEST_F(TubeResizeTest, RebuiltAfterAResizeWithTheNewFonts) {
  headless::ResizeWindow(1282, 1100);
  ASSERT_TRUE(Frame());
  auto tube = [] {
    std::vector<Colour> pixels;
    for (int64_t y = Game.BallsPanelY; y < Game.BallsPanelY + 120; ++y)
      for (int64_t x = Game.BallsPanelX; x < Game.BallsPanelX + Game.BallsPanelW; ++x)
        pixels.push_back(headless::PixelAt(x, y));
    return pixels;
  };
  const auto afterResize = tube();
  BuildBallsPanelImage(Game.BallsPanelW, Game.BallsPanelH);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(afterResize, tube());
}

}  // namespace

namespace {

// At each scale factor of the screen (device pixels per logical pixel).
class FrameCoverageTest : public GameFixture, public ::testing::WithParamInterface<int64_t> {
 protected:
  int64_t Scale() const override { return GetParam(); }
};

// Every device pixel of a frame is painted by some panel, at the start-up size and larger ones,
// so a frame never shows what the back buffer held before it (the background clear is left out).
// At scale 2 the panels' edges fall between device pixels, where a gap would show first.
TEST_P(FrameCoverageTest, PanelsPaintEveryPixel) {
  const Colour sentinel = RGB(255, 0, 255);  // a colour no panel uses
  for (auto [w, h] : {std::pair{1282, 902}, std::pair{1281, 903}, std::pair{1700, 1150}}) {
    headless::ResizeWindow(w, h);
    ASSERT_TRUE(Frame());
    ASSERT_EQ(headless::FrameWidth(), w * GetParam());
    ASSERT_EQ(headless::FrameHeight(), h * GetParam());
    for (int view = 0; view < 3; ++view) {
      SetActiveTab(view == 2 ? 3 : 0);
      Game.HeatMapOn = view == 1;
      ClearBackBuffer(sentinel);
      RenderFrame();
      int64_t unpainted = 0;
      for (int64_t y = 0; y < headless::FrameHeight(); ++y)
        for (int64_t x = 0; x < headless::FrameWidth(); ++x) unpainted += headless::PixelAt(x, y) == sentinel;
      EXPECT_EQ(unpainted, 0) << w << "x" << h << " view " << view;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, FrameCoverageTest, ::testing::Values(1, 2),
                         [](const auto& info) { return "Scale" + std::to_string(info.param); });

}  // namespace

namespace {

class ShutdownTest : public GameFixture {};

// Leaving the game while the long jackpot melody plays: shutdown stops the worker before the
// audio device goes, and returns only once the worker has ended.
TEST_F(ShutdownTest, WaitsForAPlayingFanfareBeforeReleasingAudio) {
  Game.SoundOn = 1;
  const int64_t worker = StartWorker(JackpotFanfareWorker, 0);
  ASSERT_NE(worker, 0);
  Game.FanfareThread = worker;
  // Wait until the melody has begun, so the worker is inside its notes and pauses.
  for (int i = 0; i < 2000 && headless::PlayedSounds().empty(); ++i) SleepMs(1);
  ASSERT_FALSE(headless::PlayedSounds().empty());
  EndGame();
  EXPECT_EQ(WorkerRunning(worker), 0);
  const size_t played = headless::PlayedSounds().size();
  SleepMs(50);
  EXPECT_EQ(headless::PlayedSounds().size(), played);  // nothing plays after the release
}

}  // namespace
