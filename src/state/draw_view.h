// What the board, the balls tube and the stats panel's card rows show of a draw: the picks, the
// numbers the draw counts for each card, the drawn numbers and the balls in order. Filled from the
// live game or from a past draw; drawing reads only the view, so both look the same.
#pragma once

#include <cstdint>

#include "state/game_state.h"

// One card as shown: its picks now and the numbers the draw counts for it.
struct DrawViewCard {
  int8_t Picked[NumberCount + 1] = {};   // 1 when number n is picked on the card, else 0
  int8_t Counted[NumberCount + 1] = {};  // 1 when the draw counts n for the card: charged, picked then, revealed
  int64_t PickCount = 0;                 // numbers picked, 0..MaxPicks (more only from a save)
  int64_t HitCount = 0;                  // numbers counted, 0 for a card the draw did not charge
  int64_t Win = 0;                       // dollars the draw paid the card, 0 until it is settled
};

// A draw as shown. Element 0 of every array indexed by a card, a number or a ball is unused.
struct DrawView {
  DrawViewCard Cards[CardCount + 1];
  int8_t CardsPerNumber[NumberCount + 1] = {};  // cards picking number n now, 0..CardCount
  int8_t Drawn[NumberCount + 1] = {};           // 1 when number n has been revealed
  int64_t Balls[BallsPerDraw + 1] = {};         // the numbers in reveal order, ball 1 first
  int64_t BallCount = 0;                        // balls revealed, 0..BallsPerDraw
  int8_t AllLanded = 0;  // 1 for a past draw: every ball shown landed, no live ball rolls
  int8_t HeatMap = 0;    // 1 when Main shows the heat map (the live game's choice; never for a past draw)
};

// Whether the record of the charge counts number n for card c: the draw in flight, or the last
// one, charged the card with n among its picks and has revealed n. The one rule of a hit.
inline bool ChargeCounts(int64_t c, int64_t n) {
  if (c < 1 || c > CardCount || n < 1 || n > NumberCount) return false;
  return Game.Charge.Charged[c] != 0 && Game.Charge.Cards[c].Hit[n] != 0;
}

// Whether the view's draw counts number n on some card: its ball is green and it clicked.
inline bool CountedOnAnyCard(const DrawView& view, int64_t n) {
  if (n < 1 || n > NumberCount) return false;
  for (int64_t c = 1; c <= CardCount; ++c)
    if (view.Cards[c].Counted[n] != 0) return true;
  return false;
}
