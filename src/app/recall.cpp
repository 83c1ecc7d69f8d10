// Recall mode: reads one settled draw through the ledger, fills the view the board, tube and card
// rows draw from, formats the banner, and takes the gestures that step and leave.
#include "app/recall.h"

#include <cstdio>

#include "app/input.h"
#include "persist/ledger.h"
#include "platform/platform.h"
#include "state/calendar.h"
#include "state/draw_view.h"
#include "state/game_state.h"
#include "state/recall_view.h"

namespace {

// How a settled draw ended, in the banner's words.
const char* EndingWords(const std::string& completedAt) {
  if (completedAt == "ended") return "completed at an ending";
  if (completedAt == "recovered") return "recovered at a start";
  return "revealed";
}

// Fills the recall view and the banner from a settled draw read from the ledger.
void Show(const LedgerSettledDraw& d, int64_t position, int64_t total) {
  DrawView& v = Recall.View;
  v = DrawView{};
  v.AllLanded = 1;
  v.HeatMap = 0;
  v.BallCount = BallsPerDraw;
  for (int64_t k = 1; k <= BallsPerDraw; ++k) {
    const int64_t n = d.numbers[k - 1];
    v.Balls[k] = n;
    if (n >= 1 && n <= NumberCount) v.Drawn[n] = 1;
  }
  char bets[64] = "";
  int64_t cards = 0;
  for (int64_t c = 1; c <= CardCount; ++c) {
    const LedgerCardRow& row = d.cards[c];
    DrawViewCard& card = v.Cards[c];
    if (row.charged == 0) continue;
    ++cards;
    for (int64_t n = 1; n <= NumberCount; ++n) {
      card.Picked[n] = row.picked[n];
      card.Counted[n] = row.picked[n] != 0 && v.Drawn[n] != 0 ? 1 : 0;
      v.CardsPerNumber[n] = static_cast<int8_t>(v.CardsPerNumber[n] + card.Picked[n]);
    }
    card.PickCount = row.spots;
    card.HitCount = row.hits;
    card.Win = row.win;
  }
  std::snprintf(bets, sizeof bets, "$%lld per card x %lld", static_cast<long long>(d.betPerCard),
                static_cast<long long>(cards));
  char when[32];
  LocalTimeOf(d.startedUtc.c_str(), when, sizeof when);
  std::snprintf(Recall.Banner[0], RecallBannerChars, "RECALL  Draw %lld of %lld   %s   %s   %s",
                static_cast<long long>(position), static_cast<long long>(total), when,
                ScheduleName(d.payMode), bets);
  char extra[96] = "";
  if (d.progressivePrize > 0 && d.consolation > 0) {
    std::snprintf(extra, sizeof extra, "   progressive $%lld, consolation $%lld",
                  static_cast<long long>(d.progressivePrize), static_cast<long long>(d.consolation));
  } else if (d.progressivePrize > 0) {
    std::snprintf(extra, sizeof extra, "   progressive $%lld", static_cast<long long>(d.progressivePrize));
  } else if (d.consolation > 0) {
    std::snprintf(extra, sizeof extra, "   consolation $%lld", static_cast<long long>(d.consolation));
  }
  std::snprintf(Recall.Banner[1], RecallBannerChars, "Balance $%lld -> $%lld   cost $%lld, won $%lld%s   %s",
                static_cast<long long>(d.balanceBefore), static_cast<long long>(d.balanceAfter),
                static_cast<long long>(d.cost), static_cast<long long>(d.won), extra, EndingWords(d.completedAt));
  Recall.DrawId = d.id;
  Recall.Position = position;
  Recall.Total = total;
}

}  // namespace

void LocalTimeOf(const char* utcText, char* out, int64_t size) {
  if (size <= 0) return;
  out[0] = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(utcText, "%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6) return;
  const int64_t utcSeconds = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
  const int64_t local = utcSeconds + LocalOffsetMinutes(utcSeconds * 1000) * 60;
  int64_t days = local / 86400, inDay = local % 86400;
  if (inDay < 0) {
    inDay += 86400;
    days -= 1;
  }
  int64_t ly = 0, lm = 0, ld = 0;
  CivilFromDays(days, ly, lm, ld);
  std::snprintf(out, static_cast<size_t>(size), "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(ly),
                static_cast<long long>(lm), static_cast<long long>(ld), static_cast<long long>(inDay / 3600),
                static_cast<long long>(inDay / 60 % 60), static_cast<long long>(inDay % 60));
}

bool EnterRecall(int64_t id) {
  LedgerSettledDraw draw;
  int64_t position = 0, total = 0;
  if (!LedgerReadSettled(id, draw) || !LedgerSettledPosition(id, position, total)) return false;
  if (Recall.Open == 0) Recall.Tab = 0;
  Show(draw, position, total);
  Recall.Open = 1;
  return true;
}

void StepRecall(int64_t step) {
  if (Recall.Open == 0) return;
  const int64_t next = LedgerSettledNeighbour(Recall.DrawId, step);
  if (next != 0) EnterRecall(next);
}

void RecallEnd(bool newest) {
  if (Recall.Open == 0) return;
  const int64_t id = LedgerSettledNeighbour(0, newest ? -1 : 1);
  if (id != 0) EnterRecall(id);
}

void LeaveRecall() { Recall.Open = 0; }

bool HandleRecallEdge(const InputEdge& e) {
  if (Recall.Open == 0) return false;
  if (!e.mouse) {
    if (!e.down) return e.code == KeyH;
    switch (e.code) {
      case KeyH:
        if (!e.repeat) LeaveRecall();
        return true;
      case KeyLeft:
        StepRecall(-1);
        return true;
      case KeyRight:
        StepRecall(1);
        return true;
      case KeyHome:
        RecallEnd(false);
        return true;
      case KeyEnd:
        RecallEnd(true);
        return true;
      case KeySpace:
        LeaveRecall();
        return false;
      default:
        return e.code != KeyEscape;
    }
  }
  if (e.code == MouseWheelUp || e.code == MouseWheelDown) {
    StepRecall(e.code == MouseWheelUp ? 1 : -1);
    return true;
  }
  if (!e.down) return false;
  if (PointInRect(Recall.OlderMark, e.x, e.y)) {
    StepRecall(-1);
    return true;
  }
  if (PointInRect(Recall.NewerMark, e.x, e.y)) {
    StepRecall(1);
    return true;
  }
  if (e.code == MouseLeft && PointInRect(Game.TabBarRect, e.x, e.y)) {
    Recall.Tab = TabAt(e.x);
    return true;
  }
  LeaveRecall();
  // The Draw button leaves and acts as usual; any other click only leaves.
  return !(e.code == MouseLeft && PointInRect(Game.DrawButtonRect, e.x, e.y));
}
