// The desktop back end's own state, shared by its window, GL and dialog files; nothing outside
// src/platform/desktop_*.cpp includes it.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <deque>

#include "platform/desktop_internal.h"
#include "platform/input_latch.h"
#include "platform/platform.h"

namespace desktop {

// Entry points of the framebuffer blit, past OpenGL 1.1, looked up at run time.
struct BlitProcs {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

// glXCopySubBufferMESA: copies a rectangle of the back buffer to the window, bottom-up coordinates.
using CopySubBufferProc = void (*)(Display*, GLXDrawable, int, int, int, int);

struct Desktop {
  bool gtkReady = false;
  GtkWidget* window = nullptr;  // the top-level window
  GtkWidget* area = nullptr;    // the drawing area that carries the GL surface
  Display* display = nullptr;
  ::Window drawable = 0;
  GLXFBConfig fbConfig = nullptr;
  GLXContext context = nullptr;
  GLuint texture = 0;
  int64_t textureW = 0, textureH = 0;
  PresentMethod present = DefaultPresent;
  const PresentHooks* hooks = nullptr;  // another way of presenting, plugged in by a benchmark
  BlitProcs blit;
  GLuint framebuffer = 0;                     // reads the texture for the blit
  bool textureFilled = false;                 // the texture holds a presented frame
  CopySubBufferProc copySubBuffer = nullptr;  // GLX_MESA_copy_sub_buffer, when the driver offers it
  bool partial = false;                       // frames present only their changed regions (needs copySubBuffer)
  bool verify = false;      // KENO_VERIFY_PRESENT: every present is read back from the window and checked
  PresentCounts counts;     // since the GL context was made
  bool windowLost = false;  // the X window was destroyed from outside
  Colour background = RGB(0, 0, 0);
  int64_t knownW = 0, knownH = 0;  // the inner size (logical pixels) the game was last told about
  int64_t knownScale = 1;          // and the window's scale factor then
  std::deque<int64_t> events;
  InputDevices input;
  int entropyFd = -1;
  GtkWidget* openDialog = nullptr;         // the modal box waiting for its answer, if any
  GtkNativeDialog* openChooser = nullptr;  // the native file chooser waiting for its answer, if any
  GtkWidget* shortcuts = nullptr;          // the keyboard-shortcuts window while it is open
  bool quitAsked = false;                  // a signal asked the game to end; boxes are no longer shown
  bool quitPending = false;                // that request is still to be reported as a close request
};

extern Desktop desk;

// Device pixels per logical (GTK) pixel: the window's integer scale factor, from GDK_SCALE or the
// desktop's XSETTINGS scaling; above 1 only on a scaled display.
int64_t ScaleFactor();
// The drawing area's size in logical pixels, the units of the game's layout and pointer.
int64_t AreaWidth();
int64_t AreaHeight();
// Lets GTK handle every pending event without blocking.
void DrainEvents();
// The double-buffered true-colour GLX configuration, preferably on the visual GTK already uses.
GLXFBConfig ChooseFbConfig(GdkScreen* screen, GdkVisual** visual);
// Releases the texture and the GL context.
void DestroyGl();
// Once the display is open: quit signals through the main context, and the save at a lost
// X connection.
void WatchEndings();
// A drawing area whose accessible exposes the game's accessible items (desktop_atk.cpp), and
// the release of those items' objects when the window goes.
GtkWidget* NewAccessibleArea();
void ForgetAccessibleArea();
// Says on standard error which display could not be opened and why.
void ReportNoDisplay();

}  // namespace desktop
