// The draw round: charging the cards, choosing the 20 numbers, revealing them one by one, and
// handing over to settlement and to auto-run's next draw.
#include <cstdint>
#include <limits>

#include "state/draw_view.h"
#include "state/game_state.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "sound/sound.h"

namespace {

// Milliseconds between reveals for speeds 1..5; other speeds keep the interval in force.
constexpr int64_t RevealIntervals[SpeedCount + 1] = {0, 1250, 900, MediumRevealMs, 250, 80};

// The pot after adding the growth, held at the largest amount its 32 bits can carry.
int32_t GrownPot(int32_t pot, int64_t growth) {
  const int64_t grown = static_cast<int64_t>(pot) + growth;
  if (grown > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(grown);
}

// Charges every card with picks for the draw, after the out-of-funds question when the balance
// falls short, and feeds the progressive pot; false when the draw does not go ahead.
bool ChargeCards() {
  Game.DrawCost = 0;
  for (int c = 1; c <= CardCount; ++c) {
    Game.CardWin[c] = 0;
    if (Game.Cards[c].PickCount > 0) Game.DrawCost += Game.BetPerCard;
  }
  if (!CheckFunds(Game.DrawCost)) return false;
  Game.Charge.BalanceBefore = Game.Balance;
  Game.Charge.PotBefore = Game.ProgressivePot;

  Game.Balance -= Game.DrawCost;
  Game.SetCost += Game.DrawCost;
  if (Game.PayMode == 0) {
    Game.LifetimeGenCost += Game.DrawCost;
  } else {
    Game.LifetimeCasCost += Game.DrawCost;
  }

  int64_t qualifying = 0;
  for (int c = 1; c <= CardCount; ++c) qualifying += Game.Cards[c].PickCount >= 10 ? 1 : 0;
  if (qualifying > 0) Game.ProgressivePot = GrownPot(Game.ProgressivePot, Game.ProgressiveIncrement * qualifying);
  return true;
}

// Records what the draw has just charged for: the cards with picks, their picks, the bet and
// the schedule with its table. Settlement pays from this alone.
void RecordCharge() {
  ChargedDraw& charge = Game.Charge;
  for (int c = 1; c <= CardCount; ++c) {
    charge.Charged[c] = Game.Cards[c].PickCount > 0 ? 1 : 0;
    charge.Cards[c] = ChargedCard{};
    if (charge.Charged[c] == 0) continue;
    for (int n = 1; n <= NumberCount; ++n) charge.Cards[c].Picked[n] = Game.Cards[c].Picked[n] != 0 ? 1 : 0;
    charge.Cards[c].PickCount = Game.Cards[c].PickCount;
  }
  charge.BetPerCard = Game.BetPerCard;
  charge.PayMode = Game.PayMode;
  charge.Cost = Game.DrawCost;
  charge.DrawId = 0;
  charge.End = DrawInFlight;
  charge.Won = 0;
  charge.ProgressivePrize = 0;
  charge.Consolation = 0;
  for (int spots = 0; spots <= MaxPicks; ++spots)
    for (int hits = 0; hits <= MaxPicks; ++hits) charge.PayTable[spots][hits] = Game.PayActive[spots][hits];
}

// Clears the last draw's marks, reveal count and ball drops; its hits went with its record.
void ResetDraw() {
  for (int n = 1; n <= NumberCount; ++n) Game.Drawn[n] = 0;

  Game.BallsToDraw = BallsPerDraw;
  Game.BallsRevealed = 0;
  for (int k = 1; k <= BallsPerDraw; ++k) Game.BallAnims[k].Active = 0;
  Game.BallAnimCount = 0;
  Game.BallAnimRunning = 0;
}

// Chooses the draw's numbers into DrawOrder, all different. Drawn marks only reject repeats here;
// the board learns the numbers from the reveal.
void ChooseNumbers() {
  for (int64_t i = 0; i < Game.BallsToDraw; ++i) {
    int64_t n = 0;
    do {
      n = RandomOneTo(NumberCount);
    } while (Game.Drawn[n] != 0);
    Game.Drawn[n] = 1;
    Game.DrawOrder[i] = n;
  }
  for (int n = 1; n <= NumberCount; ++n) Game.Drawn[n] = 0;
}

}  // namespace

// Starts a draw: charges every card with picks, feeds the progressive pot and chooses the
// numbers; the reveal timer shows them from the next frame on.
void StartDraw() {
  if (Game.Drawing == 1) return;
  SetActiveTab(0);
  if (!AnyCardHasPicks()) {
    ShowMessageBox("No Numbers Chosen", "Please select numbers on at least one card before drawing.", BoxOk);
    SetActiveTab(1);
    return;
  }
  if (!ChargeCards()) return;
  RecordCharge();
  ResetDraw();
  ChooseNumbers();
  ReportToBook(BookEvent::Charged);

  if (Game.Speed >= 1 && Game.Speed <= SpeedCount) Game.RevealInterval = RevealIntervals[Game.Speed];
  Game.StatusMessage.clear();
  Game.Drawing = 1;
  Game.LastRevealTime = NowMs() - Game.RevealInterval - 1;
}

// One tick of the reveal timer: the next ball (true), or, one interval after the last ball, the
// settlement and auto-run's next step (false).
bool RevealStep() {
  if (Game.BallsRevealed >= Game.BallsToDraw) {
    Game.Drawing = 0;
    Game.SetDraws += 1;
    SettleDraw();
    if (Game.AutoRun == 1) {
      if (Game.Speed >= 4) {
        StartDraw();
      } else {
        Game.AutoPausePending = 1;
        Game.AutoPauseStart = NowMs();
      }
    }
    return false;
  }

  if (RevealNextBall()) PlayTone(50, 10);
  return true;
}

// Shows the next ball of the draw order and marks it on the charged cards that picked it; true
// when the draw counts it on some card (the balls the tube shows green, each with a click).
bool RevealNextBall() {
  const int64_t n = Game.DrawOrder[Game.BallsRevealed];
  Game.BallsRevealed += 1;
  if (n < 1 || n > NumberCount) return false;
  Game.Drawn[n] = 1;
  Game.HeatCount[n] += 1;

  // A hit counts on the picks the draw charged for, whatever the cards hold now.
  bool counted = false;
  for (int c = 1; c <= CardCount; ++c) {
    ChargedCard& charged = Game.Charge.Cards[c];
    if (Game.Charge.Charged[c] == 0 || charged.Picked[n] == 0) continue;
    charged.Hit[n] = 1;
    charged.HitCount += 1;
    counted = true;
  }
  return counted;
}
