// The global game state and the helpers that keep its derived fields consistent.
#include "state/game_state.h"

#include "platform/platform.h"

GameState Game;

int64_t PointInRect(int64_t x, int64_t y, int64_t w, int64_t h, int64_t px, int64_t py) {
  return (px >= x && px < x + w && py >= y && py < y + h) ? 1 : 0;
}

int64_t PointInRect(const Rect& r, int64_t px, int64_t py) { return PointInRect(r.x, r.y, r.w, r.h, px, py); }

void ClearCard(int64_t c) {
  CardRecord& card = Game.Cards[c];
  for (int n = 1; n <= NumberCount; ++n) card.Picked[n] = 0;
  card.PickCount = 0;
}

// Starts a new set: picks, drawn marks and set statistics go; money, lifetime totals, the pot,
// settings, the last draw's balls, the heat counts and the status line stay.
void ResetSet() {
  for (int n = 1; n <= NumberCount; ++n) Game.CardsPerNumber[n] = 0;
  Game.DrawCost = 0;
  for (int c = 1; c <= CardCount; ++c) ClearCard(c);
  ResetSetStatistics();
  Game.ProgressiveEligible = 0;
}

// Clears the drawn marks and the set's statistics, its own and every card's.
void ResetSetStatistics() {
  for (int n = 1; n <= NumberCount; ++n) Game.Drawn[n] = 0;
  Game.SetDraws = 0;
  Game.SetWon = 0;
  Game.SetCost = 0;
  for (int c = 1; c <= CardCount; ++c) {
    Game.CardWin[c] = 0;
    Game.CardNet[c] = 0;
    Game.CardWins[c] = 0;
    Game.CardLosses[c] = 0;
  }
}

// What a fresh game starts from, for the saved progress a wipe or a bad save file throws away.
void ResetProgress() {
  Game.Balance = DefaultBalance;
  Game.LifetimeGenWon = 0;
  Game.LifetimeGenCost = 0;
  Game.LifetimeCasWon = 0;
  Game.LifetimeCasCost = 0;
  Game.BetPerCard = DefaultBet;
  Game.PayMode = DefaultPayMode;
  Game.ProgressivePot = Game.ProgressiveSeed;
  Game.Speed = DefaultSpeed;
}

// Whether a draw has anything to play: some card holds at least one pick.
bool AnyCardHasPicks() {
  for (int c = 1; c <= CardCount; ++c)
    if (Game.Cards[c].PickCount > 0) return true;
  return false;
}

void RecountCardsPerNumber() {
  for (int n = 1; n <= NumberCount; ++n) {
    int8_t count = 0;
    for (int c = 1; c <= CardCount; ++c) count += Game.Cards[c].Picked[n] ? 1 : 0;
    Game.CardsPerNumber[n] = count;
  }
}

void UpdateProgressiveEligible() {
  Game.ProgressiveEligible = 0;
  for (int c = 1; c <= CardCount; ++c)
    if (Game.Cards[c].PickCount >= 10) Game.ProgressiveEligible = 1;
}

// Selecting a card tab hides the heat map, which belongs to the Main view.
void SetActiveTab(int64_t t) {
  Game.ActiveTab = t;
  if (t >= 1 && Game.HeatMapOn == 1) Game.HeatMapOn = 0;
}

void CloseOverlays() {
  Game.PayTableOpen = 0;
  Game.AboutOpen = 0;
}

void StopAutoRun() {
  Game.AutoRun = 0;
  Game.AutoPausePending = 0;
}

// Arms the debounced save; the frame update writes the file SaveDelayMs after the last request, or
// SaveCeilingMs after the request that armed it when requests keep coming.
void RequestSave() {
  const int64_t now = NowMs();
  if (Game.SavePending == 0) Game.SaveArmTime = now;
  Game.SavePending = 1;
  Game.SaveRequestTime = now;
}

// A uniform 1..n from the entropy source when it is open, else from the platform generator. A
// read failure of the entropy source also falls back, so a draw can always complete.
int64_t RandomOneTo(int64_t n) {
  int64_t r = -1;
  if (Game.CryptoRandomOpen == 1) r = EntropyUpTo(n - 1);
  if (r < 0) r = RandomUpTo(n - 1);
  r += 1;
  if (r < 1) r = 1;
  if (r > n) r = n;
  return r;
}
