// Placeholder until tone synthesis lands.
#include "sound/sound.h"

void BuildSoundEffects() {}
std::vector<uint8_t> MakeToneWave(int64_t, int64_t) { return {}; }
int64_t BuildToneWave(int64_t, int64_t) { return 0; }
void PlayTone(int64_t, int64_t) {}
void PlayToneAndWait(int64_t, int64_t) {}
void WinFanfare() {}
void JackpotFanfare() {}
void WinFanfareWorker(int64_t) {}
void JackpotFanfareWorker(int64_t) {}
