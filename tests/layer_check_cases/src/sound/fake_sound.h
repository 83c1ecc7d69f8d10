// A fake sound header using the audio library directly.
#include <SDL2/SDL.h>
#include <SDL_mixer.h>
