// The view of what to show, filled from the live game: the cards' picks now, and what the record
// of the last charge counts for each card.
#include "state/draw_view.h"

#include "state/game_state.h"
#include "ui/ui.h"

// Reads the live state only; the view is the caller's, so a frame fills it without allocating.
void FillLiveDrawView(DrawView& view) {
  for (int64_t n = 0; n <= NumberCount; ++n) {
    view.CardsPerNumber[n] = 0;
    view.Drawn[n] = n >= 1 && Game.Drawn[n] != 0 ? 1 : 0;
  }
  for (int64_t c = 1; c <= CardCount; ++c) {
    const CardRecord& live = Game.Cards[c];
    DrawViewCard& card = view.Cards[c];
    for (int64_t n = 1; n <= NumberCount; ++n) {
      card.Picked[n] = live.Picked[n] != 0 ? 1 : 0;
      card.Counted[n] = ChargeCounts(c, n) ? 1 : 0;
      view.CardsPerNumber[n] = static_cast<int8_t>(view.CardsPerNumber[n] + card.Picked[n]);
    }
    card.PickCount = live.PickCount;
    card.HitCount = Game.Charge.Charged[c] != 0 ? Game.Charge.Cards[c].HitCount : 0;
    card.Win = Game.CardWin[c];
  }
  int64_t revealed = Game.BallsRevealed;
  if (revealed < 0) revealed = 0;
  if (revealed > BallsPerDraw) revealed = BallsPerDraw;
  view.BallCount = revealed;
  view.AllLanded = 0;
  view.HeatMap = Game.HeatMapOn != 0 ? 1 : 0;
  for (int64_t k = 1; k <= BallsPerDraw; ++k) view.Balls[k] = k <= revealed ? Game.DrawOrder[k - 1] : 0;
}
