// Desktop back end, the window: one GTK 3 window on X11 whose drawing area carries the GL
// surface, its events turned into the game's window events and input, and the process services
// (clock, executable path, entropy) whose headless twins the tests drive.
#include <fcntl.h>
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <string>

#include "platform/audio_internal.h"
#include "platform/canvas_internal.h"
#include "platform/desktop_internal.h"
#include "platform/desktop_state.h"
#include "platform/input_latch.h"
#include "platform/platform.h"
#include "platform/system_internal.h"

namespace desktop {

Desktop desk;

int64_t ScaleFactor() { return desk.area ? std::max(1, gtk_widget_get_scale_factor(desk.area)) : 1; }

int64_t AreaWidth() { return desk.area ? gtk_widget_get_allocated_width(desk.area) : 0; }
int64_t AreaHeight() { return desk.area ? gtk_widget_get_allocated_height(desk.area) : 0; }

void DrainEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace desktop

namespace {

using desktop::AreaHeight;
using desktop::AreaWidth;
using desktop::desk;
using desktop::DrainEvents;
using desktop::ScaleFactor;

// The game key of a GDK key value; -1 for keys the game does not read.
int64_t KeyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_space:
      return KeySpace;
    case GDK_KEY_Escape:
      return KeyEscape;
    case GDK_KEY_v:
    case GDK_KEY_V:
      return KeyMarks;
    case GDK_KEY_m:
    case GDK_KEY_M:
      return KeySound;
    case GDK_KEY_a:
    case GDK_KEY_A:
      return KeyChart;
    case GDK_KEY_F1:
      return KeyHelp;
    case GDK_KEY_F10:
      return KeyF10;
    case GDK_KEY_Menu:
      return KeyMenu;
    case GDK_KEY_0:
    case GDK_KEY_KP_0:
      return KeyDigit0;
    case GDK_KEY_1:
    case GDK_KEY_KP_1:
      return KeyDigit1;
    case GDK_KEY_2:
    case GDK_KEY_KP_2:
      return KeyDigit2;
    case GDK_KEY_3:
    case GDK_KEY_KP_3:
      return KeyDigit3;
    case GDK_KEY_4:
    case GDK_KEY_KP_4:
      return KeyDigit4;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
      return KeyTab;
    case GDK_KEY_h:
    case GDK_KEY_H:
      return KeyH;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return KeyLeft;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return KeyRight;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      return KeyUp;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      return KeyDown;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      return KeyHome;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      return KeyEnd;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
      return KeyPageUp;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
      return KeyPageDown;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      return KeyEnter;
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
  const auto px = static_cast<int64_t>(x);
  const auto py = static_cast<int64_t>(y);
  if (x < 0 || y < 0 || px >= AreaWidth() || py >= AreaHeight()) {
    desk.input.pointerX = desk.input.pointerY = -1;
  } else {
    desk.input.pointerX = px;
    desk.input.pointerY = py;
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

// Tells the game when the inner size or the scale factor really changed: either way the screen is
// made again.
void NoteSize() {
  const int64_t w = AreaWidth(), h = AreaHeight(), scale = ScaleFactor();
  if (w == desk.knownW && h == desk.knownH && scale == desk.knownScale) return;
  desk.knownW = w;
  desk.knownH = h;
  desk.knownScale = scale;
  desk.events.push_back(EventSizeWindow);
}

void OnSizeAllocate(GtkWidget*, GdkRectangle*, gpointer) { NoteSize(); }

// The desktop's scaling factor changed (XSETTINGS, when GDK_SCALE is not set).
void OnScaleFactor(GObject*, GParamSpec*, gpointer) { NoteSize(); }

// Key presses and releases on the top-level window, by key value (the symbol on the player's
// layout); a held key's auto-repeat arrives as more presses. The desktop's left tab is Tab with
// Shift, whatever modifiers made it.
gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer) {
  const int64_t key = KeyOf(event->keyval);
  if (key < 0) return FALSE;
  const bool shift = (event->state & GDK_SHIFT_MASK) != 0 || event->keyval == GDK_KEY_ISO_Left_Tab;
  desk.input.Key(key, event->type == GDK_KEY_PRESS, shift);
  return TRUE;
}

// Keys and buttons released while another window has the focus would stay held otherwise, and
// edges queued before the focus went must not act when it comes back.
gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer) {
  desk.input.Forget();
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
    desk.input.pointerX = desk.input.pointerY = -1;
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
  if (event->type == GDK_BUTTON_PRESS) desk.input.Button(button, true);
  if (event->type == GDK_BUTTON_RELEASE) desk.input.Button(button, false);
  return TRUE;
}

// Wheel turns over the drawing area, one step per notch (discrete scrolling, no smooth deltas).
gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer) {
  TrackPointer(event->x, event->y);
  if (event->direction == GDK_SCROLL_UP) desk.input.Wheel(1);
  if (event->direction == GDK_SCROLL_DOWN) desk.input.Wheel(-1);
  return TRUE;
}

// Repaints the last frame when the window is exposed, e.g. while a modal box blocks the loop.
gboolean OnDraw(GtkWidget*, cairo_t*, gpointer) {
  if (desk.textureFilled) desktop::ShowFrame();
  return TRUE;
}

// Releases the window with its GL surface and forgets its events and input.
void DestroyWindow() {
  desktop::DestroyGl();
  desktop::ForgetAccessibleArea();
  if (desk.window) gtk_widget_destroy(desk.window);
  desk.window = nullptr;
  desk.area = nullptr;
  desk.drawable = 0;
  desk.fbConfig = nullptr;
  desk.windowLost = false;
  desk.events.clear();
  desk.knownW = desk.knownH = 0;
  desk.knownScale = 1;
  desk.input = InputDevices{};
  desktop::DrainEvents();
}

}  // namespace

bool InitPlatform() {
  if (desk.gtkReady) return true;
  gdk_set_allowed_backends("x11");
  // The application id is the windows' class (the desktop entry's StartupWMClass) and names their
  // icon in the icon theme, so that the taskbar links the game to its launcher.
  constexpr const char* ApplicationId = "com.vorbel.Keno";
  g_set_prgname(ApplicationId);
  // A busy X server can refuse a connection for a moment (its accept queue full); a few quick
  // retries keep that from ending the game before it starts. No server at all still fails.
  for (int attempt = 0; attempt < 20 && !desk.gtkReady; ++attempt) {
    if (attempt > 0) SleepMs(50);
    desk.gtkReady = gtk_init_check(nullptr, nullptr);
  }
  if (!desk.gtkReady) {
    desktop::ReportNoDisplay();
    return false;
  }
  gdk_set_program_class(ApplicationId);  // after the toolkit's start, which sets its own
  gtk_window_set_default_icon_name(ApplicationId);
  desktop::WatchEndings();
  return true;
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

  desk.area = desktop::NewAccessibleArea();
  gtk_widget_set_app_paintable(desk.area, TRUE);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_set_double_buffered(desk.area, FALSE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_widget_add_events(desk.area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK);
  GdkVisual* visual = nullptr;
  desk.fbConfig = desktop::ChooseFbConfig(screen, &visual);
  if (visual) gtk_widget_set_visual(desk.area, visual);
  gtk_container_add(GTK_CONTAINER(desk.window), desk.area);

  g_signal_connect(desk.window, "delete-event", G_CALLBACK(OnDelete), nullptr);
  g_signal_connect(desk.window, "destroy-event", G_CALLBACK(OnDestroyedFromOutside), nullptr);
  g_signal_connect(desk.window, "key-press-event", G_CALLBACK(OnKey), nullptr);
  g_signal_connect(desk.window, "key-release-event", G_CALLBACK(OnKey), nullptr);
  g_signal_connect(desk.window, "focus-out-event", G_CALLBACK(OnFocusOut), nullptr);
  g_signal_connect(desk.area, "size-allocate", G_CALLBACK(OnSizeAllocate), nullptr);
  g_signal_connect(desk.area, "notify::scale-factor", G_CALLBACK(OnScaleFactor), nullptr);
  g_signal_connect(desk.area, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(desk.area, "button-press-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(desk.area, "button-release-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(desk.area, "scroll-event", G_CALLBACK(OnScroll), nullptr);
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
  desk.knownScale = ScaleFactor();
  return 1;
}

void SetWindowSizeLimits(int64_t window, int64_t minW, int64_t minH, int64_t maxW, int64_t maxH) {
  if (window != 1 || !desk.window) return;
  GdkGeometry geometry{};  // logical pixels, as GTK sizes windows
  auto hints = static_cast<GdkWindowHints>(0);
  if (minW > 0 || minH > 0) {
    geometry.min_width = static_cast<gint>(std::max<int64_t>(minW, 0));
    geometry.min_height = static_cast<gint>(std::max<int64_t>(minH, 0));
    hints = static_cast<GdkWindowHints>(hints | GDK_HINT_MIN_SIZE);
  }
  if (maxW >= 0 || maxH >= 0) {
    geometry.max_width = static_cast<gint>(maxW >= 0 ? maxW : INT_MAX / 2);
    geometry.max_height = static_cast<gint>(maxH >= 0 ? maxH : INT_MAX / 2);
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
  if (desk.quitPending) {
    desk.quitPending = false;
    return EventCloseWindow;
  }
  if (desk.events.empty()) return EventNone;
  const int64_t event = desk.events.front();
  desk.events.pop_front();
  return event;
}

// Ends a wait whose time is up.
gboolean OnWaitOver(gpointer over) {
  *static_cast<bool*>(over) = true;
  return G_SOURCE_REMOVE;
}

// One blocking iteration of GLib's main context: it returns after dispatching anything, an X event
// (input, expose, focus, size), a signal source or the timer added for the timeout. A quit signal
// that came while a box was open has been dispatched already, so it is looked at first.
void WaitForEvent(int64_t timeoutMs) {
  if (!desk.gtkReady || timeoutMs == 0 || desk.quitPending || !desk.events.empty() || desk.input.Unsampled()) return;
  bool over = false;
  const guint timer = timeoutMs > 0 ? g_timeout_add_full(G_PRIORITY_DEFAULT,
                                                         static_cast<guint>(std::min<int64_t>(timeoutMs, G_MAXUINT)),
                                                         OnWaitOver, &over, nullptr)
                                    : 0;
  gtk_main_iteration_do(TRUE);
  if (timer != 0 && !over) g_source_remove(timer);
}

int64_t InitKeyboard() { return desk.window ? 1 : 0; }
// The start-up sequence has a mouse step with its own error box; GDK delivers the pointer with
// the window's events, so the step only checks that the window is there.
int64_t InitMouse() { return desk.window ? 1 : 0; }

bool NextInputEdge(InputEdge& edge) { return desk.input.Take(edge); }
void SampleKeyboard() { desk.input.SampleKeyboard(); }
int64_t KeyHeld(int64_t key) { return desk.input.KeyHeld(key); }
int64_t KeyReleased(int64_t key) { return desk.input.KeyReleased(key); }

void SampleMouse() { desk.input.SampleMouse(); }
int64_t MouseButtonHeld(int64_t button) { return desk.input.ButtonHeld(button); }

// The frame's input step ends by releasing the pointer; this back end never grabs it, so there is
// nothing to release.
void FreePointer() {}

int64_t PointerX(int64_t window) { return window == 1 ? desk.input.sampledX : -1; }
int64_t PointerY(int64_t window) { return window == 1 ? desk.input.sampledY : -1; }

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

int64_t UtcNowMs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int64_t LocalOffsetMinutes(int64_t utcMs) {
  const auto seconds = static_cast<time_t>(utcMs >= 0 ? utcMs / 1000 : (utcMs - 999) / 1000);
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return 0;
  return static_cast<int64_t>(local.tm_gmtoff) / 60;
}

int64_t OpenEntropySource() {
  if (desk.entropyFd >= 0) return 1;
  desk.entropyFd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  return desk.entropyFd >= 0 ? 1 : 0;
}

int64_t EntropyUpTo(int64_t max) {
  if (desk.entropyFd < 0) return -1;
  return sys::UniformFromWords(max, [](uint32_t& word) {
    return read(desk.entropyFd, &word, sizeof word) == static_cast<ssize_t>(sizeof word);
  });
}

void CloseEntropySource() {
  if (desk.entropyFd >= 0) close(desk.entropyFd);
  desk.entropyFd = -1;
}
