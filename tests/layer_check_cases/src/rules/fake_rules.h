// A fake rules header.
#include "state/fake_state.h"
