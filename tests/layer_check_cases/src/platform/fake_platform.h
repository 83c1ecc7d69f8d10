// A fake platform header.
#include <cstdint>
