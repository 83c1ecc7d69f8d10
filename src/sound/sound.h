// Synthesised sine tones, the sound effects built from them, and the two fanfares.
#pragma once

#include <cstdint>
#include <vector>

void BuildSoundEffects();
std::vector<uint8_t> MakeToneWave(int64_t freq, int64_t ms);  // the complete RIFF/WAVE image
int64_t BuildToneWave(int64_t freq, int64_t ms);             // a loaded sound's number, 0 on failure
void PlayTone(int64_t freq, int64_t ms);
void PlayToneAndWait(int64_t freq, int64_t ms);
void WinFanfare();
void JackpotFanfare();
void WinFanfareWorker(int64_t argument);
void JackpotFanfareWorker(int64_t argument);
