// Desktop back end: one GTK 3 window on X11 whose drawing area shows the canvas through an
// OpenGL texture, GDK events for the input, GTK dialogs for the message and input boxes.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <fcntl.h>
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <deque>
#include <string>

#include "platform/audio_internal.h"
#include "platform/canvas_internal.h"
#include "platform/desktop_internal.h"
#include "platform/input_latch.h"
#include "platform/platform.h"
#include "platform/system_internal.h"

namespace {

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);

// Entry points past OpenGL 1.1, looked up at run time.
struct GlExtensions {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  PFNGLGENBUFFERSPROC genBuffers = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAPROC bufferData = nullptr;
  PFNGLMAPBUFFERPROC mapBuffer = nullptr;
  PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
};

template <typename F>
F GlProc(const char* name) {
  return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}
using SwapIntervalMesa = int (*)(unsigned int);

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
  desktop::PresentMethod present = desktop::DefaultPresent;
  GlExtensions gl;
  GLuint framebuffer = 0;      // reads the texture for BlitFramebuffer
  GLuint pixelBuffer = 0;      // stages the upload for PixelBuffer
  bool textureFilled = false;  // the texture holds a presented frame
  bool windowLost = false;     // the X window was destroyed from outside
  Colour background = RGB(0, 0, 0);
  int64_t knownW = 0, knownH = 0;  // the inner size the game was last told about
  std::deque<int64_t> events;
  InputLatch keys[KeyCount];
  InputLatch buttons[3];
  int64_t pointerX = -1, pointerY = -1;
  int64_t sampledX = -1, sampledY = -1;
  int entropyFd = -1;
};

Desktop desk;

// Device pixels per GTK pixel (above 1 only on a scaled display).
int64_t ScaleFactor() { return desk.area ? std::max(1, gtk_widget_get_scale_factor(desk.area)) : 1; }

// The drawing area's size in device pixels.
int64_t AreaWidth() { return desk.area ? gtk_widget_get_allocated_width(desk.area) * ScaleFactor() : 0; }
int64_t AreaHeight() { return desk.area ? gtk_widget_get_allocated_height(desk.area) * ScaleFactor() : 0; }

// Lets GTK handle every pending event without blocking.
void DrainEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// Drops every held key and button without reporting releases.
void ForgetInput() {
  for (auto& key : desk.keys) key.Forget();
  for (auto& button : desk.buttons) button.Forget();
}

// The game key of a GDK key value; -1 for keys the game does not read.
int64_t KeyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_space:
      return KeySpace;
    case GDK_KEY_Escape:
      return KeyEscape;
    default:
      return -1;
  }
}

// The game button of a GDK button number; 0 for buttons the game does not read.
int64_t ButtonOf(guint button) {
  if (button == GDK_BUTTON_PRIMARY) return MouseLeft;
  if (button == GDK_BUTTON_SECONDARY) return MouseRight;
  return 0;
}

// Records the pointer from event coordinates in the area's logical pixels; outside is -1, -1.
void TrackPointer(double x, double y) {
  const int64_t scale = ScaleFactor();
  const auto px = static_cast<int64_t>(x * static_cast<double>(scale));
  const auto py = static_cast<int64_t>(y * static_cast<double>(scale));
  if (x < 0 || y < 0 || px >= AreaWidth() || py >= AreaHeight()) {
    desk.pointerX = desk.pointerY = -1;
  } else {
    desk.pointerX = px;
    desk.pointerY = py;
  }
}

// The user asked to close the window: the game decides, GTK keeps the window.
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
  desk.events.push_back(EventCloseWindow);
  return TRUE;
}

// Another client destroyed the X window: nothing may be drawn on it any more, and the game is
// asked to close as if the user had closed the window.
gboolean OnDestroyedFromOutside(GtkWidget*, GdkEvent*, gpointer) {
  desk.windowLost = true;
  desk.events.push_back(EventCloseWindow);
  return TRUE;
}

// Tells the game when the inner size really changed.
void OnSizeAllocate(GtkWidget*, GdkRectangle*, gpointer) {
  const int64_t w = AreaWidth(), h = AreaHeight();
  if (w == desk.knownW && h == desk.knownH) return;
  desk.knownW = w;
  desk.knownH = h;
  desk.events.push_back(EventSizeWindow);
}

// Space and Escape presses and releases on the top-level window.
gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer) {
  const int64_t key = KeyOf(event->keyval);
  if (key < 0) return FALSE;
  if (event->type == GDK_KEY_PRESS) {
    desk.keys[key].Press();
  } else {
    desk.keys[key].Release();
  }
  return TRUE;
}

// Keys and buttons released while another window has the focus would stay held otherwise.
gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer) {
  ForgetInput();
  return FALSE;
}

// Pointer movements over the drawing area (and outside it while a button is held).
gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer) {
  TrackPointer(event->x, event->y);
  return TRUE;
}

// The pointer entering or leaving the drawing area.
gboolean OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer) {
  if (event->type == GDK_LEAVE_NOTIFY) {
    desk.pointerX = desk.pointerY = -1;
  } else {
    TrackPointer(event->x, event->y);
  }
  return FALSE;
}

// Left and right button presses and releases on the drawing area; double-click extras are ignored.
gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer) {
  TrackPointer(event->x, event->y);
  const int64_t button = ButtonOf(event->button);
  if (!button) return FALSE;
  if (event->type == GDK_BUTTON_PRESS) desk.buttons[button].Press();
  if (event->type == GDK_BUTTON_RELEASE) desk.buttons[button].Release();
  return TRUE;
}

// Repaints the last frame when the window is exposed, e.g. while a modal box blocks the loop.
gboolean OnDraw(GtkWidget*, cairo_t*, gpointer) {
  if (desk.textureFilled) desktop::ShowFrame();
  return TRUE;
}

// The double-buffered true-colour GLX configuration, preferably on the visual GTK already uses.
GLXFBConfig ChooseFbConfig(GdkScreen* screen, GdkVisual** visual) {
  int errorBase = 0, eventBase = 0;
  if (!glXQueryExtension(desk.display, &errorBase, &eventBase)) return nullptr;
  static const int attributes[] = {GLX_X_RENDERABLE,
                                   True,
                                   GLX_DRAWABLE_TYPE,
                                   GLX_WINDOW_BIT,
                                   GLX_RENDER_TYPE,
                                   GLX_RGBA_BIT,
                                   GLX_X_VISUAL_TYPE,
                                   GLX_TRUE_COLOR,
                                   GLX_RED_SIZE,
                                   8,
                                   GLX_GREEN_SIZE,
                                   8,
                                   GLX_BLUE_SIZE,
                                   8,
                                   GLX_DOUBLEBUFFER,
                                   True,
                                   None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(desk.display, gdk_x11_screen_get_screen_number(screen), attributes, &count);
  if (!configs) return nullptr;
  const VisualID preferred = gdk_x11_visual_get_xvisual(gdk_screen_get_system_visual(screen))->visualid;
  GLXFBConfig chosen = nullptr;
  *visual = nullptr;
  for (int i = 0; i < count; ++i) {
    int id = 0;
    if (glXGetFBConfigAttrib(desk.display, configs[i], GLX_VISUAL_ID, &id) != Success || id == 0) continue;
    GdkVisual* candidate = gdk_x11_screen_lookup_visual(screen, static_cast<VisualID>(id));
    if (!candidate) continue;
    if (!chosen || static_cast<VisualID>(id) == preferred) {
      chosen = configs[i];
      *visual = candidate;
    }
    if (static_cast<VisualID>(id) == preferred) break;
  }
  XFree(configs);
  return chosen;
}

// Presentation never waits for the retrace. The extension is checked first: asking a server
// without swap control for the interval crashes.
void DisableSwapWait() {
  const char* extensions =
      glXQueryExtensionsString(desk.display, gdk_x11_screen_get_screen_number(gdk_screen_get_default()));
  const std::string list = extensions ? extensions : "";
  auto has = [&list](const char* name) {
    const std::string needle = std::string(" ") + name + " ";
    return (" " + list + " ").find(needle) != std::string::npos;
  };
  if (has("GLX_EXT_swap_control")) {
    auto set =
        reinterpret_cast<SwapIntervalExt>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
    if (set) set(desk.display, desk.drawable, 0);
  } else if (has("GLX_MESA_swap_control")) {
    auto set = reinterpret_cast<SwapIntervalMesa>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
    if (set) set(0);
  }
}

// Releases the texture and the GL context.
void DestroyGl() {
  if (!desk.context) return;
  if (desk.texture) glDeleteTextures(1, &desk.texture);
  desk.texture = 0;
  desk.textureW = desk.textureH = 0;
  desk.textureFilled = false;
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  glXMakeContextCurrent(desk.display, None, None, nullptr);
  glXDestroyContext(desk.display, desk.context);
  gdk_x11_display_error_trap_pop_ignored(display);
  desk.context = nullptr;
}

// Releases the window with its GL surface and forgets its events and input.
void DestroyWindow() {
  DestroyGl();
  if (desk.window) gtk_widget_destroy(desk.window);
  desk.window = nullptr;
  desk.area = nullptr;
  desk.drawable = 0;
  desk.fbConfig = nullptr;
  desk.windowLost = false;
  desk.events.clear();
  desk.knownW = desk.knownH = 0;
  desk.pointerX = desk.pointerY = desk.sampledX = desk.sampledY = -1;
  ForgetInput();
  DrainEvents();
}

// Shows a modal dialog over the game window and waits for its answer.
gint RunDialog(GtkWidget* dialog) {
  gtk_widget_show_all(dialog);
  gtk_window_present(GTK_WINDOW(dialog));
  return gtk_dialog_run(GTK_DIALOG(dialog));
}

// Closes an answered dialog, lets pending events run, forgets input that went to the dialog and
// gives the game window the focus back.
void FinishDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  DrainEvents();
  ForgetInput();
  if (desk.window) gtk_window_present(GTK_WINDOW(desk.window));
}

// "\r\n" and a lone "\r" both become one line break.
std::string UnixLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

namespace desktop {

void UploadFrame() {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!desk.context || !desk.texture || !pixels) return;
  if (desk.present == PresentMethod::DrawPixels) {
    desk.textureFilled = true;  // drawn straight from the back buffer when shown
    return;
  }
  const int64_t w = std::min(canvas::ScreenWidth(), desk.textureW);
  const int64_t h = std::min(canvas::ScreenHeight(), desk.textureH);
  const int64_t stride = canvas::ScreenStride();
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(stride / 4));
  const void* source = pixels;
  if (desk.present == PresentMethod::PixelBuffer) {
    const auto bytes = static_cast<GLsizeiptr>(stride * h);
    desk.gl.bindBuffer(GL_PIXEL_UNPACK_BUFFER, desk.pixelBuffer);
    desk.gl.bufferData(GL_PIXEL_UNPACK_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    if (void* staged = desk.gl.mapBuffer(GL_PIXEL_UNPACK_BUFFER, GL_WRITE_ONLY)) {
      std::memcpy(staged, pixels, static_cast<size_t>(bytes));
      desk.gl.unmapBuffer(GL_PIXEL_UNPACK_BUFFER);
    }
    source = nullptr;  // offset 0 in the bound pixel buffer
  }
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                  GL_UNSIGNED_INT_8_8_8_8_REV, source);
  if (desk.present == PresentMethod::PixelBuffer) desk.gl.bindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  desk.textureFilled = true;
}

void ShowFrame() {
  if (!desk.context || desk.windowLost) return;
  // Another client may destroy the window at any moment; the errors of drawing already on its
  // way must not end the game.
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  const auto vw = static_cast<GLsizei>(AreaWidth()), vh = static_cast<GLsizei>(AreaHeight());
  const auto w = static_cast<GLsizei>(desk.textureW), h = static_cast<GLsizei>(desk.textureH);
  glViewport(0, 0, vw, vh);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, vw, vh, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // The frame covers the whole window except while a resize is on its way.
  if (!desk.textureFilled || w < vw || h < vh) {
    glClearColor(static_cast<GLfloat>(desk.background & 0xFF) / 255.0f,
                 static_cast<GLfloat>(desk.background >> 8 & 0xFF) / 255.0f,
                 static_cast<GLfloat>(desk.background >> 16 & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  if (desk.textureFilled) {
    switch (desk.present) {
      case PresentMethod::DrawPixels: {
        const uint32_t* pixels = canvas::ScreenPixels();
        if (!pixels) break;
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(canvas::ScreenStride() / 4));
        glRasterPos2i(0, 0);
        glPixelZoom(1.0f, -1.0f);  // rows run downwards in the back buffer
        glDrawPixels(static_cast<GLsizei>(canvas::ScreenWidth()), static_cast<GLsizei>(canvas::ScreenHeight()), GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
        glPixelZoom(1.0f, 1.0f);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        break;
      }
      case PresentMethod::BlitFramebuffer:
        desk.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, desk.framebuffer);
        desk.gl.framebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, desk.texture, 0);
        // The texture's first row is the top of the frame; the window's first row is its bottom.
        desk.gl.blitFramebuffer(0, 0, w, h, 0, vh, w, vh - h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        desk.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        break;
      case PresentMethod::TextureQuad:
      case PresentMethod::PixelBuffer: {
        const auto fw = static_cast<GLfloat>(w), fh = static_cast<GLfloat>(h);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, desk.texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glTexCoord2f(1, 0);
        glVertex2f(fw, 0);
        glTexCoord2f(1, 1);
        glVertex2f(fw, fh);
        glTexCoord2f(0, 1);
        glVertex2f(0, fh);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        break;
      }
    }
  }
  glXSwapBuffers(desk.display, desk.drawable);
  gdk_x11_display_error_trap_pop_ignored(display);
}

bool SetPresentMethod(PresentMethod method) {
  if (!desk.context) return false;
  GlExtensions& gl = desk.gl;
  if (method == PresentMethod::BlitFramebuffer) {
    gl.genFramebuffers = GlProc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    gl.bindFramebuffer = GlProc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    gl.framebufferTexture2D = GlProc<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D");
    gl.blitFramebuffer = GlProc<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebuffer");
    if (!gl.genFramebuffers || !gl.bindFramebuffer || !gl.framebufferTexture2D || !gl.blitFramebuffer) return false;
    if (!desk.framebuffer) gl.genFramebuffers(1, &desk.framebuffer);
  }
  if (method == PresentMethod::PixelBuffer) {
    gl.genBuffers = GlProc<PFNGLGENBUFFERSPROC>("glGenBuffers");
    gl.bindBuffer = GlProc<PFNGLBINDBUFFERPROC>("glBindBuffer");
    gl.bufferData = GlProc<PFNGLBUFFERDATAPROC>("glBufferData");
    gl.mapBuffer = GlProc<PFNGLMAPBUFFERPROC>("glMapBuffer");
    gl.unmapBuffer = GlProc<PFNGLUNMAPBUFFERPROC>("glUnmapBuffer");
    if (!gl.genBuffers || !gl.bindBuffer || !gl.bufferData || !gl.mapBuffer || !gl.unmapBuffer) return false;
    if (!desk.pixelBuffer) gl.genBuffers(1, &desk.pixelBuffer);
  }
  desk.present = method;
  return true;
}

const char* PresentMethodName(PresentMethod method) {
  switch (method) {
    case PresentMethod::TextureQuad:
      return "texture quad";
    case PresentMethod::DrawPixels:
      return "glDrawPixels";
    case PresentMethod::BlitFramebuffer:
      return "framebuffer blit";
    case PresentMethod::PixelBuffer:
      return "pixel buffer + quad";
  }
  return "?";
}

}  // namespace desktop

bool InitPlatform() {
  if (desk.gtkReady) return true;
  gdk_set_allowed_backends("x11");
  // A busy X server can refuse a connection for a moment (its accept queue full); a few quick
  // retries keep that from ending the game before it starts. No server at all still fails.
  for (int attempt = 0; attempt < 20 && !desk.gtkReady; ++attempt) {
    if (attempt > 0) SleepMs(50);
    desk.gtkReady = gtk_init_check(nullptr, nullptr);
  }
  return desk.gtkReady;
}

void ReleasePlatform() {
  sys::StopWorkers();
  audio::CloseAudio();
  canvas::ReleaseAll();
  sys::CloseAll();
  CloseEntropySource();
  if (desk.gtkReady) DestroyWindow();
}

int64_t OpenGameWindow(int64_t window, int64_t, int64_t, int64_t w, int64_t h, const char* title) {
  if (window != 1 || !desk.gtkReady || w <= 0 || h <= 0) return 0;
  if (desk.window) DestroyWindow();
  GdkScreen* screen = gdk_screen_get_default();
  if (!GDK_IS_X11_SCREEN(screen)) return 0;
  desk.display = GDK_SCREEN_XDISPLAY(screen);

  desk.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* top = GTK_WINDOW(desk.window);
  gtk_window_set_title(top, title);
  gtk_window_set_position(top, GTK_WIN_POS_CENTER);
  gtk_window_set_resizable(top, TRUE);
  gtk_window_set_default_size(top, static_cast<gint>(w), static_cast<gint>(h));

  desk.area = gtk_drawing_area_new();
  gtk_widget_set_app_paintable(desk.area, TRUE);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_set_double_buffered(desk.area, FALSE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_widget_add_events(desk.area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
  GdkVisual* visual = nullptr;
  desk.fbConfig = ChooseFbConfig(screen, &visual);
  if (visual) gtk_widget_set_visual(desk.area, visual);
  gtk_container_add(GTK_CONTAINER(desk.window), desk.area);

  g_signal_connect(desk.window, "delete-event", G_CALLBACK(OnDelete), nullptr);
  g_signal_connect(desk.window, "destroy-event", G_CALLBACK(OnDestroyedFromOutside), nullptr);
  g_signal_connect(desk.window, "key-press-event", G_CALLBACK(OnKey), nullptr);
  g_signal_connect(desk.window, "key-release-event", G_CALLBACK(OnKey), nullptr);
  g_signal_connect(desk.window, "focus-out-event", G_CALLBACK(OnFocusOut), nullptr);
  g_signal_connect(desk.area, "size-allocate", G_CALLBACK(OnSizeAllocate), nullptr);
  g_signal_connect(desk.area, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(desk.area, "button-press-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(desk.area, "button-release-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(desk.area, "enter-notify-event", G_CALLBACK(OnCrossing), nullptr);
  g_signal_connect(desk.area, "leave-notify-event", G_CALLBACK(OnCrossing), nullptr);
  g_signal_connect(desk.area, "draw", G_CALLBACK(OnDraw), nullptr);

  gtk_widget_realize(desk.area);
  GdkWindow* surface = gtk_widget_get_window(desk.area);
  if (!gdk_window_ensure_native(surface)) {
    DestroyWindow();
    return 0;
  }
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gdk_window_set_background_pattern(surface, nullptr);
  G_GNUC_END_IGNORE_DEPRECATIONS
  desk.drawable = gdk_x11_window_get_xid(surface);

  gtk_widget_show_all(desk.window);
  gdk_display_sync(gdk_display_get_default());
  DrainEvents();
  gtk_window_present(top);
  DrainEvents();
  desk.events.clear();
  desk.knownW = AreaWidth();
  desk.knownH = AreaHeight();
  return 1;
}

void SetWindowSizeLimits(int64_t window, int64_t minW, int64_t minH, int64_t maxW, int64_t maxH) {
  if (window != 1 || !desk.window) return;
  const int64_t scale = ScaleFactor();
  GdkGeometry geometry{};
  auto hints = static_cast<GdkWindowHints>(0);
  if (minW > 0 || minH > 0) {
    geometry.min_width = static_cast<gint>(std::max<int64_t>(minW, 0) / scale);
    geometry.min_height = static_cast<gint>(std::max<int64_t>(minH, 0) / scale);
    hints = static_cast<GdkWindowHints>(hints | GDK_HINT_MIN_SIZE);
  }
  if (maxW >= 0 || maxH >= 0) {
    geometry.max_width = static_cast<gint>(maxW >= 0 ? maxW / scale : INT_MAX / 2);
    geometry.max_height = static_cast<gint>(maxH >= 0 ? maxH / scale : INT_MAX / 2);
    hints = static_cast<GdkWindowHints>(hints | GDK_HINT_MAX_SIZE);
  }
  gtk_window_set_geometry_hints(GTK_WINDOW(desk.window), nullptr, &geometry, hints);
}

void SetWindowBackground(int64_t window, Colour colour) {
  if (window == 1) desk.background = colour;
}

int64_t WindowInnerWidth(int64_t window) { return window == 1 ? AreaWidth() : 0; }
int64_t WindowInnerHeight(int64_t window) { return window == 1 ? AreaHeight() : 0; }

int64_t PollWindowEvent() {
  if (desk.gtkReady) DrainEvents();
  if (desk.events.empty()) return EventNone;
  const int64_t event = desk.events.front();
  desk.events.pop_front();
  return event;
}

int64_t InitSprite() {
  if (desk.context) return 1;
  if (!desk.area || !desk.fbConfig || !desk.drawable) return 0;
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  desk.context = glXCreateNewContext(desk.display, desk.fbConfig, GLX_RGBA_TYPE, nullptr, True);
  const bool current = desk.context && glXMakeContextCurrent(desk.display, desk.drawable, desk.drawable, desk.context);
  const bool failed = gdk_x11_display_error_trap_pop(display) != 0;
  if (!current || failed) {
    if (desk.context) glXDestroyContext(desk.display, desk.context);
    desk.context = nullptr;
    return 0;
  }
  DisableSwapWait();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_DITHER);
  glGenTextures(1, &desk.texture);
  glBindTexture(GL_TEXTURE_2D, desk.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  if (!desktop::SetPresentMethod(desktop::DefaultPresent))
    desktop::SetPresentMethod(desktop::PresentMethod::TextureQuad);
  return 1;
}

int64_t InitKeyboard() { return desk.window ? 1 : 0; }
int64_t InitMouse() { return desk.window ? 1 : 0; }

int64_t OpenWindowedScreen(int64_t window, int64_t, int64_t, int64_t w, int64_t h) {
  if (window != 1 || !desk.context || w <= 0 || h <= 0) return 0;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (w > maxSize || h > maxSize) return 0;
  if (!canvas::OpenScreen(w, h)) return 0;
  if (w != desk.textureW || h != desk.textureH) {
    glBindTexture(GL_TEXTURE_2D, desk.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    if (glGetError() != GL_NO_ERROR) {
      canvas::CloseScreen();
      desk.textureW = desk.textureH = 0;
      return 0;
    }
    desk.textureW = w;
    desk.textureH = h;
  }
  desk.textureFilled = false;
  return 1;
}

void CloseDrawingScreen() {
  canvas::CloseScreen();
  desk.textureFilled = false;
}

void PresentFrame() {
  desktop::UploadFrame();
  desktop::ShowFrame();
}

void SampleKeyboard() {
  for (auto& key : desk.keys) key.Sample();
}

int64_t KeyHeld(int64_t key) { return key >= 0 && key < KeyCount && desk.keys[key].held; }
int64_t KeyReleased(int64_t key) { return key >= 0 && key < KeyCount && desk.keys[key].released; }

void SampleMouse() {
  for (auto& button : desk.buttons) button.Sample();
  desk.sampledX = desk.pointerX;
  desk.sampledY = desk.pointerY;
}

int64_t MouseButtonHeld(int64_t button) { return button >= 1 && button <= 2 && desk.buttons[button].held; }

// The pointer is never grabbed, so there is nothing to free.
void FreePointer() {}

int64_t PointerX(int64_t window) { return window == 1 ? desk.sampledX : -1; }
int64_t PointerY(int64_t window) { return window == 1 ? desk.sampledY : -1; }

BoxResult ShowMessageBox(const std::string& title, const std::string& text, int64_t flags) {
  if (!desk.gtkReady) return BoxResult::Dismissed;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  const char* icon = nullptr;
  if (flags & BoxIconError) {
    type = GTK_MESSAGE_ERROR;
    icon = "dialog-error";
  } else if (flags & BoxIconWarning) {
    type = GTK_MESSAGE_WARNING;
    icon = "dialog-warning";
  } else if (flags & BoxIconInfo) {
    type = GTK_MESSAGE_INFO;
    icon = "dialog-information";
  }
  const int64_t buttons = flags & 3;
  GtkWidget* dialog =
      gtk_message_dialog_new(desk.window ? GTK_WINDOW(desk.window) : nullptr, GTK_DIALOG_MODAL, type,
                             buttons == BoxOk ? GTK_BUTTONS_OK : GTK_BUTTONS_NONE, "%s", UnixLineBreaks(text).c_str());
  if (buttons == BoxYesNo || buttons == BoxYesNoCancel) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Yes", GTK_RESPONSE_YES);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_No", GTK_RESPONSE_NO);
    if (buttons == BoxYesNoCancel) gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
  }
  // GTK 3 no longer shows the icon of the message type by itself.
  if (icon && gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), icon)) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG));
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), desk.window ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  const gint response = RunDialog(dialog);
  FinishDialog(dialog);
  switch (response) {
    case GTK_RESPONSE_OK:
    case GTK_RESPONSE_YES:
      return BoxResult::Yes;
    case GTK_RESPONSE_NO:
      return BoxResult::No;
    case GTK_RESPONSE_CANCEL:
      return BoxResult::Cancel;
    default:
      return BoxResult::Dismissed;
  }
}

std::string ShowInputBox(const std::string& title, const std::string& prompt, const std::string& initial) {
  if (!desk.gtkReady) return "";
  GtkWidget* dialog = gtk_dialog_new_with_buttons(title.c_str(), desk.window ? GTK_WINDOW(desk.window) : nullptr,
                                                  GTK_DIALOG_MODAL, "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  GtkWidget* label = gtk_label_new(UnixLineBreaks(prompt).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), initial.c_str());
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE, 0);
  gtk_widget_grab_focus(entry);

  std::string answer;
  if (RunDialog(dialog) == GTK_RESPONSE_OK) answer = gtk_entry_get_text(GTK_ENTRY(entry));
  FinishDialog(dialog);
  return answer;
}

std::string ExecutablePath() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  return std::string(buffer, static_cast<size_t>(n));
}

int64_t NowMs() {
  static const auto start = std::chrono::steady_clock::now();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

int64_t OpenEntropySource() {
  if (desk.entropyFd >= 0) return 1;
  desk.entropyFd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  return desk.entropyFd >= 0 ? 1 : 0;
}

int64_t EntropyUpTo(int64_t max) {
  if (desk.entropyFd < 0 || max < 0) return -1;
  uint32_t word = 0;
  if (read(desk.entropyFd, &word, sizeof word) != static_cast<ssize_t>(sizeof word)) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(max) + 1) * word >> 32);
}

void CloseEntropySource() {
  if (desk.entropyFd >= 0) close(desk.entropyFd);
  desk.entropyFd = -1;
}
