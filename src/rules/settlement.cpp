// Settlement of a finished draw: card payouts, statistics, fanfares, the jackpot announcements,
// the progressive prize and the consolation prize.
#include <cstdint>
#include <string>

#include "app/game_state.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"

namespace {

constexpr int64_t ConsolationPrize = 1000;

// Books an amount won to the lifetime total of the schedule in force.
void BookLifetimeWin(int64_t amount) {
  if (Game.PayMode == 0) {
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
  return "Card " + std::to_string(card) + " matched ALL " + std::to_string(Game.Cards[card].PickCount) +
         " numbers!\n\n";
}

// Pays $1000 split over the cards when every card with picks has 7 or more, none of them hit
// anything and together they cover at least 15 numbers.
void PayConsolation() {
  int64_t cardsWithPicks = 0;
  bool allSevenPlus = true;
  int64_t totalHits = 0;
  for (int c = 1; c <= CardCount; ++c) {
    const CardRecord& card = Game.Cards[c];
    if (card.PickCount > 0) {
      ++cardsWithPicks;
      if (card.PickCount < 7) allSevenPlus = false;
    }
    totalHits += card.HitCount;
  }
  if (cardsWithPicks == 0) allSevenPlus = false;
  int64_t distinct = 0;
  for (int n = 1; n <= NumberCount; ++n) {
    bool picked = false;
    for (int c = 1; c <= CardCount; ++c) picked = picked || Game.Cards[c].Picked[n] != 0;
    distinct += picked ? 1 : 0;
  }
  if (!allSevenPlus || totalHits != 0 || distinct < 15) return;

  const int64_t share = ConsolationPrize / cardsWithPicks;
  int64_t rest = ConsolationPrize - share * cardsWithPicks;
  for (int c = 1; c <= CardCount; ++c) {
    if (Game.Cards[c].PickCount < 7) continue;
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
    BookLifetimeWin(amount);
  }
  Game.StatusMessage = "$" + std::to_string(share) + "/card consolation paid";
  Game.StatusMessageTime = NowMs();
  RequestSave();
}

// What the payouts found: a card won, a card matched all its picks, a 10+ pick card did.
struct DrawOutcome {
  bool anyWin = false;
  bool anyFullMatch = false;
  bool progressiveHit = false;
};

// Pays every card from the active pay table at the current bet and books the set, card and
// lifetime statistics; a full match of 5+ picks becomes the JackpotCard.
DrawOutcome PayCards() {
  DrawOutcome outcome;
  for (int c = 1; c <= CardCount; ++c) {
    const int64_t spots = Game.Cards[c].PickCount;
    const int64_t hits = Game.Cards[c].HitCount;
    int64_t win = 0;
    if (spots >= 1 && spots <= MaxPicks && hits >= 0 && hits <= spots)
      win = Game.PayActive[spots][hits] * Game.BetPerCard;
    Game.CardWin[c] = win;
    BookLifetimeWin(win);
    Game.SetWon += win;
    Game.Balance += win;
    if (spots > 0) {
      Game.CardNet[c] += win - Game.BetPerCard;
      if (win > 0) Game.CardWins[c] += 1;
    }
    if (win > 0) {
      outcome.anyWin = true;
    } else if (spots > 0) {
      Game.CardLosses[c] += 1;
    }
    if (spots >= 1 && hits == spots) {
      outcome.anyFullMatch = true;
      if (spots >= 5) Game.JackpotCard = c;
      if (spots >= 10) outcome.progressiveHit = true;
    }
  }
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
    const int64_t prize = Game.ProgressivePot;
    const int64_t total = prize + Game.CardWin[card];
    Game.Balance += prize;
    BookLifetimeWin(prize);
    Game.ProgressivePot = Game.ProgressiveSeed;
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
}

}  // namespace

// Settles the draw whose twentieth ball has just been shown, with the bet and the cards as they
// stand now.
void SettleDraw() {
  Game.JackpotCard = 0;
  const DrawOutcome outcome = PayCards();
  Announce(outcome);
  if (!outcome.anyWin) PayConsolation();
}
