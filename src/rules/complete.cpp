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
  while (Game.BallsRevealed < Game.BallsToDraw && Game.BallsRevealed < BallsPerDraw) RevealNextBall();
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
