// A fake save-file source reaching for GLib, which only the platform may include.
#include "persist/fake_persist.h"
#include <glib-unix.h>
