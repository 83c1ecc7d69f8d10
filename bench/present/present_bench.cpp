// Presentation benchmark on the desktop back end (needs an X server, e.g. Xvfb): the game's own
// start-up to its first frame, the frame loop's rate while idle and during auto-run draws, and
// one frame split into drawing, texture upload and swap. It prints numbers and asserts nothing.
// Run it with GDK_SCALE=2 (on a screen of at least 2564 x 1804) for a high-density window.
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>

#include "app/game.h"
#include "app/game_state.h"
#include "platform/desktop_internal.h"
#include "platform/platform.h"
#include "present_methods.h"
#include "rules/rules.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Clock::time_point firstBoxSeen;
bool boxSeen = false;

// Answers every dialog the game shows (welcome, announcements) as if OK were pressed, so the
// benchmark runs unattended; the first one marks the end of start-up.
gboolean AnswerDialogs(gpointer) {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
      if (!boxSeen) {
        boxSeen = true;
        firstBoxSeen = Clock::now();
      }
      gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_OK);
    }
  }
  g_list_free(windows);
  return G_SOURCE_CONTINUE;
}

// Runs the real frame loop for about the given time; returns frames per second.
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

// One presentation method's loop rate during auto-run and its frame split.
void PrintMethod(const char* name) {
  Game.AutoRun = 1;
  const double rate = LoopRate(3.0);
  std::printf("%-20s loop %.0f frames/s; ", name, rate);
  PrintSplit("");
}

}  // namespace

int main() {
  const auto launch = Clock::now();
  RemoveFile(DirectoryOf(ExecutablePath()) + "keno_save.dat");
  g_timeout_add(1, AnswerDialogs, nullptr);
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

  std::printf("idle     loop %.0f frames/s\n", LoopRate(3.0));
  PrintSplit("idle");

  for (int c = 1; c <= 4; ++c)
    for (int k = 0; k < 10; ++k) TogglePick(c, 1 + (c * 7 + k * 6) % 80);
  SetActiveTab(0);
  Game.Speed = 5;
  Game.AutoRun = 1;
  StartDraw();
  std::printf("auto-run loop %.0f frames/s\n", LoopRate(3.0));
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
