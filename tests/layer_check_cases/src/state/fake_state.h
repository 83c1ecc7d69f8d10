// A fake state header: a name beside it that looks like a library's is its own file.
#include "SDL_fake_names.h"
