// The platform layer: every service the game takes from the machine, behind plain functions.
// Two back ends implement it (desktop: GTK/GLX/SDL; headless: offscreen, for tests). No toolkit
// type appears here. Objects (windows, fonts, images, sounds, files, libraries) are addressed by
// small numbers the game chooses, 1..63; reusing a number releases the old object first, and an
// operation on a number that holds nothing does nothing and returns 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Colour: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31 (alpha counts only where noted).
using Colour = uint32_t;
constexpr Colour RGB(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
constexpr Colour RGBA(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return RGB(r, g, b) | a << 24; }

enum DrawMode : int64_t {
  ModeOpaque,           // shapes filled with the colour, alpha ignored
  ModeTransparentText,  // text without a background
  ModeOutline,          // DrawRect/DrawCircle draw only a one-pixel outline
  ModeAlphaBlend,       // every colour is blended with the target by its alpha byte
};

enum class BoxResult : int64_t { Yes, No, Cancel, Dismissed };
constexpr int64_t BoxOk = 0, BoxYesNo = 1, BoxYesNoCancel = 2;             // button flags
constexpr int64_t BoxIconInfo = 4, BoxIconError = 8, BoxIconWarning = 16;  // icon flags

enum WindowEvent : int64_t { EventNone = 0, EventCloseWindow, EventSizeWindow, EventOther };
// Keys by the symbol on the player's layout (H is the letter H wherever it sits; the keypad's
// digits are the digits). The keys before KeyH give one press per press; the keys from KeyH on
// also give a press at each auto-repeat.
enum Key : int64_t {
  KeySpace,
  KeyEscape,
  KeyMarks,   // the V key
  KeySound,   // the M key
  KeyChart,   // the A key
  KeyHelp,    // F1
  KeyF10,     // F10 (with Shift, a right click)
  KeyMenu,    // the Menu key
  KeyDigit0,  // 0, the main row's or the keypad's; KeyDigit0 + n is the digit n
  KeyDigit1,
  KeyDigit2,
  KeyDigit3,
  KeyDigit4,
  KeyH,
  KeyLeft,
  KeyRight,
  KeyUp,
  KeyDown,
  KeyHome,
  KeyEnd,
  KeyPageUp,
  KeyPageDown,
  KeyEnter,
  KeyTab,  // Tab; with Shift (or as the desktop's left tab), backwards
  KeyCount
};
// True for the keys whose auto-repeat brings more presses while they are held.
constexpr bool KeyRepeats(int64_t key) { return key >= KeyH && key < KeyCount; }
// Buttons; a wheel step is a press edge of MouseWheelUp (away from the player) or MouseWheelDown
// with no release and no held state.
constexpr int64_t MouseLeft = 1, MouseRight = 2, MouseWheelUp = 3, MouseWheelDown = 4;
constexpr int64_t ScreenTarget = 0;  // BeginDrawing on the back buffer; images are 1..63
constexpr int64_t FontBold = 1, FontItalic = 2;
constexpr int64_t StrokeRound = 1;  // round line ends and joins; default is flat ends, mitre joins

// Bring-up and release of the whole layer (windows, fonts, images, sounds, files, audio).
bool InitPlatform();  // false without a display; the display's name and the reason are on standard error
void ReleasePlatform();
void SetDisplayLostOperation(void (*save)());  // run when the display connection is lost (files only), then exit 1

// Window and screen. The screen is a back buffer of exactly the window's inner size. Sizes and
// positions are logical pixels: on a high-density display the window has an integer scale factor
// and the screen holds that many device pixels per logical pixel in each direction.
int64_t OpenGameWindow(int64_t window, int64_t x, int64_t y, int64_t w, int64_t h, const char* title);
void SetWindowSizeLimits(int64_t window, int64_t minW, int64_t minH, int64_t maxW, int64_t maxH);  // -1: no max
void SetWindowBackground(int64_t window, Colour colour);
int64_t WindowInnerWidth(int64_t window);  // client size in logical pixels
int64_t WindowInnerHeight(int64_t window);
int64_t PollWindowEvent();  // next WindowEvent without blocking, EventNone when none; SIGTERM/INT/HUP: EventCloseWindow
                            // (EventSizeWindow also when the window's scale factor changes)
int64_t InitSprite();       // 0 on failure
int64_t OpenWindowedScreen(int64_t window, int64_t x, int64_t y, int64_t w, int64_t h);  // 0 on failure
void CloseDrawingScreen();
// Device pixels per logical pixel of the open screen (the window's scale factor when the screen
// was opened), 0 without a screen. Every coordinate the game passes is logical; only the
// drawing applies this factor.
int64_t ScreenScale();
void ClearBackBuffer(Colour colour);  // opaque fill of the whole back buffer
void PresentFrame();                  // shows the back buffer, never waits for the retrace

// Blocks until input, a window event or a signal arrives, or timeoutMs milliseconds have passed
// (-1: no timeout, 0: no wait). Returns at once while input the game has not taken yet, a window
// event it has not polled yet or a quit signal's close request is waiting.
void WaitForEvent(int64_t timeoutMs);

// 2D drawing inside a pass. A pass starts with a white pen and ModeOpaque.
int64_t BeginDrawing(int64_t target);  // ScreenTarget or an image; 0 when it cannot be drawn on
void EndDrawing();
void SetPenColor(Colour colour);
void SetDrawMode(int64_t mode);
void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h);
void DrawRect(int64_t x, int64_t y, int64_t w, int64_t h, Colour colour);  // also sets the pen
void DrawCircle(int64_t x, int64_t y, int64_t r);
void DrawCircle(int64_t x, int64_t y, int64_t r, Colour colour);  // also sets the pen
void DrawLineWH(int64_t x, int64_t y, int64_t w, int64_t h);      // (x,y) to (x+w-1,y+h-1); nothing if w or h is 0
void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
void SetFont(int64_t font);
void DrawString(double x, double y, std::string_view text);  // top-left corner at (x, y), pen colour
double StringWidth(std::string_view text);                   // pixels, with the current font
double StringHeight(std::string_view text);
void StampImage(int64_t image, int64_t x, int64_t y);  // composited by alpha when it has one

// Images and anti-aliased vector paths (for shapes rendered once and stamped afterwards).
int64_t CreateImageBuffer(int64_t image, int64_t w, int64_t h, int64_t depth, Colour fill = RGBA(0, 0, 0, 255));
void FreeImageBuffer(int64_t image);
int64_t BeginVectorDrawing(int64_t image);  // 0 on failure
void EndVectorDrawing();
void SetPathPaint(Colour rgba);
void PathMoveTo(double x, double y);
void PathLineTo(double x, double y);
void PathCircle(double x, double y, double r);
void StrokeCurrentPath(double width, int64_t options = 0);
void FillCurrentPath();

// Fonts, by family name and pixel size (one pixel per point).
int64_t LoadFontFace(int64_t font, const char* family, int64_t size, int64_t flags = 0);  // 0 on failure
void FreeFontFace(int64_t font);

// Keyboard and pointer: every press and release in order (NextInputEdge), and a snapshot of
// what is held now, taken once per frame. A modal box or a loss of focus drops the edges queued.
struct InputEdge {
  bool mouse;    // a mouse button or wheel step; otherwise a key
  int64_t code;  // MouseLeft, MouseRight, MouseWheelUp or MouseWheelDown, or a Key
  bool down;     // a press; otherwise a release (a wheel step is always a press)
  int64_t x, y;  // a mouse edge's pointer, as PointerX/PointerY; -1, -1 for a key
  bool repeat;   // a key's auto-repeat press while it is held (only for KeyRepeats keys)
  bool shift;    // a key edge made with Shift held
};
int64_t InitKeyboard();               // 0 on failure
int64_t InitMouse();                  // 0 on failure
bool NextInputEdge(InputEdge& edge);  // takes the oldest press or release not yet taken; false when none is left
void SampleKeyboard();
int64_t KeyHeld(int64_t key);      // non-zero while down in the current snapshot
int64_t KeyReleased(int64_t key);  // non-zero when released between the last two snapshots
void SampleMouse();
int64_t MouseButtonHeld(int64_t button);  // MouseLeft or MouseRight, down in the current snapshot
void FreePointer();
int64_t PointerX(int64_t window);  // client coordinates in logical pixels; -1 when outside the client area
int64_t PointerY(int64_t window);

// Modal boxes: they block until answered, then let pending window events run. A quit signal
// answers an open box as dismissed; after one, boxes answer at once without being shown.
BoxResult ShowMessageBox(const std::string& title, const std::string& text, int64_t flags);
std::string ShowInputBox(const std::string& title, const std::string& prompt,
                         const std::string& initial);  // "" when closed
// The desktop's own save dialog (through its portal where there is one), with suggestedName in
// the name field and a question before an existing file is replaced; the chosen file's path, ""
// when cancelled. A quit signal cancels it as it answers the boxes.
std::string ChooseExportFile(const std::string& title, const std::string& suggestedName);

// Sound. After a failed InitAudio every sound operation does nothing.
int64_t InitAudio();                                                          // 0 on failure
int64_t LoadSoundFromMemory(int64_t sound, const void* image, int64_t size);  // RIFF/WAVE image; 0 on failure
void PlaySoundEffect(int64_t sound);  // returns at once; restarts the same sound, mixes different ones; any thread

// Files. Little-endian; reads past the end yield 0.
int64_t CreateDataFile(int64_t file, const std::string& name);  // create or truncate for writing; 0 on failure
int64_t OpenDataFile(int64_t file, const std::string& name);    // existing file for reading; 0 on failure
void CloseDataFile(int64_t file);
int64_t CommitDataFile(int64_t file,
                       const std::string& target);  // flush to disk, close, rename over target; 0 on failure
int64_t DataFileLength(int64_t file);
void WriteU8(int64_t file, int64_t value);
void WriteBytes(int64_t file, std::string_view bytes);  // as that many WriteU8 would, in one call
int64_t ReadU8(int64_t file);
void WriteI32(int64_t file, int64_t value);   // low 32 bits
int64_t ReadI32(int64_t file);                // sign-extended
int64_t FileSizeOf(const std::string& name);  // -1 missing, -2 a directory
void RemoveFile(const std::string& name);
std::string ExecutablePath();
std::string DirectoryOf(const std::string& path);  // up to and including the last "/"
// A new file for writing named prefix + 6 unique characters, created exclusively (never an
// existing file, never through a link); its name, "" on failure. CommitDataFile puts it in place.
std::string CreateUniqueDataFile(int64_t file, const std::string& prefix);
int64_t RemoveUniqueDataFiles(
    const std::string& prefix);  // the plain files CreateUniqueDataFile(prefix) could have made; how many went
std::string ResolveLinks(
    const std::string& name);  // the file a chain of symbolic links ends at; the name itself when no link
int64_t PathWritable(
    const std::string& name);  // 1 when the player may write the file, or create and replace files in the folder
int64_t CreateFolder(const std::string& name);  // with its missing parents, mode 0700; 1 when it is a folder afterwards
constexpr int64_t LockTaken = 1, LockHeldElsewhere = 0, LockUnavailable = -1;
int64_t LockFileExclusive(
    const std::string& name);  // creates the file, takes its advisory lock until ReleasePlatform or exit
std::string
LastFileError();  // the system's words for why the last file operation failed, e.g. "No space left on device"

// The process's surroundings.
std::string EnvironmentVariable(const std::string& name);  // "" when unset
void WriteErrorLine(const std::string& line);              // one line on standard error

// Time, random numbers, workers, shared libraries.
int64_t NowMs();                            // milliseconds from an arbitrary zero
int64_t UtcNowMs();                         // wall-clock time: milliseconds since 1970-01-01T00:00:00Z (UTC)
int64_t LocalOffsetMinutes(int64_t utcMs);  // the local time zone's offset from UTC then; 0 (UTC) headless
void SleepMs(int64_t ms);                   // negative returns at once; cut short while the layer shuts down
int64_t RandomUpTo(int64_t max);            // uniform 0..max from a per-thread generator
int64_t OpenEntropySource();                // non-zero on success
int64_t EntropyUpTo(int64_t max);           // uniform 0..max from the entropy source; -1 when it cannot be read
void CloseEntropySource();
using WorkerProc = void (*)(int64_t argument);
int64_t StartWorker(WorkerProc proc, int64_t argument);  // detached thread, 1 MiB stack; 0 on failure
int64_t WorkerRunning(int64_t worker);
int64_t LoadSharedLibrary(int64_t library, const char* name);  // 0 when missing
void* LookupSymbol(int64_t library, const char* name);         // nullptr when missing
void UnloadSharedLibrary(int64_t library);

// What a screen reader sees of the painted screen: a list of items the game hands over whenever
// the screen's content changes. The desktop back end exposes them through the toolkit's
// accessibility layer; an action on an item arrives as a click in the ordered input (at the
// item's centre, or its left or right quarter for decrease and increase), dropped while a box
// is open.
enum AccessibleRole : int64_t {
  RolePushButton,
  RolePageTab,
  RolePageTabList,
  RoleTable,
  RoleTableCell,
  RolePanel,
  RoleLabel,
  RoleList,
  RoleListItem,
};
constexpr int64_t StateCheckable = 1, StateChecked = 2, StateSelectable = 4, StateSelected = 8;  // item states
constexpr int64_t ActionClick = 1, ActionMenu = 2, ActionDecrease = 4, ActionIncrease = 8;       // item actions
constexpr int64_t AccessibleNameBytes = 96, AccessibleDescriptionBytes = 160;
struct AccessibleItem {
  int64_t role = RoleLabel;
  int64_t parent = -1;                 // the index of the item holding it; -1: the game's drawing area
  int64_t x = 0, y = 0, w = 0, h = 0;  // logical pixels from the drawing area's top-left corner
  int64_t states = 0;                  // State* bits
  int64_t actions = 0;                 // Action* bits
  int64_t row = -1, column = -1;       // a table cell's place, from 0
  char name[AccessibleNameBytes] = {};
  char description[AccessibleDescriptionBytes] = {};
};
void SetAccessibleItems(const AccessibleItem* items, int64_t count);  // copied; replaces the last list
void SetAccessibleFocus(
    int64_t index);  // the item with the keyboard focus (a table cell: the table's active descendant); -1 none
void Announce(std::string_view text);  // spoken by a screen reader without moving its focus

// The desktop's window that lists every key of the game; it does not block, and a quit signal
// closes it like any box.
void ShowKeyboardShortcuts();
