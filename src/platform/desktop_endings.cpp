// Desktop back end, the ways the game can end from outside: SIGTERM, SIGINT and SIGHUP become a
// close request (answering an open modal box as dismissed), a lost X connection saves through the
// game's operation and ends the process, and a missing display is explained on standard error.
#include <X11/Xlib.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop_state.h"
#include "platform/platform.h"

namespace {

using desktop::desk;

// The game's save for a lost display connection, and the line written after it; both are ready
// before the connection can fail, so the handler itself only saves, writes and ends.
void (*displayLostOperation)() = nullptr;
char displayLostLine[256] = "keno: the connection to the X display was lost\n";

// Cancels the open file chooser. Without a portal it is a GTK dialog of its own, which may have
// a question of its own open (replace the file?) in a nested loop: every dialog shown is answered
// as closed, then the chooser is hidden, which is all a portal's dialog needs. Its loop in
// ChooseExportFile sees the quit and ends.
void CancelChooser() {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w != nullptr; w = w->next) {
    if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
      gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_DELETE_EVENT);
  }
  g_list_free(windows);
  gtk_native_dialog_hide(desk.openChooser);
}

// A quit signal: the game is asked to close as if its window were closed, and a modal box that
// waits for an answer is answered as dismissed so that the frame loop runs again and sees it.
gboolean OnQuitSignal(gpointer) {
  desk.quitAsked = true;
  desk.quitPending = true;
  if (desk.openDialog) gtk_dialog_response(GTK_DIALOG(desk.openDialog), GTK_RESPONSE_DELETE_EVENT);
  if (desk.openChooser) CancelChooser();
  if (desk.shortcuts) gtk_widget_destroy(desk.shortcuts);
  return G_SOURCE_CONTINUE;
}

// Xlib calls this when the X server cannot be reached any more; returning would let Xlib end the
// process without a save. Nothing here may touch GTK, GL or X: only the save's files.
int OnDisplayConnectionLost(Display*) {
  static bool ending = false;
  if (!ending) {
    ending = true;
    if (displayLostOperation) displayLostOperation();
  }
  const ssize_t written = write(STDERR_FILENO, displayLostLine, strlen(displayLostLine));
  (void)written;
  // _exit, not exit: the fanfare worker and SDL's audio thread may still run, and destructors or
  // exit handlers would pull the audio device and the toolkit away under them.
  _exit(1);
}

// Why the display NAME cannot be opened, in a few words.
std::string NoDisplayReason(const char* name) {
  if (name == nullptr || *name == '\0') {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0') return "DISPLAY is not set (on Wayland the game needs XWayland)";
    return "DISPLAY is not set";
  }
  errno = 0;
  Display* display = XOpenDisplay(name);
  const int error = errno;
  if (display != nullptr) {
    XCloseDisplay(display);
    return "GTK could not use it";
  }
  if (error != 0) return std::strerror(error);
  return "no such display, or its X server refused the connection";
}

}  // namespace

namespace desktop {

void WatchEndings() {
  // A write to a dead X connection must fail into the handler below, not kill the process.
  std::signal(SIGPIPE, SIG_IGN);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, OnQuitSignal, nullptr);
  GdkDisplay* display = gdk_display_get_default();
  if (display != nullptr) {
    std::snprintf(displayLostLine, sizeof displayLostLine, "keno: the connection to the X display \"%s\" was lost\n",
                  gdk_display_get_name(display));
  }
  XSetIOErrorHandler(OnDisplayConnectionLost);
}

void ReportNoDisplay() {
  const char* name = std::getenv("DISPLAY");
  const std::string reason = NoDisplayReason(name);
  std::fprintf(stderr, "keno: cannot open the X display \"%s\": %s\n", name ? name : "", reason.c_str());
}

}  // namespace desktop

void SetDisplayLostOperation(void (*operation)()) { displayLostOperation = operation; }
