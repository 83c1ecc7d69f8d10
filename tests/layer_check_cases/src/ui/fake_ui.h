// A fake drawing header.
#include "state/fake_state.h"
