// Settlement of a finished draw: card payouts, statistics, fanfares, the jackpot announcements,
// the progressive prize and the consolation prize.
#include <cstdint>
#include <string>
#include <utility>

#include "state/game_state.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"

namespace {

constexpr int64_t ConsolationPrize = 1000;

// Books an amount won to the lifetime total of the schedule the draw's cost was booked to.
void BookLifetimeWin(int64_t amount) {
  if (Game.Charge.PayMode == 0) {
    Game.LifetimeGenWon += amount;
  } else {
    Game.LifetimeCasWon += amount;
  }
}

// Starts a fanfare unless the previous one is still playing; nothing is queued.
void StartFanfare(WorkerProc worker) {
  const int64_t running = Game.FanfareThread;
  if (running != 0 && WorkerRunning(running) != 0) return;
  Game.FanfareThread = StartWorker(worker, 0);
}

// The opening lines of both jackpot boxes.
std::string MatchedAllText(int64_t card) {
  return "Card " + std::to_string(card) + " matched ALL " + std::to_string(Game.Charge.Cards[card].PickCount) +
         " numbers!\n\n";
}

// Pays $1000 split over the charged cards when each of them was charged with 7 or more picks,
// none of those was hit and together they cover at least 15 numbers; the share per card, 0 when
// nothing was paid.
int64_t PayConsolation() {
  const ChargedDraw& charge = Game.Charge;
  int64_t cardsWithPicks = 0;
  bool allSevenPlus = true;
  int64_t totalHits = 0;
  for (int c = 1; c <= CardCount; ++c) {
    if (charge.Charged[c] == 0) continue;
    ++cardsWithPicks;
    if (charge.Cards[c].PickCount < 7) allSevenPlus = false;
    totalHits += charge.Cards[c].HitCount;
  }
  if (cardsWithPicks == 0) allSevenPlus = false;
  int64_t distinct = 0;
  for (int n = 1; n <= NumberCount; ++n) {
    bool picked = false;
    for (int c = 1; c <= CardCount; ++c) picked = picked || charge.Cards[c].Picked[n] != 0;
    distinct += picked ? 1 : 0;
  }
  if (!allSevenPlus || totalHits != 0 || distinct < 15) return 0;

  const int64_t share = ConsolationPrize / cardsWithPicks;
  int64_t rest = ConsolationPrize - share * cardsWithPicks;
  for (int c = 1; c <= CardCount; ++c) {
    if (charge.Charged[c] == 0 || charge.Cards[c].PickCount < 7) continue;
    int64_t amount = share;
    if (rest > 0) {
      amount += 1;
      rest -= 1;
    }
    Game.CardWin[c] += amount;
    Game.CardNet[c] += amount;
    Game.CardWins[c] += 1;
    Game.Balance += amount;
    Game.SetWon += amount;
    Game.Charge.Consolation += amount;
    BookLifetimeWin(amount);
  }
  return share;
}

// The status line of a paid consolation.
void ShowConsolation(int64_t share) {
  // Built by appending: GCC 12 at -O3 raises a false -Wrestrict inside std::string for
  // `"literal" + std::string&&`, which inserts at the front (GCC bug 105329).
  std::string message = "$";
  message += std::to_string(share);
  message += "/card consolation paid";
  Game.StatusMessage = std::move(message);
  Game.StatusMessageTime = NowMs();
  Game.StatusKind = StatusConsolation;
}

// What the payouts found: a card won, a card matched all its picks, a 10+ pick card did.
struct DrawOutcome {
  bool anyWin = false;
  bool anyFullMatch = false;
  bool progressiveHit = false;
  int64_t consolationShare = 0;  // dollars per card of a consolation paid, 0 none
};

// Pays the cards the draw charged, by their picks then and the hits among them, at the bet and
// from the table of the start, and books the set, card and lifetime statistics; an uncharged
// card gets nothing and books nothing. Only a card of 1..MaxPicks picks can match them all. A
// full match of 10+ picks wins the progressive and is the JackpotCard; without one, the last
// full match of 5+ picks is.
DrawOutcome PayCards() {
  const ChargedDraw& charge = Game.Charge;
  DrawOutcome outcome;
  int64_t progressiveCard = 0;
  for (int c = 1; c <= CardCount; ++c) {
    Game.CardWin[c] = 0;
    if (charge.Charged[c] == 0) continue;
    const int64_t spots = charge.Cards[c].PickCount;
    const int64_t hits = charge.Cards[c].HitCount;
    int64_t win = 0;
    if (spots >= 1 && spots <= MaxPicks && hits >= 0 && hits <= spots)
      win = charge.PayTable[spots][hits] * charge.BetPerCard;
    Game.CardWin[c] = win;
    BookLifetimeWin(win);
    Game.SetWon += win;
    Game.Balance += win;
    Game.CardNet[c] += win - charge.BetPerCard;
    if (win > 0) {
      Game.CardWins[c] += 1;
      outcome.anyWin = true;
    } else {
      Game.CardLosses[c] += 1;
    }
    if (spots >= 1 && spots <= MaxPicks && hits == spots) {
      outcome.anyFullMatch = true;
      if (spots >= 10) {
        outcome.progressiveHit = true;
        progressiveCard = c;
      }
      if (spots >= 5) Game.JackpotCard = c;
    }
  }
  if (outcome.progressiveHit) Game.JackpotCard = progressiveCard;
  return outcome;
}

// The fanfare for a win or a full match, then the box for the progressive pot (which it pays
// out) or for the jackpot card; either box stops auto-run and shows the card.
void Announce(const DrawOutcome& outcome) {
  if (outcome.anyFullMatch) {
    StartFanfare(JackpotFanfareWorker);
  } else if (outcome.anyWin) {
    StartFanfare(WinFanfareWorker);
  }

  const int64_t card = Game.JackpotCard;
  if (outcome.progressiveHit) {
    // The pot may sit at the top of its 32 bits, so the total is summed in 64.
    const int64_t prize = Game.Charge.ProgressivePrize;
    const int64_t total = prize + Game.CardWin[card];
    StopAutoRun();
    SetActiveTab(card);
    ShowMessageBox("PROGRESSIVE JACKPOT HIT!!!",
                   MatchedAllText(card) + "You win the PROGRESSIVE JACKPOT of $" + std::to_string(prize) +
                       "!\nTotal payout this draw: $" + std::to_string(total),
                   BoxOk);
  } else if (card > 0) {
    StopAutoRun();
    SetActiveTab(card);
    ShowMessageBox(
        "JACKPOT!",
        MatchedAllText(card) + "Payout: $" + std::to_string(Game.CardWin[card]) + "\nAuto-draw has been stopped.",
        BoxOk);
  }
  if (outcome.consolationShare > 0) ShowConsolation(outcome.consolationShare);
}

// Pays the draw: its cards, the progressive pot for a full match of 10+ picks, else the
// consolation; books the statistics and leaves what was paid in Game.Charge.
DrawOutcome PayDraw() {
  ChargedDraw& charge = Game.Charge;
  Game.JackpotCard = 0;
  charge.Won = 0;
  charge.ProgressivePrize = 0;
  charge.Consolation = 0;
  DrawOutcome outcome = PayCards();
  if (outcome.progressiveHit) {
    charge.ProgressivePrize = Game.ProgressivePot;
    Game.Balance += charge.ProgressivePrize;
    BookLifetimeWin(charge.ProgressivePrize);
    Game.ProgressivePot = Game.ProgressiveSeed;
  }
  if (!outcome.anyWin) outcome.consolationShare = PayConsolation();
  charge.Won = charge.ProgressivePrize;
  for (int c = 1; c <= CardCount; ++c) charge.Won += Game.CardWin[c];
  return outcome;
}

}  // namespace

// Settles the draw whose twentieth ball has just been shown from what it charged for; cards,
// the bet and the schedule changed since its start count from the next draw. The records are
// written before anything is announced, so a box left open loses nothing.
void SettleDraw() {
  const DrawOutcome outcome = PayDraw();
  Game.Charge.End = DrawRevealed;
  ReportToBook(BookEvent::Settled);
  Announce(outcome);
}

void SettleDrawQuietly() { PayDraw(); }
