// Controls of the headless back end: the test's hands on the clock, the input devices, the
// answers to message and input boxes, the files, the entropy source and the presented pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/system_internal.h"

namespace headless {

struct ShownBox {
  std::string title;
  std::string text;
  int64_t flags = 0;
  bool inputBox = false;  // an input box: text is its prompt
  bool chooser = false;   // the export file chooser: text is the name it suggests
};

// FailOpen: the source does not open; FailRead: every read fails; FailReadAfterQueued: reads fail
// once the words queued by QueueEntropyWords are used up, which bounds a loop that rejects them.
enum class EntropyFault { None, FailOpen, FailRead, FailReadAfterQueued };

// Forgets every scripted answer, log, fault and input; sets the clock to 10000 ms, the window
// size to 1282 x 902, the executable into a fresh temporary directory and seeds both generators.
// The environment the game sees holds only HOME, a "home" folder (not yet made) in that
// directory, so nothing reaches the real player's files.
void Reset(uint64_t seed = 1);

// Clock (NowMs) under the test's control. Moving it forward runs the scripted input that falls
// due on the way, each at its own time.
void SetNow(int64_t ms);
void AdvanceMs(int64_t ms);
// The wall clock (UtcNowMs) moves with NowMs; after Reset it reads 2026-12-10T10:52:03.000Z.
// SetUtcNow makes it read utcMs now.
constexpr int64_t DefaultUtcMs = 1796899923000;
void SetUtcNow(int64_t utcMs);

// Input scripted for a moment of the clock: the action (e.g. SetKey) runs when the clock reaches
// ms. Actions at the same moment run in the order they were scripted.
void At(int64_t ms, std::function<void()> action);

// WaitForEvent moves the clock, as waiting would: by at least one millisecond (a frame's length on
// this clock), else to the end of the timeout or to the next scripted input, whichever comes
// first. A wait without end with nothing scripted leaves the clock alone and is counted here.
int64_t WaitsWithoutEnd();

// Input as the window's events would bring it: the pointer, and presses and releases queued in
// order for NextInputEdge (a mouse edge at the pointer of the moment), with the state that the
// next SampleMouse / SampleKeyboard sees. A box shown drops the edges queued and the held state.
void SetPointer(int64_t x, int64_t y);  // -1, -1: outside the window
void SetButton(int64_t button, bool down);
// A key goes down or up, with Shift held or not; a press of a held key is its auto-repeat
// (KeyRepeats keys).
void SetKey(int64_t key, bool down, bool shift = false);
void QueueWheel(int64_t steps);         // wheel steps at the pointer: positive up, negative down
// A complete click at (x, y): its press and release, both queued now. Several in one At action
// all land between the same two frames.
void QueueClick(int64_t x, int64_t y, int64_t button = MouseLeft);

// What a screen reader would see: the last item list handed over, how many lists were, the
// focused item and the announcements made since Reset. An action on item `index` queues the
// click the desktop's accessibility bridge queues; false when the item offers no such action.
const std::vector<AccessibleItem>& AccessibleItems();
int64_t AccessibleUpdates();
int64_t AccessibleFocus();
int64_t KeyboardShortcutsShown();  // ShowKeyboardShortcuts calls since Reset
std::vector<std::string> Announcements();
void ClearAnnouncements();
bool DoAccessibleAction(int64_t index, int64_t action);

// Window: a new inner size (raises EventSizeWindow) or a close request.
void ResizeWindow(int64_t w, int64_t h);
// The window's scale factor, device pixels per logical pixel (1 after Reset): the screen opens at
// it. A change while the window is open raises EventSizeWindow, as the desktop's does.
void SetScale(int64_t scale);
void RequestClose();
// The display connection is lost now, or while the next box is shown: the game's operation runs
// as on the desktop, where the process then ends; here the test goes on.
void LoseDisplay();
void LoseDisplayAtNextBox();
// A quit signal (SIGTERM, SIGINT, SIGHUP on the desktop) now, at a moment of the clock, or while
// the next box is open: the box answers as dismissed, later boxes answer so at once without
// their scripted answers, and PollWindowEvent reports a close request.
void SendQuitSignal();
void SendQuitSignalAt(int64_t ms);
void SendQuitSignalAtNextBox();

// Message boxes take scripted answers in order, then answer Yes; input boxes likewise, then "".
void QueueAnswer(BoxResult answer);
void QueueInput(std::string reply);
// The export file chooser takes scripted paths in order, then cancels ("").
void QueueExportPath(std::string path);
const std::vector<ShownBox>& BoxLog();
void ClearBoxLog();

// Sounds played since Reset, by sound number, in order (thread-safe).
std::vector<int64_t> PlayedSounds();

// The sounds played and the SleepMs calls made since Reset, on any thread, in the order they
// happened (thread-safe): the rhythm of a fanfare without waiting for it.
struct SoundEvent {
  enum Kind { Played, Slept } kind;
  int64_t value;  // the sound number, or the milliseconds asked of SleepMs
  bool operator==(const SoundEvent&) const = default;
};
std::vector<SoundEvent> SoundTimeline();
void FailAudioInit(bool fail);

// The start-up steps that can fail: from then on the named InitSprite, InitKeyboard or InitMouse
// answers 0, or every OpenWindowedScreen does. None (after Reset): all succeed.
enum class SetupFault { None, Sprite, Keyboard, Mouse, Screen };
void FailSetupStep(SetupFault fault);

// Faults.
void SetEntropyFault(EntropyFault fault);

// The entropy source: words handed out in this order before the seeded generator's, and the
// number of words EntropyUpTo has read since Reset.
void QueueEntropyWords(const std::vector<uint32_t>& words);
int64_t EntropyWordsRead();
void FailNextCommit();  // the next CommitDataFile fails after writing, before the rename
void SkipFileSyncs();   // until Reset, files are committed without syncing to disk (long runs of draws)
using FileStep = sys::FileStep;
void FailNextFileStep(FileStep step, int error);  // that step of the next file written fails with errno error

// The environment and the permissions the game sees.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);  // nullopt: unset
void DenyWrite(const std::string& path);  // PathWritable answers 0 for it, as it would to an unprivileged player

// Paths.
std::string TempDir();  // the directory holding ExecutablePath()

// The last presented frame (or the back buffer while no frame was presented), as RGB.
int64_t FrameWidth();
int64_t FrameHeight();
Colour PixelAt(int64_t x, int64_t y);  // RGB(r, g, b), alpha 0
uint64_t FrameDigest();                // a hash of every pixel, for telling frames apart
bool SavePng(const std::string& path);
int64_t PresentedFrames();

// Presenting only what changed, as the desktop does where its driver can: while on, each
// PresentFrame asks the canvas's region finder for the changed rectangles and copies only those
// into a window image of its own (the whole frame after the screen opened, nothing when nothing
// changed), then counts the pixels where that window differs from the whole back buffer.
struct PartialPresentCounts {
  int64_t frames = 0;           // presents while on
  int64_t unchanged = 0;        // of them, frames identical to the last (nothing copied)
  int64_t changedPixels = 0;    // device pixels copied, over every frame
  int64_t differingPixels = 0;  // window pixels unlike the back buffer after a present, over every frame
};
void SetPartialPresent(bool on);  // off after Reset; turning it on starts from the whole frame
PartialPresentCounts PartialPresents();

}  // namespace headless
