// Tone synthesis into in-memory wave images, the catalogue of effects, playing them, and the
// win and jackpot fanfares that run on the fanfare worker.
#include "sound/sound.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

#include "state/game_state.h"
#include "platform/platform.h"

namespace {

constexpr int64_t SampleRate = 44100;
constexpr int64_t WaveHeaderSize = 44;
constexpr float TwoPi = 6.2831855f;
constexpr double Amplitude = 18000.0;

// Little-endian stores into a wave image.
void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

void PutTag(uint8_t* at, const char tag[5]) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(tag[i]);
}

// The 44-byte header of a mono 16-bit 44100 Hz PCM image holding dataSize bytes of samples.
void PutWaveHeader(uint8_t* image, uint32_t dataSize) {
  PutTag(image, "RIFF");
  PutU32(image + 4, dataSize + 36);
  PutTag(image + 8, "WAVE");
  PutTag(image + 12, "fmt ");
  PutU32(image + 16, 16);
  PutU16(image + 20, 1);
  PutU16(image + 22, 1);
  PutU32(image + 24, SampleRate);
  PutU32(image + 28, SampleRate * 2);
  PutU16(image + 32, 2);
  PutU16(image + 34, 16);
  PutTag(image + 36, "data");
  PutU32(image + 40, dataSize);
}

// Plays a tone's sound unless muted; true when the tone was not muted.
bool PlayUnlessMuted(int64_t freq, int64_t ms) {
  if (Game.SoundOn == 0) return false;
  const auto found = Game.SoundEffects.find(ToneKey(freq, ms));
  if (found != Game.SoundEffects.end()) PlaySoundEffect(found->second);
  return true;
}

}  // namespace

// The key of a tone in the effects map.
std::string ToneKey(int64_t freq, int64_t ms) { return std::to_string(freq) + "_" + std::to_string(ms); }

// Each catalogue tone has its own sound number, in catalogue order.
int64_t ToneSoundNumber(int64_t freq, int64_t ms) {
  for (int64_t i = 0; i < static_cast<int64_t>(std::size(ToneCatalogue)); ++i)
    if (ToneCatalogue[i].freq == freq && ToneCatalogue[i].ms == ms) return i + 1;
  return SpareToneSound;
}

// A sine of amplitude 18000 starting at phase 0, its phase accumulated in single precision and
// never wrapped, wrapped in a complete RIFF/WAVE image.
std::vector<uint8_t> MakeToneWave(int64_t freq, int64_t ms) {
  const int64_t samples = std::max<int64_t>(0, SampleRate * ms / 1000);
  std::vector<uint8_t> image(WaveHeaderSize + 2 * samples);
  PutWaveHeader(image.data(), static_cast<uint32_t>(2 * samples));
  const float step = static_cast<float>(static_cast<double>(TwoPi) / (static_cast<double>(SampleRate) / freq));
  float phase = 0.0f;
  for (int64_t i = 0; i < samples; ++i) {
    const auto sample = static_cast<int16_t>(static_cast<int32_t>(std::sin(static_cast<double>(phase)) * Amplitude));
    PutU16(image.data() + WaveHeaderSize + 2 * i, static_cast<uint16_t>(sample));
    phase += step;
  }
  return image;
}

// Synthesises a tone and loads it as a sound; 0 when the image or the sound cannot be made.
int64_t BuildToneWave(int64_t freq, int64_t ms) {
  try {
    const std::vector<uint8_t> image = MakeToneWave(freq, ms);
    return LoadSoundFromMemory(ToneSoundNumber(freq, ms), image.data(), static_cast<int64_t>(image.size()));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

// Synthesises and loads every tone of the catalogue under its key.
void BuildSoundEffects() {
  for (const Tone& tone : ToneCatalogue)
    Game.SoundEffects[ToneKey(tone.freq, tone.ms)] = BuildToneWave(tone.freq, tone.ms);
}

// Starts a tone and returns at once; nothing while muted.
void PlayTone(int64_t freq, int64_t ms) { PlayUnlessMuted(freq, ms); }

// Plays a tone and waits it out; muted, it returns at once.
void PlayToneAndWait(int64_t freq, int64_t ms) {
  if (PlayUnlessMuted(freq, ms)) SleepMs(ms);
}

// Three rising notes for a win, about 305 ms.
void WinFanfare() {
  PlayToneAndWait(700, 80);
  SleepMs(5);
  PlayToneAndWait(900, 80);
  PlayToneAndWait(1200, 140);
}

// The jackpot melody: a phrase played twice and a closing line, about 5.6 s.
void JackpotFanfare() {
  for (int round = 0; round < 2; ++round) {
    PlayToneAndWait(392, 200);
    PlayToneAndWait(523, 200);
    PlayToneAndWait(659, 200);
    PlayToneAndWait(784, 400);
    PlayToneAndWait(880, 400);
    PlayToneAndWait(784, 400);
    SleepMs(100);
  }
  PlayToneAndWait(659, 200);
  PlayToneAndWait(659, 200);
  PlayToneAndWait(587, 200);
  PlayToneAndWait(587, 200);
  PlayToneAndWait(523, 200);
  PlayToneAndWait(494, 200);
  PlayToneAndWait(523, 600);
}

// Worker procedures: each plays its fanfare, then marks the fanfare finished as its last act.
void WinFanfareWorker(int64_t) {
  WinFanfare();
  Game.FanfareThread = 0;
}

void JackpotFanfareWorker(int64_t) {
  JackpotFanfare();
  Game.FanfareThread = 0;
}
