// A fake state header whose name begins like the audio library's.
#include <cstdint>
