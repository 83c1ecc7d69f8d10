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

// The game's counts. Cards, numbers, balls and picks count from 1: element 0 of the arrays
// indexed by them is unused.
constexpr int64_t CardCount = 4;  // cards 1..4, each with a tab after the Main tab
constexpr int64_t TabCount = CardCount + 1;
constexpr int64_t NumberCount = 80;   // numbers 1..80 on the board
constexpr int64_t BallsPerDraw = 20;  // balls drawn in a round
constexpr int64_t MaxPicks = 12;      // picks on one card at most (the pay tables' spots)
constexpr int64_t SpeedCount = 5;     // reveal speeds 1 (slowest) .. 5 (fastest)

// The game's timers, each a flag (or a condition) and the time it started, against these
// durations in milliseconds; the timer table (state/timers.h) names each such triple.
constexpr int64_t AnimStepMs = 16;         // between two steps of the balls' roll
constexpr int64_t MediumRevealMs = 550;    // between two reveals at the default speed
constexpr int64_t AutoPauseMs = 1500;      // auto-run's rest between draws at speeds 1..3
constexpr int64_t SaveDelayMs = 3000;      // from the last save request to the write
constexpr int64_t SaveCeilingMs = 10000;   // from the request that armed a save to the write at the latest
constexpr int64_t StatusMessageMs = 5000;  // how long the status line shows
constexpr int64_t HoldMs = 1000;           // a press of Draw or Space held this long starts auto-run

// What a fresh game starts from: the field initialisers, ResetProgress and the save file's
// repair of out-of-range values all take these, so a changed default changes everywhere at once.
constexpr int64_t DefaultBalance = 1000;           // dollars of a new player, and of a wipe
constexpr int64_t DefaultBet = 1;                  // dollars per card, the Bet control's position too
constexpr int64_t DefaultPayMode = 0;              // GENEROUS
// A pay schedule's name as the game shows it and the ledger stores it.
constexpr const char* ScheduleName(int64_t payMode) { return payMode == 0 ? "GENEROUS" : "CASINO"; }
constexpr int64_t DefaultSpeed = 3;                // Medium, whose reveals are MediumRevealMs apart
constexpr int64_t DefaultSoundOn = 1;              // sounds play
constexpr int32_t ProgressiveSeedDollars = 25000;  // the pot of a new game, and after it is won
constexpr int32_t ProgressiveGrowthDollars = 2;    // added per 10+ pick card at each draw

// Milliseconds from the time since to the time now.
constexpr int64_t ElapsedSince(int64_t since, int64_t now) { return now - since; }

struct Rect {
  int64_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

// One card: its picks; what a draw counts on it is kept in the record of the charge (ChargedCard).
// Written by the rules (card editing) and by the save file's loader.
struct CardRecord {
  int8_t Picked[NumberCount + 1] = {};  // 1 when number n is picked, else 0 (a save may hold 2)
  int64_t PickCount = 0;                // numbers picked, 0..MaxPicks (more only from a save)
};

// One card as a draw charged it: its picks then, and the hits the draw has counted among them.
struct ChargedCard {
  int8_t Picked[NumberCount + 1] = {};  // 1 when number n was picked at the charge, else 0
  int8_t Hit[NumberCount + 1] = {};     // 1 when that pick has been revealed: the draw counts it
  int64_t PickCount = 0;                // picks at the charge, 1..MaxPicks (more only from a save)
  int64_t HitCount = 0;                 // picks revealed so far, 0..PickCount
};

// One ball rolling down the tube; written by the balls tube (start and steps), cleared by the draw.
struct BallAnim {
  int64_t Active = 0;  // 1 while rolling, 0 once landed
  int64_t Slot = 0;    // the ball's place in the draw and its slot, 1..BallsPerDraw
  float Pos = 0;       // pixels down from the panel's top
  int64_t Target = 0;  // Pos of the slot it lands in
  int64_t Across = 0;  // x of the slot from the panel's left edge
  int64_t Frame = 0;   // animation steps taken (drives the wobble)
  float Speed = 0;     // pixels per animation step
};

// What a draw charged for, recorded right after the charge: settlement pays from it alone, so
// cards, the bet and the schedule may change while the balls are revealed and count from the next
// draw. Written by the rules at the draw's start and by its reveals.
struct ChargedDraw {
  int64_t Charged[CardCount + 1] = {};                // 1 for each card the draw charged (it had picks), else 0
  ChargedCard Cards[CardCount + 1];                   // each charged card's picks then, and the hits among them so far
  int64_t BetPerCard = 0;                             // dollars charged per card, 1..10
  int64_t PayMode = 0;                                // the schedule the cost was booked to: 0 GENEROUS, else CASINO
  int64_t PayTable[MaxPicks + 1][MaxPicks + 1] = {};  // that schedule's multipliers [spots][hits]
  // The draw's facts for its records (the ledger and the save), kept by the rules; app reads them.
  int64_t DrawId = 0;            // the ledger's number for the draw, 1.. (0 while it has none); app
  int64_t Cost = 0;              // dollars charged, BetPerCard x charged cards; rules
  int64_t BalanceBefore = 0;     // dollars before the charge (a refinance already added); rules
  int32_t PotBefore = 0;         // progressive pot before the charge fed it, dollars; rules
  int64_t End = 0;               // how the draw ended, a DrawEnd; rules at settlement, app at recovery
  int64_t Won = 0;               // dollars the settlement paid, prize and consolation included; rules
  int64_t ProgressivePrize = 0;  // dollars of the progressive pot it paid, 0 none; rules
  int64_t Consolation = 0;       // dollars of consolation it paid, 0 none; rules
};

// How a charged draw ended: still in flight, all its balls revealed, completed at once by an
// ending or New Game, or completed at the next start-up after the game was killed.
enum DrawEnd : int64_t { DrawInFlight = 0, DrawRevealed, DrawEnded, DrawRecovered };

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
enum : int64_t { SaveFileNumber = 1, ExportFileNumber = 2, SharedLibraryNumber = 1, GameWindow = 1 };
// What the status line reports, which gives its heading.
enum : int64_t { StatusConsolation = 0, StatusExport = 1 };

// Every field of the game, with its unit, its range and who writes it. Amounts are whole
// dollars. Times are NowMs() milliseconds. Flags are 0 or 1. "app" is start-up, the frame loop and
// input; "rules", "ui", "persist" and "sound" are the layers of those names.
struct GameState {
  // Money, bet and pay mode.
  int64_t Balance = DefaultBalance;   // dollars the player has; rules (charge, payouts, refinancing), persist
  int64_t BetPerCard = DefaultBet;    // dollars a draw charges each card with picks, 1..10; saved; app, persist
  int64_t BetSelection = DefaultBet;  // the Bet control's position, 1..10; app sets BetPerCard from it
  int64_t DrawCost = 0;               // dollars the current draw charged (BetPerCard x cards with picks); rules
  int64_t PayMode = DefaultPayMode;   // pay schedule in force: 0 GENEROUS, otherwise CASINO; rules, persist

  // Cards 1..CardCount (element 0 unused).
  CardRecord Cards[CardCount + 1];              // element c is card c; see CardRecord
  int8_t CardsPerNumber[NumberCount + 1] = {};  // cards picking number n, 0..CardCount; RecountCardsPerNumber
  int64_t ProgressiveEligible = 0;              // flag: some card has 10+ picks; UpdateProgressiveEligible

  // The draw.
  int64_t Drawing = 0;                       // flag: balls are being revealed; rules
  int64_t BallsToDraw = 0;                   // balls in the current draw, 0 or BallsPerDraw; rules
  int64_t BallsRevealed = 0;                 // balls shown so far, 0..BallsToDraw; rules
  int64_t DrawOrder[BallsPerDraw + 1] = {};  // the draw's numbers in reveal order, from element 0; rules
  int8_t Drawn[NumberCount + 1] = {};        // 1 when number n has been revealed in this draw; rules
  int64_t Speed = DefaultSpeed;              // reveal speed, 1..SpeedCount; app, persist
  int64_t RevealInterval = MediumRevealMs;   // ms between reveals, from Speed at each draw; rules
  int64_t LastRevealTime = 0;                // time of the last reveal; rules, app
  ChargedDraw Charge;                        // what the draw in flight, or the last one, charged for; rules

  // Auto-run and the two hold gestures.
  int64_t AutoRun = 0;             // flag: draws follow each other; app, rules stop it
  int64_t AutoPausePending = 0;    // flag: auto-run waits before its next draw; rules, app
  int64_t AutoPauseStart = 0;      // time the wait began; rules
  int64_t DrawButtonDown = 0;      // flag: the left button is held on the Draw button; app
  int64_t DrawButtonDownTime = 0;  // time that press began; app
  int64_t DrawHoldFired = 0;       // flag: that press has started auto-run; app
  int64_t SpaceDown = 0;           // flag: Space is held; app
  int64_t SpaceHoldFired = 0;      // flag: that press has started auto-run; app
  int64_t SpaceDownTime = 0;       // time that press began; app
  int64_t SpaceAction = 0;         // this frame: 0 nothing, 1 tap, 2 hold reached; app

  // Statistics of the set (since New Game) and of the player's lifetime, in dollars and draws.
  int64_t SetCost = 0;                      // dollars charged in this set; rules
  int64_t SetWon = 0;                       // dollars paid in this set; rules
  int64_t SetDraws = 0;                     // draws settled in this set; rules
  int64_t CardWin[CardCount + 1] = {};      // card c's payout in the last draw; rules
  int64_t CardNet[CardCount + 1] = {};      // card c's payouts minus its bets in this set; rules
  int64_t CardWins[CardCount + 1] = {};     // draws card c won in this set; rules
  int64_t CardLosses[CardCount + 1] = {};   // draws card c played and won nothing; rules
  int64_t LifetimeGenWon = 0;               // dollars won under GENEROUS, ever; rules, persist
  int64_t LifetimeGenCost = 0;              // dollars bet under GENEROUS, ever; rules, persist
  int64_t LifetimeCasWon = 0;               // dollars won under CASINO, ever; rules, persist
  int64_t LifetimeCasCost = 0;              // dollars bet under CASINO, ever; rules, persist
  int64_t HeatCount[NumberCount + 1] = {};  // times number n has been drawn since the last wipe; rules

  // Progressive jackpot (the only 32-bit amounts).
  int32_t ProgressiveSeed = ProgressiveSeedDollars;  // dollars the pot restarts from; constant
  int32_t ProgressivePot = ProgressiveSeedDollars;   // dollars in the pot, up to the int32 maximum; rules, persist
  int32_t ProgressiveIncrement = ProgressiveGrowthDollars;  // dollars each 10+ pick card adds per draw; constant
  int64_t JackpotCard = 0;                 // card the last draw announced (a progressive first), 0 none; rules
  SharedField<int64_t> FanfareThread = 0;  // the fanfare worker, 0 none; rules start it, it clears it last

  // Screen, presentation and overlays.
  int64_t ActiveTab = 0;                          // 0 Main, 1..CardCount Card n; app, rules (SetActiveTab)
  int64_t HighVisibilityMarks = 0;                // flag: cells and balls show shape marks too; app (V key, ledger)
  int64_t HeatMapOn = 0;                          // flag: the Main board shows the heat map; app
  int64_t PayTableOpen = 0;                       // flag: the pay table overlay is shown; app
  int64_t AboutOpen = 0;                          // flag: the About overlay is shown; app
  SharedField<int64_t> SoundOn = DefaultSoundOn;  // flag: sounds play; app, persist; read by the fanfare worker
  std::string StatusMessage;                      // the status line, "" none; rules and app set it, app clears it
  int64_t StatusMessageTime = 0;                  // time it was set; rules, app
  int64_t StatusKind = StatusConsolation;         // what StatusMessage reports (Status*); set with it
  int64_t ScreenW = 1280;                         // back buffer width in pixels, 0 to force a reopen; app
  int64_t ScreenH = 850;                          // back buffer height in pixels; app
  int64_t PrevLeftButton = 0;                     // flag: left button held in the last frame; app
  int64_t PrevRightButton = 0;                    // flag: right button held in the last frame; app
  int64_t QuitRequested = 0;                      // flag: the frame loop ends; app, rules (Out of Funds: No)

  // Layout in screen pixels, computed by ui (ComputeLayout) from ScreenW and ScreenH.
  Rect DrawButtonRect;  // the header band's eight buttons, left to right
  Rect NewGameButtonRect;
  Rect PayTableButtonRect;
  Rect SpeedButtonRect;
  Rect BetButtonRect;
  Rect SoundButtonRect;
  Rect AutoPickButtonRect;
  Rect AboutButtonRect;
  Rect TabBarRect;          // Main and the card tabs, TabCount equal widths
  Rect BoardRect;           // the 10 x 8 number board
  int64_t BallsPanelX = 0;  // the balls tube
  int64_t BallsPanelY = 0;
  int64_t BallsPanelW = 0;
  int64_t BallsPanelH = 0;
  int64_t StatsPanelX = 0;  // the stats panel
  int64_t StatsPanelY = 0;
  int64_t StatsPanelW = 0;
  int64_t StatsPanelH = 0;

  // Font and image handles (0 when missing) and the sizes the images were built for; ui.
  int64_t FontCellNumber = 0;    // board numbers
  int64_t FontButton = 0;        // control buttons and the numbers on the balls
  int64_t FontTab = 0;           // tab labels
  int64_t FontBall = 0;          // the tube's BALLS title
  int64_t FontOverlay = 0;       // overlay text
  int64_t FontHeading = 0;       // overlay headings
  int64_t BallsPanelImage = 0;   // the empty tube, stamped each frame
  int64_t BallsPanelImageW = 0;  // the panel size it was drawn for, pixels
  int64_t BallsPanelImageH = 0;
  int64_t StarImageWhite = 0;  // the asterisk marks of the board
  int64_t StarImageBlack = 0;
  int64_t StarImageSize = 0;  // their side, pixels

  // Ball drops down the tube: ball k of the draw is element k.
  BallAnim BallAnims[BallsPerDraw + 1];
  int64_t BallAnimCount = 0;    // balls rolling, 0..BallsPerDraw; ui, rules reset it
  int64_t BallAnimRunning = 0;  // flag: the animation timer runs; ui, rules reset it
  int64_t AnimLastStep = 0;     // time of the last animation step; ui, app

  // Pay tables [spots][hits] in dollars per dollar bet, 1..MaxPicks spots; rules.
  int64_t PayGenerous[MaxPicks + 1][MaxPicks + 1] = {};
  int64_t PayCasino[MaxPicks + 1][MaxPicks + 1] = {};
  int64_t PayActive[MaxPicks + 1][MaxPicks + 1] = {};  // a copy of the schedule PayMode names

  // Persistence.
  std::string SavePath;          // the save file's path; persist at start-up (ClaimSaveFile)
  std::string SaveLoadPath;      // the file start-up reads when it is not SavePath (a save carried over); persist
  int64_t SavePending = 0;       // flag: a debounced save is armed; RequestSave, app
  int64_t SaveRequestTime = 0;   // time of the last request; RequestSave
  int64_t SaveArmTime = 0;       // time of the request that armed the pending save; RequestSave
  int64_t SaveLoaded = 0;        // flag: start-up has read the save, so a save may replace it; LoadGame
  int64_t SaveFailureShown = 0;  // flag: this run's one failed-save box has been shown; persist
  int64_t SaveFailuresToStandardError = 0;  // flag: failed saves go to standard error (no box can show); persist
  int64_t HistoryTotalsPending = 0;  // flag: the history's totals are being summed, a slice a frame; app/history

  // Sound effects by tone key ("1200_60"), and the entropy source's state.
  std::unordered_map<std::string, int64_t> SoundEffects;  // tone key to sound number; sound
  int64_t CryptoRandomOpen = 0;                           // flag: the entropy source is open; app
};

extern GameState Game;

int64_t PointInRect(int64_t x, int64_t y, int64_t w, int64_t h, int64_t px, int64_t py);
int64_t PointInRect(const Rect& r, int64_t px, int64_t py);
void ClearCard(int64_t c);
void ResetSet();
void ResetSetStatistics();  // the drawn marks and the set's and cards' statistics; picks stay
void ResetProgress();  // a fresh game's money, lifetime totals, bet, pay mode, pot and speed
bool AnyCardHasPicks();
void RecountCardsPerNumber();
void UpdateProgressiveEligible();
void SetActiveTab(int64_t t);
void CloseOverlays();
void StopAutoRun();  // AutoRun and AutoPausePending both 0
void RequestSave();
int64_t RandomOneTo(int64_t n);
