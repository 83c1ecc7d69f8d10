// Start-up, the frame loop with its five timers from the timer table, frame rendering and shutdown.
#include "app/game.h"

#include <string>

#include "app/focus.h"
#include "app/history.h"
#include "app/input.h"
#include "app/records.h"
#include "app/rest.h"
#include "persist/ledger.h"
#include "persist/save_file.h"
#include "persist/save_location.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "state/timers.h"
#include "ui/accessible.h"
#include "ui/palette.h"
#include "ui/ui.h"

namespace {

constexpr const char* WindowTitle = "Brindlemark by Vorbel 6.40";

// An installed build keeps its save in the player's data folder, never beside the program.
#if defined(KENO_INSTALLED) && KENO_INSTALLED
constexpr bool InstalledBuild = true;
#else
constexpr bool InstalledBuild = false;
#endif

// Declares high-resolution awareness where the Windows user library exists. It stays in the
// start-up sequence, where it comes before the audio; on Linux the library is missing, the lookup
// fails quietly and the window's scale factor gives sharp drawing instead.
void DeclareHighResolutionAwareness() {
  if (!LoadSharedLibrary(SharedLibraryNumber, "User32.dll")) return;
  if (void* perMonitor = LookupSymbol(SharedLibraryNumber, "SetProcessDpiAwarenessContext")) {
    reinterpret_cast<int (*)(intptr_t)>(perMonitor)(-4);
  } else if (void* systemAware = LookupSymbol(SharedLibraryNumber, "SetProcessDPIAware")) {
    reinterpret_cast<int (*)()>(systemAware)();
  }
  UnloadSharedLibrary(SharedLibraryNumber);
}

// The save when the display connection is lost: the process ends right after it, so a failure is
// told on standard error. A draw in flight is completed first, into the ledger and the save.
// SaveGame refuses before start-up has read the save file, and in a copy that gives way to
// another, so defaults never overwrite the player's file.
void SaveAtDisplayLoss() {
  ReportSaveFailuresOnStandardError();
  CompleteDrawNow(DrawEnded);
  SaveGame();
}

bool FailSetup(const char* text) {
  ShowMessageBox("Error", text, BoxOk);
  return false;
}

std::string WelcomeText() {
  return "Pick 1-12 numbers on one or more cards, then click Draw Numbers.\n\n"
         "  - 20 balls are drawn each round.\n"
         "  - Each active card costs $" +
         std::to_string(Game.BetPerCard) +
         " per draw.\n"
         "  - Hold Draw button 1 second to start auto-drawing.\n"
         "Current balance: $" +
         std::to_string(Game.Balance);
}

// Reopens the screen when the window's inner size differs from the screen's, or after a size
// event (which a change of the window's scale factor also raises), with the layout and fonts for
// the new size; a failure keeps the old sizes so the next frame tries again.
void FollowWindowSize() {
  int64_t cw = WindowInnerWidth(GameWindow);
  int64_t ch = WindowInnerHeight(GameWindow);
  if (cw <= 0 || ch <= 0) return;
  if (cw == Game.ScreenW && ch == Game.ScreenH && Game.ScreenW != 0) return;
  const int64_t oldScale = ScreenScale();
  CloseDrawingScreen();
  if (!OpenWindowedScreen(GameWindow, 0, 0, cw, ch)) return;
  Game.ScreenW = cw;
  Game.ScreenH = ch;
  // Images hold device pixels: at a new scale they are made again even where their size stays.
  if (ScreenScale() != oldScale) {
    Game.StarImageSize = 0;
    Game.BallsPanelImageW = 0;
  }
  // Fonts first: the layout rebuilds the balls tube image, whose title is drawn in a font whose
  // size follows the screen height.
  LoadFonts();
  ComputeLayout();
  SetWindowBackground(GameWindow, BackgroundColour);
}

}  // namespace

bool SetupGame() {
  // The save file is claimed before any window opens, so that a second copy of the game on the
  // same save only says so and ends.
  if (!ClaimSaveFile(InstalledBuild)) return false;
  const double scale = 1.0;
  const int64_t w = static_cast<int64_t>(1280 * scale);
  const int64_t h = static_cast<int64_t>(850 * scale);
  OpenGameWindow(GameWindow, 0, 0, w + 2, h + 52, WindowTitle);
  SetWindowSizeLimits(GameWindow, w, h + 52, -1, -1);

  if (!InitSprite()) return FailSetup("InitSprite() failed.");
  if (!InitKeyboard()) return FailSetup("InitKeyboard() failed.");
  if (!InitMouse()) return FailSetup("InitMouse() failed.");

  const int64_t innerW = WindowInnerWidth(GameWindow);
  const int64_t innerH = WindowInnerHeight(GameWindow);
  if (!OpenWindowedScreen(GameWindow, 0, 0, innerW, innerH)) return FailSetup("OpenWindowedScreen() failed.");
  Game.ScreenW = innerW;
  Game.ScreenH = innerH;
  SetWindowBackground(GameWindow, BackgroundColour);

  LoadFonts();
  BuildSoundEffects();
  if (OpenEntropySource()) Game.CryptoRandomOpen = 1;
  InitPayTables();
  ResetSet();
  ResetFocus();
  LoadGame();
  ApplyPayMode();
  RecountCardsPerNumber();
  UpdateProgressiveEligible();
  Game.BetSelection = Game.BetPerCard;
  if (Game.BetSelection < 1 || Game.BetSelection > 10) {
    Game.BetSelection = DefaultBet;
    Game.BetPerCard = DefaultBet;
  }
  ComputeLayout();
  BuildBallsPanelImage(Game.BallsPanelW, Game.BallsPanelH);
  RenderFrame();
  // The ledger's boxes (a history set aside, a draw completed after a kill) come before the welcome.
  OpenRecords();
  StartHistoryTotals();

  SetActiveTab(1);
  if (AnyCardHasPicks()) {
    SetActiveTab(0);
  } else {
    ShowMessageBox("Welcome to Keno!", WelcomeText(), BoxOk);
  }
  return true;
}

bool StartUp() {
  if (!InitPlatform()) return false;
  DeclareHighResolutionAwareness();
  if (!InitAudio()) {
    ShowMessageBox("Keno", "Warning: Sound system could not be initialized.\r\nSounds will be disabled.",
                   BoxIconWarning);
  }
  Game = GameState{};
  // A game started again in the same process (the tests do) opens with no overlay or recall.
  History = HistoryState{};
  Recall = RecallState{};
  ResetAccessibleItems();
  SetSaveNowOperation([] { SaveGame(); });
  SetBookOperation(WriteRecords);
  SetDisplayLostOperation(SaveAtDisplayLoss);
  if (!SetupGame()) {
    ReleasePlatform();
    return false;
  }
  return true;
}

namespace {

// What a frame timer does when it falls due; the holds fire in the input step.
void FireTimer(TimerId timer, int64_t now) {
  switch (timer) {
    case TimerReveal:
      Game.LastRevealTime = now;
      if (RevealStep()) StartBallAnim();
      break;
    case TimerBallStep:
      Game.AnimLastStep = now;
      StepBallAnims();
      break;
    case TimerAutoPause:
      Game.AutoPausePending = 0;
      if (Game.AutoRun == 1) StartDraw();
      break;
    case TimerSave:
      Game.SavePending = 0;
      SaveGame();
      break;
    case TimerStatusMessage:
      Game.StatusMessage.clear();
      break;
    case TimerHistoryTotals:
      SumHistoryTotalsSlice();
      break;
    case TimerDrawHold:
    case TimerSpaceHold:
    case TimerCount:
      break;
  }
}

}  // namespace

// Fires at most one step of each frame timer, in the table's order, each judged on the state the
// ones before it left.
void UpdateFrame() {
  const int64_t now = NowMs();
  for (int64_t t = 0; t < FrameTimerCount; ++t) {
    const auto timer = static_cast<TimerId>(t);
    if (TimerDue(timer, Game, now)) FireTimer(timer, now);
  }
}

namespace {

// What the tab strip, the board and the tube of a recalled draw are drawn from: the draw,
// recall's tab, the marks, the focus ring on a tab and the screen's geometry. Nothing else paints
// those regions while a draw is recalled (the overlays close, the focus leaves the board), so
// while this stays the same the screen still holds them from the frame before and they are not
// drawn again.
struct RecalledBoardKey {
  int64_t drawId = 0, tab = 0, marks = 0, screenW = 0, screenH = 0, scale = 0, tubeImage = 0;
  int64_t tabRing = -1;  // the tab the focus ring is drawn on, -1 none: it moves over these regions
  Rect board, tube, tabs;
  bool operator==(const RecalledBoardKey&) const = default;
};
RecalledBoardKey recalledBoard;  // drawn last; drawId 0 when the live board was

// True when this frame's board and tube are the recalled ones the screen already shows.
bool RecalledBoardStillShown() {
  RecalledBoardKey now;
  if (Recall.Open == 1) {
    now.drawId = Recall.DrawId;
    now.tab = Recall.Tab;
    now.marks = Game.HighVisibilityMarks;
    now.screenW = Game.ScreenW;
    now.screenH = Game.ScreenH;
    now.scale = ScreenScale();
    now.tubeImage = Game.BallsPanelImage;
    now.tabRing = Focus.Visible == 1 && Focus.Group == FocusTabs ? Focus.Tab : -1;
    now.board = Game.BoardRect;
    now.tube = Rect{Game.BallsPanelX, Game.BallsPanelY, Game.BallsPanelW, Game.BallsPanelH};
    now.tabs = Game.TabBarRect;
  }
  const bool same = now.drawId != 0 && now == recalledBoard;
  recalledBoard = now;
  return same;
}

}  // namespace

void RenderFrame() {
  FollowWindowSize();
  // The header band, the panels, the board and the bottom strip paint every pixel of the screen,
  // so the background clear only shows when the frame cannot be drawn; clearing the whole back
  // buffer first would be invisible work in every frame.
  if (!BeginDrawing(ScreenTarget)) {
    ClearBackBuffer(BackgroundColour);
    PresentFrame();
    return;
  }
  SetDrawMode(ModeOpaque);
  DrawRect(0, 0, Game.ScreenW, 120, HeaderColour);

  DrawDrawButton();
  // The recall banner covers every control but Draw: they are not drawn under it.
  if (Recall.Open == 0) {
    DrawNewGameButton();
    DrawPayTableButton();
    DrawSpeedControl();
    DrawBetControl();
    DrawSoundButton();
    DrawAutoPickButton();
    DrawAboutButton();
  }
  // In recall the board, tube and card rows show the past draw's view, with recall's own tab.
  // The live view is filled in recall too: the screen reader hears the live draw go on.
  DrawView live;
  FillLiveDrawView(live);
  const DrawView& view = Recall.Open == 1 ? Recall.View : live;
  const int64_t tab = Recall.Open == 1 ? Recall.Tab : Game.ActiveTab;
  DrawStatsPanel(view);
  const Rect& b = Game.BoardRect;
  // A hit's cross reaches a pixel above its cell into the tab strip, so the two go together.
  if (!RecalledBoardStillShown()) {
    DrawTabs(tab, view.HeatMap != 0);
    if (tab == 0) {
      DrawBoard(b.x, b.y, b.w, b.h, 0, 0, view);
    } else {
      DrawBoard(b.x, b.y, b.w, b.h, 1, tab, view);
    }
    DrawBallsPanel(view);
  }
  DrawRecallBanner();
  DrawPayTableOverlay();
  DrawAboutOverlay();
  KeepBalanceChart();
  DrawHistoryOverlay();
  ShowFocus();
  UpdateAccessibleItems(view, live);

  // The panels end 12 pixels above the bottom; this strip hides anything reaching below.
  SetDrawMode(ModeOpaque);
  SetPenColor(BackgroundColour);
  DrawRect(0, Game.ScreenH - 12, Game.ScreenW, 12);
  EndDrawing();
  PresentFrame();
}

bool RunFrame() {
  while (Game.QuitRequested != 1) {
    const int64_t event = PollWindowEvent();
    if (event == EventNone) break;
    if (event == EventCloseWindow) Game.QuitRequested = 1;
    if (event == EventSizeWindow) {
      Game.ScreenW = 0;
      Game.ScreenH = 0;
    }
  }
  if (Game.QuitRequested == 1) return false;
  UpdateFrame();
  HandleInput();
  RenderFrame();
  return true;
}

void Shutdown() {
  CompleteDrawNow(DrawEnded);
  SaveGame();
  CloseLedger();
  if (Game.CryptoRandomOpen == 1) CloseEntropySource();
  CloseDrawingScreen();
  // ReleasePlatform stops a fanfare worker that is still playing before the audio device goes.
  ReleasePlatform();
}

int RunGame() {
  // Without a display there is nowhere to show an error box; the platform said why on standard
  // error, and a launcher must not take the ending for success.
  if (!InitPlatform()) return 1;
  if (!StartUp()) return 0;
  // No game rule counts frames: every timed behaviour compares NowMs with a stored time. So after
  // each frame the loop may sleep until the earliest of those times or the next event, and a
  // board waiting for the player costs no CPU; while anything moves the deadlines are at most a
  // ball step away, or already past, and frames follow each other as fast as they are drawn.
  while (RunFrame()) RestUntilNextChange();
  Shutdown();
  return 0;
}
