// Synthesised sine tones, the sound effects built from them, and the two fanfares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One tone of the catalogue: frequency in hertz, duration in milliseconds.
struct Tone {
  int64_t freq;
  int64_t ms;
};

// The thirteen tones, in the order they are built; tone i gets sound number i + 1.
inline constexpr Tone ToneCatalogue[13] = {
    {50, 10},   {700, 80},  {900, 80},  {1200, 140}, {1200, 60}, {392, 200}, {523, 200},
    {659, 200}, {784, 400}, {880, 400}, {587, 200},  {494, 200}, {523, 600},
};
// Tones outside the catalogue share this sound number.
constexpr int64_t SpareToneSound = 14;

std::string ToneKey(int64_t freq, int64_t ms);      // "700_80"
int64_t ToneSoundNumber(int64_t freq, int64_t ms);  // the sound number a tone is loaded under

void BuildSoundEffects();
std::vector<uint8_t> MakeToneWave(int64_t freq, int64_t ms);  // the complete RIFF/WAVE image
int64_t BuildToneWave(int64_t freq, int64_t ms);              // a loaded sound's number, 0 on failure
void PlayTone(int64_t freq, int64_t ms);
void PlayToneAndWait(int64_t freq, int64_t ms);
void WinFanfare();
void JackpotFanfare();
void WinFanfareWorker(int64_t argument);
void JackpotFanfareWorker(int64_t argument);
