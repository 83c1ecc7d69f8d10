// A fake back end: every toolkit library is its own, but not SQLite and no game code.
#include <SDL2/SDL.h>
#include <SDL_mixer.h>
#include <atk/atk.h>
#include <cairo-xlib.h>
#include <epoxy/gl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <sqlite3.h>
#include <wayland-client.h>

#include "platform/fake_platform.h"
#include "state/fake_state.h"
