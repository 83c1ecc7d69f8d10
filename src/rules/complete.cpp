// A charged draw is settled exactly once: the draw in flight completed at once when the game ends
// or starts anew, and the hand-over of the draw's events to the game's records.
#include <cstdint>

#include "rules/rules.h"
#include "state/game_state.h"

namespace {

BookOperation BookOp = nullptr;

// Takes the draw's remaining balls in their order, marking hits as the reveal does, with no
// sound and no ball drop.
void RevealRemainingBalls() {
  while (Game.BallsRevealed < Game.BallsToDraw && Game.BallsRevealed < BallsPerDraw) {
    const int64_t n = Game.DrawOrder[Game.BallsRevealed];
    Game.BallsRevealed += 1;
    if (n < 1 || n > NumberCount) continue;
    Game.Drawn[n] = 1;
    Game.HeatCount[n] += 1;
    for (int c = 1; c <= CardCount; ++c) {
      CardRecord& charged = Game.Charge.Cards[c];
      if (Game.Charge.Charged[c] == 0 || charged.Picked[n] == 0) continue;
      charged.Hit[n] = 1;
      charged.HitCount += 1;
      CardRecord& card = Game.Cards[c];
      if (card.Picked[n] == 0) continue;
      card.Hit[n] = 1;
      card.HitCount += 1;
    }
  }
}

}  // namespace

void SetBookOperation(BookOperation book) { BookOp = book; }

// Hands one event to the records, when the layer above has set the operation.
void ReportToBook(BookEvent event, int64_t balanceBefore, int64_t balanceAfter) {
  if (BookOp != nullptr) BookOp(event, balanceBefore, balanceAfter);
}

void CompleteDrawNow(int64_t end) {
  if (Game.Drawing != 1) return;
  StopAutoRun();
  RevealRemainingBalls();
  Game.Drawing = 0;
  Game.SetDraws += 1;
  SettleDrawQuietly();
  Game.Charge.End = end;
  ReportToBook(BookEvent::Settled);
}
