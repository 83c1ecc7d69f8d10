// Tone synthesis, the effects catalogue, playing and muting, and the fanfare workers.
#include "sound/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "state/game_state.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace headless {
// Names a timeline entry in failure messages.
void PrintTo(const SoundEvent& e, std::ostream* os) {
  *os << (e.kind == SoundEvent::Played ? "play " : "sleep ") << e.value;
}
}  // namespace headless

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32At(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16At(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
int16_t SampleAt(const Bytes& b, size_t i) { return static_cast<int16_t>(U16At(b, 44 + 2 * i)); }
std::string TagAt(const Bytes& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

TEST(ToneWave, HeaderAndLengthOfEveryCatalogueTone) {
  for (const Tone& tone : ToneCatalogue) {
    SCOPED_TRACE(ToneKey(tone.freq, tone.ms));
    const Bytes wave = MakeToneWave(tone.freq, tone.ms);
    const uint32_t n = static_cast<uint32_t>(44100 * tone.ms / 1000);
    ASSERT_EQ(wave.size(), 2 * n + 44);
    EXPECT_EQ(TagAt(wave, 0), "RIFF");
    EXPECT_EQ(U32At(wave, 4), 2 * n + 36);
    EXPECT_EQ(TagAt(wave, 8), "WAVE");
    EXPECT_EQ(TagAt(wave, 12), "fmt ");
    EXPECT_EQ(U32At(wave, 16), 16u);
    EXPECT_EQ(U16At(wave, 20), 1);
    EXPECT_EQ(U16At(wave, 22), 1);
    EXPECT_EQ(U32At(wave, 24), 44100u);
    EXPECT_EQ(U32At(wave, 28), 88200u);
    EXPECT_EQ(U16At(wave, 32), 2);
    EXPECT_EQ(U16At(wave, 34), 16);
    EXPECT_EQ(TagAt(wave, 36), "data");
    EXPECT_EQ(U32At(wave, 40), 2 * n);
    EXPECT_EQ(SampleAt(wave, 0), 0) << "every tone starts at phase 0";
  }
  const Bytes click = MakeToneWave(50, 10);
  EXPECT_EQ(click.size(), 926u);
  EXPECT_EQ(U32At(click, 4), 918u);
}

TEST(ToneWave, SamplesFollowTheSineAtItsFrequencyAndAmplitude) {
  EXPECT_EQ(SampleAt(MakeToneWave(700, 80), 1), 1792);
  struct Case {
    int64_t freq, ms;
  };
  for (const Case& c : {Case{700, 80}, Case{1200, 140}, Case{392, 200}, Case{523, 600}}) {
    SCOPED_TRACE(ToneKey(c.freq, c.ms));
    const Bytes wave = MakeToneWave(c.freq, c.ms);
    const size_t n = (wave.size() - 44) / 2;
    int peak = 0;
    int64_t rises = 0;  // upward zero crossings: one per cycle
    for (size_t i = 0; i < n; ++i) {
      const int s = SampleAt(wave, i);
      peak = std::max(peak, std::abs(s));
      if (i > 0 && SampleAt(wave, i - 1) < 0 && s >= 0) ++rises;
    }
    EXPECT_LE(peak, 18000);
    EXPECT_GE(peak, 17900);
    const int64_t cycles = c.freq * c.ms / 1000;
    EXPECT_NEAR(rises, cycles, 1);
  }
}

// The phase is accumulated in single precision and never wrapped: late samples of a long tone
// carry that rounding.
TEST(ToneWave, PhaseIsAccumulatedInSinglePrecision) {
  const Bytes wave = MakeToneWave(523, 600);
  const float step = static_cast<float>(static_cast<double>(6.2831855f) / (44100.0 / 523));
  float phase = 0.0f;
  const size_t n = (wave.size() - 44) / 2;
  ASSERT_EQ(n, 26460u);
  size_t mismatches = 0;
  for (size_t i = 0; i < n; ++i) {
    const auto expected = static_cast<int16_t>(static_cast<int32_t>(std::sin(static_cast<double>(phase)) * 18000.0));
    if (SampleAt(wave, i) != expected) ++mismatches;
    phase += step;
  }
  EXPECT_EQ(mismatches, 0u);
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset(1);
    ASSERT_TRUE(InitPlatform());
    Game = GameState{};
  }
  void TearDown() override { ReleasePlatform(); }

  // Polls until the worker has ended; false when it is still alive after the timeout.
  static bool WaitForWorker(int64_t worker, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (WorkerRunning(worker)) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  static bool WaitForFanfareCleared(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (Game.FanfareThread != 0) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  static int64_t Number(int64_t freq, int64_t ms) { return Game.SoundEffects.at(ToneKey(freq, ms)); }

  using Timeline = std::vector<headless::SoundEvent>;
  static headless::SoundEvent Note(int64_t freq, int64_t ms) {
    return {headless::SoundEvent::Played, Number(freq, ms)};
  }
  static headless::SoundEvent Rest(int64_t ms) { return {headless::SoundEvent::Slept, ms}; }
};

TEST_F(SoundTest, EachCatalogueToneIsLoadedUnderItsOwnNumber) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  ASSERT_EQ(Game.SoundEffects.size(), 13u);
  std::set<int64_t> numbers;
  for (size_t i = 0; i < 13; ++i) {
    const Tone& tone = ToneCatalogue[i];
    const auto found = Game.SoundEffects.find(ToneKey(tone.freq, tone.ms));
    ASSERT_NE(found, Game.SoundEffects.end()) << ToneKey(tone.freq, tone.ms);
    EXPECT_EQ(found->second, static_cast<int64_t>(i + 1));
    numbers.insert(found->second);
  }
  EXPECT_EQ(numbers.size(), 13u);
  EXPECT_EQ(ToneKey(1200, 60), "1200_60");
}

TEST_F(SoundTest, PlayToneAddressesTheToneByFrequencyAndDuration) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  PlayTone(50, 10);
  PlayTone(1200, 60);
  PlayTone(1200, 140);
  PlayTone(1200, 61);  // not in the catalogue
  EXPECT_EQ(headless::PlayedSounds(), (std::vector<int64_t>{Number(50, 10), Number(1200, 60), Number(1200, 140)}));
  Game.SoundOn = 0;
  PlayTone(50, 10);
  PlayToneAndWait(523, 600);  // muted: returns at once
  EXPECT_EQ(headless::PlayedSounds().size(), 3u);
}

TEST_F(SoundTest, WithoutAudioTheEffectsAreEmptyAndPlayNothing) {
  headless::FailAudioInit(true);
  EXPECT_FALSE(InitAudio());
  BuildSoundEffects();
  ASSERT_EQ(Game.SoundEffects.size(), 13u);
  for (const auto& [key, number] : Game.SoundEffects) EXPECT_EQ(number, 0) << key;
  PlayTone(50, 10);
  EXPECT_TRUE(headless::PlayedSounds().empty());
}

TEST_F(SoundTest, WinFanfarePlaysItsThreeNotesThenClearsTheFanfare) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  Game.FanfareThread = -1;  // stands for the handle the starter stores
  const int64_t worker = StartWorker(WinFanfareWorker, 0);
  ASSERT_NE(worker, 0);
  ASSERT_TRUE(WaitForWorker(worker, std::chrono::seconds(10)));
  EXPECT_EQ(static_cast<int64_t>(Game.FanfareThread), 0);
  EXPECT_EQ(headless::PlayedSounds(), (std::vector<int64_t>{Number(700, 80), Number(900, 80), Number(1200, 140)}));
  // Each note is waited out, with a 5 ms gap after the first.
  EXPECT_EQ(headless::SoundTimeline(),
            (Timeline{Note(700, 80), Rest(80), Rest(5), Note(900, 80), Rest(80), Note(1200, 140), Rest(140)}));
}

// The shutdown of the platform cuts the worker's waits short, so the whole melody is heard at once.
TEST_F(SoundTest, JackpotFanfarePlaysTheWholeMelodyInOrder) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  Game.FanfareThread = -1;
  ASSERT_NE(StartWorker(JackpotFanfareWorker, 0), 0);
  ReleasePlatform();
  std::vector<int64_t> expected;
  for (int round = 0; round < 2; ++round)
    for (auto [f, ms] : {Tone{392, 200}, {523, 200}, {659, 200}, {784, 400}, {880, 400}, {784, 400}})
      expected.push_back(Number(f, ms));
  for (auto [f, ms] : {Tone{659, 200}, {659, 200}, {587, 200}, {587, 200}, {523, 200}, {494, 200}, {523, 600}})
    expected.push_back(Number(f, ms));
  EXPECT_EQ(headless::PlayedSounds(), expected);
  EXPECT_EQ(static_cast<int64_t>(Game.FanfareThread), 0);

  // Every note is waited out, and each of the two opening phrases is followed by 100 ms.
  Timeline rhythm;
  for (int round = 0; round < 2; ++round) {
    for (auto [f, ms] : {Tone{392, 200}, {523, 200}, {659, 200}, {784, 400}, {880, 400}, {784, 400}})
      rhythm.insert(rhythm.end(), {Note(f, ms), Rest(ms)});
    rhythm.push_back(Rest(100));
  }
  for (auto [f, ms] : {Tone{659, 200}, {659, 200}, {587, 200}, {587, 200}, {523, 200}, {494, 200}, {523, 600}})
    rhythm.insert(rhythm.end(), {Note(f, ms), Rest(ms)});
  EXPECT_EQ(headless::SoundTimeline(), rhythm);
}

TEST_F(SoundTest, MutedFanfaresKeepOnlyTheirFixedPauses) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  Game.SoundOn = 0;
  for (WorkerProc proc : {WinFanfareWorker, JackpotFanfareWorker}) {
    Game.FanfareThread = -1;
    const int64_t worker = StartWorker(proc, 0);
    ASSERT_NE(worker, 0);
    // The jackpot melody lasts 5.6 s when played; muted only its two 100 ms pauses remain.
    EXPECT_TRUE(WaitForFanfareCleared(std::chrono::milliseconds(3000)));
    EXPECT_TRUE(WaitForWorker(worker, std::chrono::milliseconds(3000)));
  }
  EXPECT_TRUE(headless::PlayedSounds().empty());
  EXPECT_EQ(headless::SoundTimeline(), (Timeline{Rest(5), Rest(100), Rest(100)}));
}

TEST_F(SoundTest, MutingDuringTheJackpotSilencesTheRemainingNotes) {
  ASSERT_TRUE(InitAudio());
  BuildSoundEffects();
  Game.FanfareThread = -1;
  const int64_t worker = StartWorker(JackpotFanfareWorker, 0);
  ASSERT_NE(worker, 0);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (headless::PlayedSounds().empty() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_FALSE(headless::PlayedSounds().empty());
  Game.SoundOn = 0;
  ASSERT_TRUE(WaitForFanfareCleared(std::chrono::milliseconds(3000)));
  EXPECT_TRUE(WaitForWorker(worker, std::chrono::milliseconds(3000)));
  // The test mutes within a few milliseconds of the first note, long before the melody's 19
  // notes are over: what was heard is its opening and nothing after.
  const std::vector<int64_t> heard = headless::PlayedSounds();
  ASSERT_GE(heard.size(), 1u);
  EXPECT_LT(heard.size(), 19u);
  const int64_t opening[] = {Number(392, 200), Number(523, 200), Number(659, 200)};
  for (size_t i = 0; i < heard.size() && i < std::size(opening); ++i) EXPECT_EQ(heard[i], opening[i]) << "note " << i;
}

}  // namespace
