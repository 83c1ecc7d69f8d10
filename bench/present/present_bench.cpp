// Presentation benchmark on the desktop back end (needs an X server, e.g. Xvfb): the game's own
// start-up to its first frame; the frame loop's rate, the game's and the X server's CPU share and
// the share of the window presented per frame while idle, with the pay table open, during a
// Slowest draw and during Fastest auto-run, presenting only what changed and then the whole frame;
// and one frame of the whole-frame path split into drawing, texture upload and swap. It prints
// numbers and asserts nothing.
// Run it with GDK_SCALE=2 (on a screen of at least 2564 x 1804) for a high-density window.
#include <SDL.h>
#include <gtk/gtk.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/game.h"
#include "app/rest.h"
#include "platform/desktop_internal.h"
#include "platform/platform.h"
#include "present_methods.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Clock::time_point firstBoxSeen;
bool boxSeen = false;

// Answers a dialog as if OK were pressed, from inside the dialog's own loop.
gboolean AnswerDialog(gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  g_object_unref(dialog);
  return G_SOURCE_REMOVE;
}

// Answers every dialog the game shows (welcome, announcements) as soon as it is mapped, so the
// benchmark runs unattended without a timer waking the resting loop; the first one marks the end
// of start-up.
gboolean OnMapped(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* widget = G_OBJECT(g_value_get_object(&values[0]));
  if (!GTK_IS_DIALOG(widget)) return TRUE;
  if (!boxSeen) {
    boxSeen = true;
    firstBoxSeen = Clock::now();
  }
  g_idle_add(AnswerDialog, g_object_ref(widget));
  return TRUE;
}

// CPU seconds of the whole process (every thread: the loop, GL, the audio mixer, the fanfare worker).
double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The X server of $DISPLAY, from its lock file (/tmp/.X<n>-lock holds its process id); 0 when it
// cannot be found, e.g. on another machine.
long XServerPid() {
  const char* display = g_getenv("DISPLAY");
  if (!display || display[0] != ':') return 0;
  char path[64];
  std::snprintf(path, sizeof path, "/tmp/.X%d-lock", std::atoi(display + 1));
  FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  long pid = 0;
  if (std::fscanf(f, "%ld", &pid) != 1) pid = 0;
  std::fclose(f);
  return pid;
}

// CPU seconds the X server has used (user and system time from /proc), -1 when unknown.
double ServerCpuSeconds(long pid) {
  if (pid <= 0) return -1;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
  FILE* f = std::fopen(path, "r");
  if (!f) return -1;
  char line[1024];
  const bool read = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  const char* fields = read ? std::strrchr(line, ')') : nullptr;  // the command name may hold spaces
  if (!fields) return -1;
  unsigned long utime = 0, stime = 0;
  // After ") ": state, ppid, pgrp, session, tty, tpgid, flags, minflt, cminflt, majflt, cmajflt, utime, stime.
  if (std::sscanf(fields + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) return -1;
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long serverPid = 0;

// Whether the accessibility bridge (the AT-SPI module GTK loads) is in the process.
bool AccessibilityBridgeLoaded() {
  FILE* f = std::fopen("/proc/self/maps", "r");
  if (!f) return false;
  char line[1024];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, f)) found = std::strstr(line, "libatk-bridge") != nullptr;
  std::fclose(f);
  return found;
}

// Ends a measurement's last wait, which may have no deadline of its own.
gboolean MeasurementOver(gpointer) { return G_SOURCE_REMOVE; }

struct LoopFigures {
  double framesPerSecond;
  double cpuShare;      // the game's CPU seconds per second, 1.0 = one core
  double serverShare;   // the X server's, -1 when unknown
  double changedShare;  // device pixels presented per frame, as a share of the window
  double seconds;
  int64_t wins;  // draws that paid
};

// Runs the real frame loop, frames and rests, for about the given time; with wins, on until that
// many draws have paid (at most three times as long).
LoopFigures RunLoop(double seconds, int64_t wantWins = 0) {
  const guint wake = g_timeout_add(static_cast<guint>(seconds * 1000.0), MeasurementOver, nullptr);
  const auto start = Clock::now();
  const double cpuStart = ProcessCpuSeconds();
  const double serverStart = ServerCpuSeconds(serverPid);
  const desktop::PresentCounts before = desktop::CurrentPresentCounts();
  int64_t frames = 0, wins = 0, won = Game.SetWon;
  while (RunFrame()) {
    ++frames;
    if (Game.SetWon > won) ++wins;
    won = Game.SetWon;
    const double ms = MsSince(start);
    if (ms >= seconds * 1000.0 && (wins >= wantWins || ms >= 3 * seconds * 1000.0)) break;
    RestUntilNextChange();
  }
  const double ms = MsSince(start);
  if (ms < seconds * 1000.0) g_source_remove(wake);
  const double serverEnd = ServerCpuSeconds(serverPid);
  const desktop::PresentCounts after = desktop::CurrentPresentCounts();
  const double windowPixels = static_cast<double>(after.windowPixels - before.windowPixels);
  return {static_cast<double>(frames) * 1000.0 / ms,
          (ProcessCpuSeconds() - cpuStart) * 1000.0 / ms,
          serverStart < 0 || serverEnd < 0 ? -1.0 : (serverEnd - serverStart) * 1000.0 / ms,
          windowPixels > 0 ? static_cast<double>(after.changedPixels - before.changedPixels) / windowPixels : 0.0,
          ms / 1000.0,
          wins};
}

// Runs the loop in one scene and prints its frame rate, the game's and the X server's CPU share and
// the share of the window presented per frame.
void PrintLoop(const char* scene, double seconds, int64_t wantWins = 0) {
  const LoopFigures f = RunLoop(seconds, wantWins);
  std::printf("%-22s loop %6.1f frames/s, CPU %5.1f%% of a core, X server %5.1f%%, window changed %5.1f%% per frame",
              scene, f.framesPerSecond, 100.0 * f.cpuShare, 100.0 * f.serverShare, 100.0 * f.changedShare);
  if (wantWins > 0) std::printf(", %.1f s, %lld draws paid", f.seconds, static_cast<long long>(f.wins));
  std::printf("\n");
}

// Lets a running draw or auto-run series end, so the next scene starts from a resting board.
void SettleBoard() {
  Game.AutoRun = 0;
  Game.AutoPausePending = 0;
  while (Game.Drawing == 1 || Game.BallAnimRunning == 1) RunLoop(0.5);
}

// The scenes a player meets, each on the real loop: the board resting on Main and with the pay
// table open, a Slowest draw, and Fastest auto-run played for at least ten seconds with four cards
// of ten picks, until two draws have paid (their fanfares play on the worker, the reveals' click
// tones through the audio driver).
void PlayScenes(const char* path) {
  std::printf("--- %s\n", path);
  SetActiveTab(0);
  PrintLoop("idle on Main", 5.0);
  Game.PayTableOpen = 1;
  PrintLoop("idle, pay table open", 5.0);
  Game.PayTableOpen = 0;
  Game.Speed = 1;
  StartDraw();
  PrintLoop("Slowest draw", 5.0);
  SettleBoard();
  SetActiveTab(0);
  Game.Speed = 5;
  Game.AutoRun = 1;
  StartDraw();
  PrintLoop("Fastest auto-run", 10.0, 2);
  SettleBoard();
}

// Runs frames back to back, without resting, for about the given time; returns frames per
// second, the throughput of a way of presenting.
double LoopRate(double seconds) {
  const auto start = Clock::now();
  int64_t frames = 0;
  while (MsSince(start) < seconds * 1000.0 && RunFrame()) ++frames;
  return static_cast<double>(frames) * 1000.0 / MsSince(start);
}

// Mean milliseconds of one call of f over n calls.
template <typename F>
double MeanMs(int n, F f) {
  const auto start = Clock::now();
  for (int i = 0; i < n; ++i) f();
  return MsSince(start) / n;
}

void PrintSplit(const char* scene) {
  constexpr int n = 60;
  const double frame = MeanMs(n, [] { RenderFrame(); });
  const double upload = MeanMs(n, [] { desktop::UploadFrame(); });
  const double show = MeanMs(n, [] { desktop::ShowFrame(); });
  std::printf("%-8s frame %.2f ms = draw %.2f + upload %.2f + quad and swap %.2f\n", scene, frame,
              frame - upload - show, upload, show);
}

// One presentation method's frame rate during auto-run, frames back to back, and its frame split.
void PrintMethod(const char* name) {
  Game.AutoRun = 1;
  const double rate = LoopRate(3.0);
  std::printf("%-20s loop %.0f frames/s; ", name, rate);
  PrintSplit("");
}

}  // namespace

int main() {
  const auto launch = Clock::now();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  RemoveFile(DirectoryOf(ExecutablePath()) + "keno_save.dat");
  // The hook needs the widget classes, which need GTK; the game's own start-up finds it ready.
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "no X server\n");
    return 1;
  }
  g_type_class_ref(GTK_TYPE_DIALOG);  // kept for the whole run
  g_signal_add_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), 0, OnMapped, nullptr, nullptr);
  if (!StartUp()) {
    std::fprintf(stderr, "start-up failed (is there an X server with GLX?)\n");
    return 1;
  }
  const double startup = MsSince(launch);
  if (boxSeen) {
    std::printf("start-up to the welcome box %.1f ms (the first frame is presented just before it)\n",
                std::chrono::duration<double, std::milli>(firstBoxSeen - launch).count());
  }
  std::printf("start-up complete %.1f ms\n", startup);
  const int64_t scale = ScreenScale();
  std::printf("window %lld x %lld logical pixels at scale %lld (%lld x %lld device pixels)\n",
              static_cast<long long>(WindowInnerWidth(1)), static_cast<long long>(WindowInnerHeight(1)),
              static_cast<long long>(scale), static_cast<long long>(WindowInnerWidth(1) * scale),
              static_cast<long long>(WindowInnerHeight(1) * scale));

  std::printf("resting loop: %s\n", KENO_RESTING_LOOP ? "on" : "off (busy loop, for comparison)");
  std::printf("audio driver: %s\n", SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none");
  std::printf("accessibility bridge: %s\n", AccessibilityBridgeLoaded() ? "loaded" : "not loaded");
  serverPid = XServerPid();
  if (serverPid <= 0) std::printf("X server: its process was not found, its CPU share reads -100%%\n");
  Game.SoundOn = 1;
  for (int c = 1; c <= 4; ++c)
    for (int k = 0; k < 10; ++k) TogglePick(c, 1 + (c * 7 + k * 6) % 80);

  // Both presentation paths in one run, on equal terms.
  if (desktop::SetPartialPresent(true)) {
    PlayScenes("partial present (only what changed, glXCopySubBufferMESA)");
  } else {
    std::printf("--- partial present not available (no GLX_MESA_copy_sub_buffer)\n");
  }
  desktop::SetPartialPresent(false);
  PlayScenes("full present (the whole frame and a swap)");
  SetActiveTab(0);
  PrintSplit("idle");
  Game.Speed = 5;
  Game.AutoRun = 1;
  StartDraw();
  RunLoop(1.0);
  PrintSplit("auto-run");

  // Every way of presenting, in the same auto-run series, so they compare on equal terms: the
  // game's two, then the two only this benchmark has.
  for (auto method : {desktop::PresentMethod::TextureQuad, desktop::PresentMethod::BlitFramebuffer}) {
    if (!desktop::SetPresentMethod(method)) {
      std::printf("%-20s not available\n", desktop::PresentMethodName(method));
      continue;
    }
    PrintMethod(desktop::PresentMethodName(method));
  }
  desktop::SetPresentMethod(desktop::DefaultPresent);
  for (const present_bench::ExtraMethod& extra :
       {present_bench::DrawPixelsMethod(), present_bench::PixelBufferMethod()}) {
    if (!extra.hooks) {
      std::printf("%-20s not available\n", extra.name);
      continue;
    }
    desktop::SetPresentHooks(extra.hooks);
    PrintMethod(extra.name);
  }
  desktop::SetPresentHooks(nullptr);

  Game.AutoRun = 0;
  Game.AutoPausePending = 0;
  const std::string save = Game.SavePath;
  Shutdown();
  RemoveFile(save);
  return 0;
}
