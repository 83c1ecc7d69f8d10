// The ledger and the save written together: ledger row first, then the save, so that after a kill
// at most the newest draw is out of step with the save, and start-up can tell which way from the
// save's lifetime totals alone.
#include "app/records.h"

#include <string>

#include "app/history.h"
#include "persist/ledger.h"
#include "persist/save_file.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "state/game_state.h"

namespace {

int64_t& LifetimeCost(int64_t payMode) { return payMode == 0 ? Game.LifetimeGenCost : Game.LifetimeCasCost; }
int64_t& LifetimeWon(int64_t payMode) { return payMode == 0 ? Game.LifetimeGenWon : Game.LifetimeCasWon; }

// Puts the ledger's draw back in flight as its charge left it: cards, bet, schedule with its table,
// the 20 numbers and no ball revealed yet.
void RebuildCharge(const LedgerDraw& row) {
  ChargedDraw& charge = Game.Charge;
  charge = ChargedDraw{};
  for (int c = 1; c <= CardCount; ++c) {
    charge.Charged[c] = row.charged[c];
    for (int n = 1; n <= NumberCount; ++n) {
      charge.Cards[c].Picked[n] = row.picks[c][n];
      charge.Cards[c].PickCount += row.picks[c][n];
    }
  }
  charge.BetPerCard = row.betPerCard;
  charge.PayMode = row.payMode;
  const auto& table = row.payMode == 0 ? Game.PayGenerous : Game.PayCasino;
  for (int spots = 0; spots <= MaxPicks; ++spots)
    for (int hits = 0; hits <= MaxPicks; ++hits) charge.PayTable[spots][hits] = table[spots][hits];
  charge.DrawId = row.id;
  charge.Cost = row.cost;
  charge.BalanceBefore = row.balanceBefore;
  charge.PotBefore = row.potBefore;
  for (int i = 0; i < BallsPerDraw; ++i) Game.DrawOrder[i] = row.numbers[i];
  for (int n = 1; n <= NumberCount; ++n) Game.Drawn[n] = 0;
  Game.BallsToDraw = BallsPerDraw;
  Game.BallsRevealed = 0;
  Game.Drawing = 1;
}

// Leaves the board and the set's statistics as a start-up leaves them: a recovered draw is in the
// balance and the lifetime totals, not on the screen.
void ClearRecoveredDraw() {
  for (int n = 1; n <= NumberCount; ++n) Game.HeatCount[n] = 0;
  ResetSetStatistics();
  Game.BallsToDraw = 0;
  Game.BallsRevealed = 0;
  Game.JackpotCard = 0;
}

void AnnounceRecovered(int64_t drawId, int64_t won) {
  ShowMessageBox("Keno",
                 "Draw " + std::to_string(drawId) + " was interrupted and has been completed. It paid $" +
                     std::to_string(won) + "; your balance is $" + std::to_string(Game.Balance) + ".",
                 BoxIconInfo);
}

// Brings the newest draw into step with the save. The save holds a charge when its lifetime cost
// for the draw's schedule has reached the row's lifetime_cost_after, and a payout when its lifetime
// winnings have reached what they were at the charge plus the draw's win.
void RecoverNewestDraw() {
  LedgerDraw row;
  if (!LedgerNewestDraw(row)) return;
  const bool charged = row.state == "charged";
  if (!charged && !(row.state == "settled" && row.lastEvent)) return;
  const bool chargeSaved = LifetimeCost(row.payMode) >= row.lifetimeCostAfter;
  if (charged && !chargeSaved) {
    LedgerVoid(row.id);
    return;
  }
  if (!charged) {
    // Settled in the ledger, killed before the save took the payout: it is paid now.
    if (!chargeSaved || LifetimeWon(row.payMode) >= row.lifetimeWonAfter || row.won == 0) return;
    Game.Balance += row.won;
    LifetimeWon(row.payMode) += row.won;
    Game.ProgressivePot = row.potAfter;
    if (SaveGame()) LedgerRecovered(row.id);
    AnnounceRecovered(row.id, row.won);
    return;
  }
  const int64_t wonAtCharge = row.lifetimeWonAfter;
  const int64_t savedBalance = Game.Balance;
  const int64_t savedWon = LifetimeWon(row.payMode);
  const int32_t savedPot = Game.ProgressivePot;
  RebuildCharge(row);
  // The pot as the charge left it: a progressive prize is paid from it.
  Game.ProgressivePot = row.potAfter;
  CompleteDrawNow(DrawRecovered);
  const int64_t won = Game.Charge.Won;
  if (won > 0 && savedWon >= wonAtCharge + won) {
    // The save holds the payout already (the game ended before the row was updated): nothing is
    // paid twice, the row only learns the outcome.
    Game.Balance = savedBalance;
    LifetimeWon(row.payMode) = savedWon;
    Game.ProgressivePot = savedPot;
    LedgerSettlement();
    ClearRecoveredDraw();
    return;
  }
  // The payout reaches the save first; only then is the row settled. A kill in between is caught
  // the same way at the next start.
  if (SaveGame()) LedgerSettlement();
  ClearRecoveredDraw();
  AnnounceRecovered(row.id, won);
}

}  // namespace

void WriteRecords(BookEvent event, int64_t balanceBefore, int64_t balanceAfter) {
  switch (event) {
    case BookEvent::Refinance:
      LedgerAdjustment("refinance", balanceBefore, balanceAfter);
      break;
    case BookEvent::FullWipe:
      LedgerAdjustment("full wipe", balanceBefore, balanceAfter);
      break;
    case BookEvent::Charged:
      LedgerCharge();
      SaveGame();
      break;
    case BookEvent::Settled:
      // Start-up's recovery orders its own writes: the save first, then the row.
      if (Game.Charge.End == DrawRecovered) break;
      LedgerSettlement();
      SaveGame();
      HistoryDrawSettled(Game.Charge.DrawId);
      break;
  }
}

void OpenRecords() {
  OpenLedger();
  int64_t marks = 0;
  Game.HighVisibilityMarks = LedgerSetting(MarksSettingKey, marks) && marks == 1 ? 1 : 0;
  RecoverNewestDraw();
  int64_t last = 0;
  if (LedgerLastBalance(last) && last != Game.Balance) LedgerAdjustment("load repair", last, Game.Balance);
}
