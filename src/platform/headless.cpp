// The headless back end: an offscreen screen drawn by the shared canvas, a manual clock,
// scripted input and box answers, a temporary executable directory, a seedable entropy source
// with faults, and a log of played sounds. Tests drive the game frame by frame through it.
#include "platform/headless.h"

#include <cairo.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>

#include "platform/accessible_action.h"
#include "platform/canvas_internal.h"
#include "platform/input_latch.h"
#include "platform/system_internal.h"

namespace {

struct World {
  int64_t now = 10000;
  int64_t utcAtZero = headless::DefaultUtcMs - 10000;  // UtcNowMs() minus now: the wall clock moves with now
  int64_t windowW = 1282, windowH = 902;
  int64_t scale = 1;
  int64_t minW = 0, minH = 0;
  bool windowOpen = false;
  std::deque<int64_t> events;
  InputDevices input;
  std::deque<BoxResult> answers;
  std::deque<std::string> replies;
  std::deque<std::string> exportPaths;  // QueueExportPath
  std::vector<headless::ShownBox> boxes;
  bool audioFails = false;
  headless::SetupFault setupFault = headless::SetupFault::None;
  bool audioOpen = false;
  bool soundLoaded[64] = {};
  headless::EntropyFault entropyFault = headless::EntropyFault::None;
  bool entropyOpen = false;
  std::mt19937_64 entropy;
  std::deque<uint32_t> entropyWords;
  int64_t entropyWordsRead = 0;
  std::filesystem::path tempDir;
  int64_t presented = 0;
  void (*displayLost)() = nullptr;
  bool loseDisplayAtNextBox = false;
  bool quitAtNextBox = false;                            // a quit signal comes while the next box is open
  bool quitAsked = false;                                // a quit signal came: boxes answer at once, as dismissed
  bool quitPending = false;                              // its close request is still to be polled
  std::multimap<int64_t, std::function<void()>> script;  // scripted input by its moment
  int64_t waitsWithoutEnd = 0;
  bool partialPresent = false;   // SetPartialPresent
  std::vector<uint32_t> window;  // what the window shows in that mode, rows packed tightly
  headless::PartialPresentCounts partial;
  std::vector<AccessibleItem> accessibleItems;  // the last list the game handed over
  int64_t accessibleUpdates = 0;                // lists handed over since Reset
  int64_t accessibleFocus = -1;
  int64_t shortcutsShown = 0;  // ShowKeyboardShortcuts calls since Reset
  // The announcements in the order they were made, in fixed storage so that a frame that
  // announces allocates nothing; beyond the capacity the newest are dropped.
  static constexpr int64_t AnnouncementCapacity = 512, AnnouncementBytes = 256;
  char announcements[AnnouncementCapacity][AnnouncementBytes] = {};
  int64_t announcementCount = 0;
};

World world;
std::mutex soundMutex;
std::vector<headless::SoundEvent> timeline;

// Logs each SleepMs call into the sound timeline.
void ObserveSleep(int64_t ms) {
  std::lock_guard lock(soundMutex);
  timeline.push_back({headless::SoundEvent::Slept, ms});
}

// The next entropy word: a scripted one while any is left, else the seeded generator's.
bool NextEntropyWord(uint32_t& word) {
  if (world.entropyWords.empty() && world.entropyFault == headless::EntropyFault::FailReadAfterQueued) return false;
  ++world.entropyWordsRead;
  if (!world.entropyWords.empty()) {
    word = world.entropyWords.front();
    world.entropyWords.pop_front();
  } else {
    word = static_cast<uint32_t>(world.entropy());
  }
  return true;
}

void RemoveTempDir() {
  std::error_code ignored;
  if (!world.tempDir.empty()) std::filesystem::remove_all(world.tempDir, ignored);
  world.tempDir.clear();
}

void MakeTempDir() {
  RemoveTempDir();
  std::string pattern = (std::filesystem::temp_directory_path() / "keno-headless-XXXXXX").string();
  if (mkdtemp(pattern.data())) world.tempDir = pattern;
  static bool cleanupRegistered = false;
  if (!cleanupRegistered) {
    cleanupRegistered = true;
    atexit(RemoveTempDir);
  }
}

// Moves the clock to ms, running the scripted actions due on the way at their own moments.
void MoveClockTo(int64_t ms) {
  while (!world.script.empty() && world.script.begin()->first <= ms) {
    auto next = world.script.extract(world.script.begin());
    world.now = std::max(world.now, next.key());
    next.mapped()();
  }
  world.now = ms;
}

}  // namespace

namespace headless {

void Reset(uint64_t seed) {
  sys::StopWorkers();
  canvas::ReleaseAll();
  sys::CloseAll();
  std::filesystem::path keep = world.tempDir;
  world.tempDir.clear();
  world = World{};
  world.tempDir = keep;
  MakeTempDir();
  world.entropy.seed(seed ^ 0xA5A5A5A5DEADBEEFull);
  sys::SeedGenerators(seed);
  sys::SetSleepObserver(ObserveSleep);
  sys::ScriptEnvironment(true);
  sys::SetScriptedVariable("HOME", TempDir() + "home");
  std::lock_guard lock(soundMutex);
  timeline.clear();
  // Room for a long game's sounds and sleeps up front: logging them never allocates inside a
  // frame, whose heap allocations the steady-frame test counts across the whole process.
  timeline.reserve(1 << 16);
}

void SetNow(int64_t ms) { MoveClockTo(ms); }
void AdvanceMs(int64_t ms) { MoveClockTo(world.now + ms); }
void SetUtcNow(int64_t utcMs) { world.utcAtZero = utcMs - world.now; }
void At(int64_t ms, std::function<void()> action) { world.script.emplace(ms, std::move(action)); }
int64_t WaitsWithoutEnd() { return world.waitsWithoutEnd; }

void SetPointer(int64_t x, int64_t y) {
  world.input.pointerX = x;
  world.input.pointerY = y;
}

void SetButton(int64_t button, bool down) { world.input.Button(button, down); }
void SetKey(int64_t key, bool down, bool shift) { world.input.Key(key, down, shift); }
void QueueWheel(int64_t steps) { world.input.Wheel(steps); }

void QueueClick(int64_t x, int64_t y, int64_t button) {
  SetPointer(x, y);
  SetButton(button, true);
  SetButton(button, false);
}

const std::vector<AccessibleItem>& AccessibleItems() { return world.accessibleItems; }
int64_t AccessibleUpdates() { return world.accessibleUpdates; }
int64_t AccessibleFocus() { return world.accessibleFocus; }
int64_t KeyboardShortcutsShown() { return world.shortcutsShown; }
std::vector<std::string> Announcements() {
  return std::vector<std::string>(world.announcements, world.announcements + world.announcementCount);
}
void ClearAnnouncements() { world.announcementCount = 0; }

bool DoAccessibleAction(int64_t index, int64_t action) {
  if (index < 0 || index >= static_cast<int64_t>(world.accessibleItems.size())) return false;
  const ActionClickPoint click = ClickForAction(world.accessibleItems[static_cast<size_t>(index)], action);
  if (click.button == 0) return false;
  world.input.Click(click.button, click.x, click.y);
  return true;
}

void ResizeWindow(int64_t w, int64_t h) {
  world.windowW = std::max(w, world.minW);
  world.windowH = std::max(h, world.minH);
  world.events.push_back(EventSizeWindow);
}

void SetScale(int64_t scale) {
  if (scale == world.scale) return;
  world.scale = scale;
  if (world.windowOpen) world.events.push_back(EventSizeWindow);
}

void RequestClose() { world.events.push_back(EventCloseWindow); }

void LoseDisplay() {
  if (world.displayLost) world.displayLost();
}

void LoseDisplayAtNextBox() { world.loseDisplayAtNextBox = true; }

void SendQuitSignal() { world.quitAsked = world.quitPending = true; }
void SendQuitSignalAt(int64_t ms) { At(ms, SendQuitSignal); }
void SendQuitSignalAtNextBox() { world.quitAtNextBox = true; }

void QueueAnswer(BoxResult answer) { world.answers.push_back(answer); }
void QueueInput(std::string reply) { world.replies.push_back(std::move(reply)); }
void QueueExportPath(std::string path) { world.exportPaths.push_back(std::move(path)); }
const std::vector<ShownBox>& BoxLog() { return world.boxes; }
void ClearBoxLog() { world.boxes.clear(); }

std::vector<int64_t> PlayedSounds() {
  std::lock_guard lock(soundMutex);
  std::vector<int64_t> played;
  for (const SoundEvent& e : timeline)
    if (e.kind == SoundEvent::Played) played.push_back(e.value);
  return played;
}

std::vector<SoundEvent> SoundTimeline() {
  std::lock_guard lock(soundMutex);
  return timeline;
}

void FailAudioInit(bool fail) { world.audioFails = fail; }
void FailSetupStep(SetupFault fault) { world.setupFault = fault; }
void SetEntropyFault(EntropyFault fault) { world.entropyFault = fault; }
void QueueEntropyWords(const std::vector<uint32_t>& words) {
  world.entropyWords.insert(world.entropyWords.end(), words.begin(), words.end());
}
int64_t EntropyWordsRead() { return world.entropyWordsRead; }
void FailNextCommit() { sys::FailNextCommit(); }
void SkipFileSyncs() { sys::SetFileSyncs(false); }
void FailNextFileStep(FileStep step, int error) { sys::FailNextFileStep(step, error); }
void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  sys::SetScriptedVariable(name, value);
}
void DenyWrite(const std::string& path) { sys::DenyWrite(path); }
std::string TempDir() { return world.tempDir.string() + "/"; }

int64_t FrameWidth() { return canvas::ScreenWidth(); }
int64_t FrameHeight() { return canvas::ScreenHeight(); }

Colour PixelAt(int64_t x, int64_t y) {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!pixels || x < 0 || y < 0 || x >= FrameWidth() || y >= FrameHeight()) return 0;
  const uint32_t p = pixels[y * (canvas::ScreenStride() / 4) + x];
  return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
}

uint64_t FrameDigest() {
  const uint32_t* pixels = canvas::ScreenPixels();
  if (!pixels) return 0;
  // Eight independent lanes over pairs of pixels keep the multiplier busy: a test may digest
  // every frame of a long game. Each step is a bijection of the lane, so a lone changed pixel
  // always changes the digest. The unused alpha byte of each pixel is left out.
  constexpr uint64_t Prime = 1099511628211ull, RgbPair = 0x00FFFFFF00FFFFFFull;
  constexpr int64_t Lanes = 8;
  const int64_t rowWords = canvas::ScreenStride() / 4, w = FrameWidth();
  uint64_t lane[Lanes];
  for (int64_t i = 0; i < Lanes; ++i)
    lane[i] = (1469598103934665603ull + static_cast<uint64_t>(i)) ^ static_cast<uint64_t>(w << 20 | FrameHeight());
  for (int64_t y = 0; y < FrameHeight(); ++y) {
    const uint32_t* row = pixels + y * rowWords;
    int64_t x = 0;
    for (; x + 2 * Lanes <= w; x += 2 * Lanes) {
      for (int64_t i = 0; i < Lanes; ++i) {
        uint64_t pair;
        std::memcpy(&pair, row + x + 2 * i, sizeof pair);
        lane[i] = (lane[i] ^ (pair & RgbPair)) * Prime;
      }
    }
    for (; x < w; ++x) lane[0] = (lane[0] ^ (row[x] & 0xFFFFFFu)) * Prime;
  }
  uint64_t digest = 0;
  for (uint64_t l : lane) {
    digest = (digest ^ l) * Prime;
    digest ^= digest >> 29;
  }
  return digest;
}

bool SavePng(const std::string& path) {
  if (!canvas::ScreenOpen()) return false;
  const int64_t w = FrameWidth(), h = FrameHeight(), stride = canvas::ScreenStride();
  cairo_surface_t* copy = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(canvas::ScreenPixels())), CAIRO_FORMAT_RGB24,
      static_cast<int>(w), static_cast<int>(h), static_cast<int>(stride));
  const bool ok = cairo_surface_write_to_png(copy, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(copy);
  return ok;
}

int64_t PresentedFrames() { return world.presented; }

}  // namespace headless

bool InitPlatform() {
  if (world.tempDir.empty()) headless::Reset();
  return true;
}

void ReleasePlatform() {
  sys::StopWorkers();
  canvas::ReleaseAll();
  sys::CloseAll();
  world.audioOpen = false;
  world.windowOpen = false;
}

int64_t OpenGameWindow(int64_t window, int64_t, int64_t, int64_t w, int64_t h, const char*) {
  if (window != 1) return 0;
  world.windowOpen = true;
  world.windowW = w;
  world.windowH = h;
  return 1;
}

void SetWindowSizeLimits(int64_t, int64_t minW, int64_t minH, int64_t, int64_t) {
  world.minW = minW;
  world.minH = minH;
}

void SetWindowBackground(int64_t, Colour) {}
int64_t WindowInnerWidth(int64_t) { return world.windowOpen ? world.windowW : 0; }
int64_t WindowInnerHeight(int64_t) { return world.windowOpen ? world.windowH : 0; }

int64_t PollWindowEvent() {
  if (world.quitPending) {
    world.quitPending = false;
    return EventCloseWindow;
  }
  if (world.events.empty()) return EventNone;
  const int64_t event = world.events.front();
  world.events.pop_front();
  return event;
}

void SetAccessibleItems(const AccessibleItem* items, int64_t count) {
  // Room for any list the game makes, so that a changing frame allocates nothing here.
  constexpr size_t RoomForItems = 1024;
  if (world.accessibleItems.capacity() < RoomForItems) world.accessibleItems.reserve(RoomForItems);
  world.accessibleItems.assign(items, items + std::max<int64_t>(count, 0));
  ++world.accessibleUpdates;
}
void SetAccessibleFocus(int64_t index) { world.accessibleFocus = index; }

// Nothing to show headless: the call is counted for the tests.
void ShowKeyboardShortcuts() { ++world.shortcutsShown; }
void Announce(std::string_view text) {
  if (world.announcementCount == World::AnnouncementCapacity) return;
  char* line = world.announcements[world.announcementCount++];
  const size_t n = std::min(text.size(), static_cast<size_t>(World::AnnouncementBytes - 1));
  if (n > 0) std::memcpy(line, text.data(), n);
  line[n] = 0;
}

void WaitForEvent(int64_t timeoutMs) {
  int64_t until = world.now + 1;
  if (timeoutMs != 0 && !world.quitPending && world.events.empty() && !world.input.Unsampled()) {
    int64_t end = timeoutMs > 0 ? world.now + timeoutMs : -1;
    if (!world.script.empty() && (end < 0 || world.script.begin()->first < end)) end = world.script.begin()->first;
    if (end < 0) {
      ++world.waitsWithoutEnd;
      return;
    }
    until = std::max(until, end);
  }
  MoveClockTo(until);
}

int64_t InitSprite() { return world.setupFault == headless::SetupFault::Sprite ? 0 : 1; }
int64_t InitKeyboard() { return world.setupFault == headless::SetupFault::Keyboard ? 0 : 1; }
int64_t InitMouse() { return world.setupFault == headless::SetupFault::Mouse ? 0 : 1; }
int64_t OpenWindowedScreen(int64_t, int64_t, int64_t, int64_t w, int64_t h) {
  if (world.setupFault == headless::SetupFault::Screen) return 0;
  return canvas::OpenScreen(w, h, world.scale);
}
void CloseDrawingScreen() { canvas::CloseScreen(); }
// Copies the changed rectangles into the window image, then counts the window's pixels unlike the
// back buffer's.
void PresentChangedRegions() {
  const canvas::ChangedRegions& found = canvas::FindChangedRegions();
  const uint32_t* back = canvas::ScreenPixels();
  if (!back) return;
  const int64_t w = canvas::ScreenWidth(), h = canvas::ScreenHeight(), stride = canvas::ScreenStride() / 4;
  if (found.whole) world.window.assign(static_cast<size_t>(w * h), 0);
  ++world.partial.frames;
  if (found.count == 0) ++world.partial.unchanged;
  world.partial.changedPixels += found.pixels;
  for (int64_t i = 0; i < found.count; ++i) {
    const canvas::Region& r = found.rects[i];
    for (int64_t y = r.y; y < r.y + r.h; ++y)
      std::copy_n(back + y * stride + r.x, r.w, world.window.data() + y * w + r.x);
  }
  for (int64_t y = 0; y < h; ++y)
    for (int64_t x = 0; x < w; ++x)
      if ((world.window[y * w + x] ^ back[y * stride + x]) & 0xFFFFFF) ++world.partial.differingPixels;
}

void PresentFrame() {
  ++world.presented;
  if (world.partialPresent) PresentChangedRegions();
}

void headless::SetPartialPresent(bool on) {
  world.partialPresent = on;
  canvas::ForgetPresentedFrame();
}

headless::PartialPresentCounts headless::PartialPresents() { return world.partial; }

bool NextInputEdge(InputEdge& edge) { return world.input.Take(edge); }
void SampleKeyboard() { world.input.SampleKeyboard(); }
int64_t KeyHeld(int64_t key) { return world.input.KeyHeld(key); }
int64_t KeyReleased(int64_t key) { return world.input.KeyReleased(key); }

void SampleMouse() { world.input.SampleMouse(); }
int64_t MouseButtonHeld(int64_t button) { return world.input.ButtonHeld(button); }
void FreePointer() {}
int64_t PointerX(int64_t) { return world.input.sampledX; }
int64_t PointerY(int64_t) { return world.input.sampledY; }

void SetDisplayLostOperation(void (*save)()) { world.displayLost = save; }

namespace {

// A box takes the focus from the game window: the input queued before it never acts after it.
// Once a quit signal has come, boxes answer at once as dismissed; one that comes while a box is
// open answers that box so.
bool BoxOpens() {
  world.input.Forget();
  if (world.quitAtNextBox && !world.quitAsked) {
    world.quitAtNextBox = false;
    headless::SendQuitSignal();
  }
  return world.quitAsked;
}

}  // namespace

BoxResult ShowMessageBox(const std::string& title, const std::string& text, int64_t flags) {
  world.boxes.push_back({title, text, flags, false});
  if (world.loseDisplayAtNextBox) {
    world.loseDisplayAtNextBox = false;
    headless::LoseDisplay();
  }
  if (BoxOpens()) return BoxResult::Dismissed;
  if (world.answers.empty()) return BoxResult::Yes;
  const BoxResult answer = world.answers.front();
  world.answers.pop_front();
  return answer;
}

std::string ShowInputBox(const std::string& title, const std::string& prompt, const std::string&) {
  world.boxes.push_back({title, prompt, 0, true});
  if (BoxOpens()) return "";
  if (world.replies.empty()) return "";
  std::string reply = world.replies.front();
  world.replies.pop_front();
  return reply;
}

std::string ChooseExportFile(const std::string& title, const std::string& suggestedName) {
  world.boxes.push_back({title, suggestedName, 0, false, true});
  if (BoxOpens()) return "";
  if (world.exportPaths.empty()) return "";
  std::string path = world.exportPaths.front();
  world.exportPaths.pop_front();
  return path;
}

int64_t InitAudio() {
  world.audioOpen = !world.audioFails;
  return world.audioOpen ? 1 : 0;
}

int64_t LoadSoundFromMemory(int64_t sound, const void* image, int64_t size) {
  if (!world.audioOpen || sound < 1 || sound >= 64 || !image || size < 44) return 0;
  const auto* bytes = static_cast<const char*>(image);
  if (std::string_view(bytes, 4) != "RIFF" || std::string_view(bytes + 8, 4) != "WAVE") return 0;
  world.soundLoaded[sound] = true;
  return sound;
}

void PlaySoundEffect(int64_t sound) {
  if (!world.audioOpen || sound < 1 || sound >= 64 || !world.soundLoaded[sound]) return;
  std::lock_guard lock(soundMutex);
  timeline.push_back({headless::SoundEvent::Played, sound});
}

std::string ExecutablePath() { return world.tempDir.string() + "/keno"; }
int64_t NowMs() { return world.now; }
int64_t UtcNowMs() { return world.utcAtZero + world.now; }
// Frames must not depend on where they are drawn: the headless time zone is UTC.
int64_t LocalOffsetMinutes(int64_t) { return 0; }

int64_t OpenEntropySource() {
  world.entropyOpen = world.entropyFault != headless::EntropyFault::FailOpen;
  return world.entropyOpen ? 1 : 0;
}

int64_t EntropyUpTo(int64_t max) {
  if (!world.entropyOpen || world.entropyFault == headless::EntropyFault::FailRead) return -1;
  return sys::UniformFromWords(max, NextEntropyWord);
}

void CloseEntropySource() { world.entropyOpen = false; }
