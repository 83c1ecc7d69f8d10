// A fake state file using the window system and the GL libraries.
#include "fake_state.h"
#include <EGL/egl.h>
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <epoxy/gl.h>
#include <wayland-client.h>
