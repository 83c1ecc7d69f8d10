// Sound output through SDL2_mixer: each sound number owns the mixer channel of the same number,
// so replaying a sound cuts its previous playback while different sounds mix.
#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <mutex>

#include "platform/audio_internal.h"
#include "platform/platform.h"

namespace {

constexpr int MaxSounds = 64;

// Guards the device and the chunks: sounds are loaded on the main thread and played from the
// fanfare worker too.
std::mutex audioMutex;
bool audioOpen = false;
std::array<Mix_Chunk*, MaxSounds> chunks{};

bool ValidSound(int64_t sound) { return sound >= 1 && sound < MaxSounds; }

// Stops the sound's channel and frees its chunk; the caller holds the lock.
void FreeSound(int64_t sound) {
  if (!chunks[sound]) return;
  Mix_HaltChannel(static_cast<int>(sound));
  Mix_FreeChunk(chunks[sound]);
  chunks[sound] = nullptr;
}

}  // namespace

namespace audio {

void CloseAudio() {
  std::lock_guard lock(audioMutex);
  if (!audioOpen) return;
  Mix_HaltChannel(-1);
  for (int64_t i = 1; i < MaxSounds; ++i) FreeSound(i);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioOpen = false;
}

}  // namespace audio

int64_t InitAudio() {
  std::lock_guard lock(audioMutex);
  if (audioOpen) return 1;
  // SDL would otherwise swallow SIGINT and SIGTERM, and the game would ignore them.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 512) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  if (Mix_AllocateChannels(MaxSounds) < MaxSounds) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  audioOpen = true;
  return 1;
}

int64_t LoadSoundFromMemory(int64_t sound, const void* image, int64_t size) {
  std::lock_guard lock(audioMutex);
  if (!audioOpen || !ValidSound(sound) || !image || size <= 0 || size > INT32_MAX) return 0;
  FreeSound(sound);
  SDL_RWops* stream = SDL_RWFromConstMem(image, static_cast<int>(size));
  if (!stream) return 0;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  if (!chunk) return 0;
  chunks[sound] = chunk;
  return sound;
}

void PlaySoundEffect(int64_t sound) {
  std::lock_guard lock(audioMutex);
  if (!audioOpen || !ValidSound(sound) || !chunks[sound]) return;
  Mix_PlayChannel(static_cast<int>(sound), chunks[sound], 0);
}
