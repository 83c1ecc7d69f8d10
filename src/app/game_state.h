// The game's data model: one struct holding every state field with its width and default, the
// one global instance, and the small helpers that keep the derived fields consistent.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>

// A field shared with the fanfare worker: atomic, yet copyable so the whole state can be reset
// with one assignment.
template <class T>
class SharedField {
 public:
  SharedField(T v = T{}) : value_(v) {}
  SharedField(const SharedField& other) : value_(other.value_.load()) {}
  SharedField& operator=(const SharedField& other) {
    value_.store(other.value_.load());
    return *this;
  }
  SharedField& operator=(T v) {
    value_.store(v);
    return *this;
  }
  operator T() const { return value_.load(); }

 private:
  std::atomic<T> value_;
};

struct Rect {
  int64_t x = 0, y = 0, w = 0, h = 0;
};

struct CardRecord {
  int8_t Picked[81] = {};
  int8_t Hit[81] = {};
  int64_t PickCount = 0;
  int64_t HitCount = 0;
};

struct BallAnim {
  int64_t Active = 0;
  int64_t Slot = 0;
  float Pos = 0;
  int64_t Target = 0;
  int64_t Across = 0;
  int64_t Frame = 0;
  float Speed = 0;
};

// Object numbers the game gives to its fonts, images and library.
enum : int64_t {
  FontNumberCell = 1,
  FontNumberButton,
  FontNumberTab,
  FontNumberBall,
  FontNumberOverlay,
  FontNumberHeading,
};
enum : int64_t { ImageNumberBallsPanel = 1, ImageNumberStarWhite, ImageNumberStarBlack };
enum : int64_t { SaveFileNumber = 1, SharedLibraryNumber = 1, GameWindow = 1 };

struct GameState {
  // Money, bet and pay mode.
  int64_t Balance = 1000;
  int64_t BetPerCard = 1;
  int64_t BetSelection = 1;
  int64_t DrawCost = 0;
  int64_t PayMode = 0;  // 0 GENEROUS, otherwise CASINO

  // Cards 1..4 (element 0 unused).
  CardRecord Cards[5];
  int8_t CardsPerNumber[81] = {};
  int64_t ProgressiveEligible = 0;

  // The draw.
  int64_t Drawing = 0;
  int64_t BallsToDraw = 0;
  int64_t BallsRevealed = 0;
  int64_t DrawOrder[21] = {};
  int8_t Drawn[81] = {};
  int64_t Speed = 3;
  int64_t RevealInterval = 550;
  int64_t LastRevealTime = 0;

  // Auto-run and the two hold gestures.
  int64_t AutoRun = 0;
  int64_t AutoPausePending = 0;
  int64_t AutoPauseStart = 0;
  int64_t DrawButtonDown = 0;
  int64_t DrawButtonDownTime = 0;
  int64_t DrawHoldFired = 0;
  int64_t SpaceDown = 0;
  int64_t SpaceHoldFired = 0;
  int64_t SpaceDownTime = 0;
  int64_t SpaceAction = 0;  // this frame: 0 nothing, 1 tap, 2 hold reached

  // Statistics of the set and of the player's lifetime.
  int64_t SetCost = 0;
  int64_t SetWon = 0;
  int64_t SetDraws = 0;
  int64_t CardWin[5] = {};
  int64_t CardNet[5] = {};
  int64_t CardWins[5] = {};
  int64_t CardLosses[5] = {};
  int64_t LifetimeGenWon = 0;
  int64_t LifetimeGenCost = 0;
  int64_t LifetimeCasWon = 0;
  int64_t LifetimeCasCost = 0;
  int64_t HeatCount[81] = {};

  // Progressive jackpot (the only 32-bit amounts).
  int32_t ProgressiveSeed = 25000;
  int32_t ProgressivePot = 25000;
  int32_t ProgressiveIncrement = 2;
  int64_t JackpotCard = 0;
  SharedField<int64_t> FanfareThread = 0;  // written by the worker as its last act

  // Screen, presentation and overlays.
  int64_t ActiveTab = 0;  // 0 Main, 1..4 Card n
  int64_t HeatMapOn = 0;
  int64_t PayTableOpen = 0;
  int64_t AboutOpen = 0;
  SharedField<int64_t> SoundOn = 1;  // read by the fanfare worker before each note
  std::string StatusMessage;
  int64_t StatusMessageTime = 0;
  int64_t ScreenW = 1280;
  int64_t ScreenH = 850;
  int64_t PrevLeftButton = 0;
  int64_t PrevRightButton = 0;
  int64_t QuitRequested = 0;

  // Layout (computed from the screen size).
  Rect DrawButtonRect, NewGameButtonRect, PayTableButtonRect, SpeedButtonRect, BetButtonRect, SoundButtonRect,
      AutoPickButtonRect, AboutButtonRect, TabBarRect, BoardRect;
  int64_t BallsPanelX = 0, BallsPanelY = 0, BallsPanelW = 0, BallsPanelH = 0;
  int64_t StatsPanelX = 0, StatsPanelY = 0, StatsPanelW = 0, StatsPanelH = 0;

  // Font and image handles (0 when missing) and the sizes the images were built for.
  int64_t FontCellNumber = 0, FontButton = 0, FontTab = 0, FontBall = 0, FontOverlay = 0, FontHeading = 0;
  int64_t BallsPanelImage = 0, BallsPanelImageW = 0, BallsPanelImageH = 0;
  int64_t StarImageWhite = 0, StarImageBlack = 0, StarImageSize = 0;

  // Ball drops down the tube: ball k of the draw is element k.
  BallAnim BallAnims[21];
  int64_t BallAnimCount = 0;
  int64_t BallAnimRunning = 0;
  int64_t AnimLastStep = 0;

  // Pay tables [spots][hits].
  int64_t PayGenerous[13][13] = {};
  int64_t PayCasino[13][13] = {};
  int64_t PayActive[13][13] = {};

  // Persistence.
  std::string SavePath;
  int64_t SavePending = 0;
  int64_t SaveRequestTime = 0;

  // Sound effects by tone key ("1200_60"), and the entropy source's state.
  std::unordered_map<std::string, int64_t> SoundEffects;
  int64_t CryptoRandomOpen = 0;
};

extern GameState Game;

int64_t PointInRect(int64_t x, int64_t y, int64_t w, int64_t h, int64_t px, int64_t py);
int64_t PointInRect(const Rect& r, int64_t px, int64_t py);
void ClearCard(int64_t c);
void ResetSet();
void ResetProgress();  // a fresh game's money, lifetime totals, bet, pay mode, pot and speed
void RecountCardsPerNumber();
void UpdateProgressiveEligible();
void SetActiveTab(int64_t t);
void CloseOverlays();
void StopAutoRun();  // AutoRun and AutoPausePending both 0
void RequestSave();
int64_t RandomOneTo(int64_t n);
