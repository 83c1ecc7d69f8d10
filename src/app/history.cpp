// The History overlay: reads the ledger's totals and one page of settled draws into the history
// view, formats its lines, and takes the gestures that move the selection, enter recall and close.
#include "app/history.h"

#include <algorithm>
#include <cstdio>

#include "app/history_chart.h"
#include "app/history_export.h"
#include "app/recall.h"
#include "persist/ledger.h"
#include "platform/platform.h"
#include "rules/rules.h"
#include "state/game_state.h"
#include "state/history_view.h"
#include "state/recall_view.h"
#include "ui/ui.h"

namespace {

// Rows the wheel scrolls per step.
constexpr int64_t WheelRows = 3;

// Marks the view as failed with the ledger's reason.
void Fail() {
  History.Failed = 1;
  std::snprintf(History.Error, sizeof History.Error, "History unavailable: %s", LedgerReadError().c_str());
}

// Formats a dollar amount with thousands separators, "$12,345", into out.
void Dollars(int64_t a, char* out, int64_t size) {
  char digits[32];
  const long long v = a < 0 ? -static_cast<long long>(a) : static_cast<long long>(a);
  const int n = std::snprintf(digits, sizeof digits, "%lld", v);
  char grouped[48];
  int k = 0;
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped[k++] = ',';
    grouped[k++] = digits[i];
  }
  grouped[k] = 0;
  std::snprintf(out, static_cast<size_t>(size), "%s$%s", a < 0 ? "-" : "", grouped);
}

// Draws summed in one slice: a few milliseconds of the frame that sums them.
constexpr int64_t TotalsSliceDraws = 5000;

// The totals over the whole ledger: summed a slice a frame from start-up, or at once when the
// overlay opens before they are, then kept up to date as draws settle.
struct KeptTotals {
  LedgerTotals sums;
  int64_t generation = -1;  // LedgerGeneration() when the summing began; -1: to begin again
  int64_t summedTo = 0;     // the draws with ids up to this one are in sums
  int64_t target = 0;       // the newest draw when the summing began; the later ones are added as they settle
};
KeptTotals kept;

// True while the kept totals belong to the ledger file open now.
bool TotalsCurrent() { return kept.generation == LedgerGeneration(); }

// Gives the totals up; they are summed again from the start.
void DropTotals() {
  kept.generation = -1;
  Game.HistoryTotalsPending = 0;
}

// Sums the draws after summedTo up to `upTo` (at most the target) into the kept totals.
void SumTotalsUpTo(int64_t upTo) {
  const int64_t to = std::min(upTo, kept.target);
  if (to > kept.summedTo) {
    if (!LedgerAddHistoryTotals(kept.summedTo + 1, to, kept.sums)) {
      DropTotals();
      return;
    }
    kept.summedTo = to;
  }
  Game.HistoryTotalsPending = kept.summedTo < kept.target ? 1 : 0;
}

// Adds settled draw id to the kept totals when it came after the summing began; a draw the ledger
// does not hold as settled (its settlement did not reach it) leaves them to be summed again.
void AddToTotals(int64_t id) {
  if (!TotalsCurrent() || id <= kept.target) return;
  const int64_t before = kept.sums.draws;
  if (!LedgerAddHistoryTotals(id, id, kept.sums) || kept.sums.draws != before + 1) DropTotals();
}

// Finishes summing the totals, beginning again if the ledger changed, and formats the totals lines.
bool ReadTotals() {
  if (!TotalsCurrent()) StartHistoryTotals();
  SumTotalsUpTo(kept.target);
  if (!TotalsCurrent()) return false;
  const LedgerTotals& t = kept.sums;
  History.Draws = t.draws;
  History.Bet = t.cost;
  History.Won = t.won;
  History.Progressive = t.progressive;
  History.Consolation = t.consolation;
  History.BiggestWin = t.biggestWin;
  int64_t bets = 0;
  double expected = 0;
  for (int64_t mode = 0; mode < 2; ++mode)
    for (int64_t s = 1; s <= MaxPicks; ++s) {
      bets += t.betBySpots[mode][s];
      expected += static_cast<double>(t.betBySpots[mode][s]) * ExactReturnPercent(mode, s);
    }
  const int64_t paid = t.won - t.progressive - t.consolation;
  History.PaidPercent = bets > 0 ? 100.0 * static_cast<double>(paid) / static_cast<double>(bets) : 0;
  History.ExpectedPercent = bets > 0 ? expected / static_cast<double>(bets) : 0;
  char bet[64], won[64], prog[64], cons[64], big[64];
  Dollars(History.Bet, bet, sizeof bet);
  Dollars(History.Won, won, sizeof won);
  Dollars(History.Progressive, prog, sizeof prog);
  Dollars(History.Consolation, cons, sizeof cons);
  Dollars(History.BiggestWin, big, sizeof big);
  std::snprintf(History.Totals[0], HistoryLineChars, "Draws played: %lld    Bet: %s    Won: %s",
                static_cast<long long>(History.Draws), bet, won);
  std::snprintf(History.Totals[1], HistoryLineChars, "Paid by the pay table: %.2f%%    Expected: %.2f%%",
                History.PaidPercent, History.ExpectedPercent);
  std::snprintf(History.Totals[2], HistoryLineChars, "Progressive jackpots: %s    Consolations: %s", prog, cons);
  std::snprintf(History.Totals[3], HistoryLineChars, "Biggest win of a draw: %s", big);
  return true;
}

// Reads the page of rows starting at History.Top and formats each row.
bool ReadPage() {
  History.RowCount = 0;
  if (History.Draws == 0) return true;
  const int64_t topId = LedgerSettledIdAt(History.Top);
  if (topId == 0) return LedgerReadError().empty();
  LedgerSettledDraw page[HistoryPageRows];
  const int64_t n = LedgerSettledPage(topId, page, HistoryPageRows);
  if (n < 0) return false;
  for (int64_t i = 0; i < n; ++i) {
    const LedgerSettledDraw& d = page[i];
    char when[32], cost[64], won[64], after[64];
    LocalTimeOf(d.startedUtc.c_str(), when, sizeof when);
    Dollars(d.cost, cost, sizeof cost);
    Dollars(d.won, won, sizeof won);
    Dollars(d.balanceAfter, after, sizeof after);
    HistoryRow& row = History.Rows[i];
    row.DrawId = d.id;
    std::snprintf(row.Text, HistoryRowChars, "%lld\t%s\t%s\t%s\t%s\t%s", static_cast<long long>(d.id), when,
                  ScheduleName(d.payMode), cost, won, after);
  }
  History.RowCount = n;
  return true;
}

// Reads totals and page; a failure leaves the view failed with its reason.
void Refresh() {
  History.ChartStale = 1;
  History.Failed = 0;
  History.Error[0] = 0;
  if (!ReadTotals()) {
    Fail();
    return;
  }
  const int64_t last = std::max<int64_t>(History.Draws - 1, 0);
  History.Selected = std::clamp<int64_t>(History.Selected, 0, last);
  History.Top = std::clamp<int64_t>(History.Top, 0, std::max<int64_t>(History.Draws - HistoryPageRows, 0));
  if (!ReadPage()) Fail();
}

// Moves the selection to index sel (clamped), scrolling the page so that it shows it.
void Select(int64_t sel) {
  if (History.Draws == 0) return;
  sel = std::clamp<int64_t>(sel, 0, History.Draws - 1);
  int64_t top = History.Top;
  if (sel < top) top = sel;
  if (sel >= top + HistoryPageRows) top = sel - HistoryPageRows + 1;
  History.Selected = sel;
  if (top != History.Top) {
    History.Top = top;
    if (!ReadPage()) Fail();
  }
}

// Scrolls the page by rows (positive: toward older draws), keeping the selection in view.
void Scroll(int64_t rows) {
  if (History.Draws == 0) return;
  const int64_t top = std::clamp<int64_t>(History.Top + rows, 0, std::max<int64_t>(History.Draws - HistoryPageRows, 0));
  if (top == History.Top) return;
  History.Top = top;
  History.Selected = std::clamp<int64_t>(History.Selected, top, top + HistoryPageRows - 1);
  if (!ReadPage()) Fail();
  History.Selected = std::min<int64_t>(History.Selected, History.Top + std::max<int64_t>(History.RowCount - 1, 0));
}

// Enters recall of the row at index i of the page; the overlay closes when it did.
void RecallRow(int64_t i) {
  if (i < 0 || i >= History.RowCount) return;
  if (EnterRecall(History.Rows[i].DrawId)) CloseHistory();
}

}  // namespace

void OpenHistory() {
  StopAutoRun();
  CloseOverlays();
  History.Open = 1;
  History.Top = 0;
  History.Selected = 0;
  Refresh();
}

void CloseHistory() { History.Open = 0; }

void KeepBalanceChart() {
  if (History.Open == 0 || History.Failed == 1) return;
  const int64_t s = ScreenScale() > 0 ? ScreenScale() : 1;
  if (History.ChartStale == 1) {
    // Lay the overlay out once, so that the chart is made at the size it is shown at.
    static PanelSteps steps;
    BuildHistoryOverlay(steps);
  }
  const int64_t w = History.ChartRect.w * s, h = History.ChartRect.h * s;
  if (History.ChartStale == 0 && w == History.ChartW && h == History.ChartH) return;
  MakeBalanceChart(w, h);
  History.ChartStale = 0;
  History.ChartW = w;
  History.ChartH = h;
}

void StartHistoryTotals() {
  kept = KeptTotals{};
  if (!LedgerNewestDrawId(kept.target)) {
    DropTotals();
    return;
  }
  // A draw in flight is not settled yet: it is added when it settles, as the later ones are.
  if (Game.Drawing == 1 && Game.Charge.DrawId > 0) kept.target = std::min(kept.target, Game.Charge.DrawId - 1);
  kept.generation = LedgerGeneration();
  Game.HistoryTotalsPending = kept.target > 0 ? 1 : 0;
}

void SumHistoryTotalsSlice() {
  if (!TotalsCurrent()) {
    DropTotals();
    return;
  }
  SumTotalsUpTo(kept.summedTo + TotalsSliceDraws);
}

void HistoryDrawSettled(int64_t drawId) {
  AddToTotals(drawId);
  if (History.Open == 0) return;
  // The new draw comes in at index 0: the selection and the page follow the draw they showed,
  // except that the newest selected stays on the newest.
  if (History.Selected > 0) ++History.Selected;
  if (History.Top > 0) ++History.Top;
  Refresh();
}

bool HandleHistoryEdge(const InputEdge& e) {
  if (History.Open == 0) {
    if (!e.mouse && e.down && !e.repeat && e.code == KeyH) {
      OpenHistory();
      return true;
    }
    if (e.mouse && e.down && e.code == MouseRight &&
        PointInRect(Rect{Game.StatsPanelX, Game.StatsPanelY, Game.StatsPanelW, Game.StatsPanelH}, e.x, e.y)) {
      OpenHistory();
      return true;
    }
    return false;
  }
  if (!e.mouse) {
    if (!e.down) return e.code == KeyH;
    const int64_t row = History.Selected - History.Top;
    switch (e.code) {
      case KeyH:
        if (!e.repeat) CloseHistory();
        return true;
      case KeyChart:
        ToggleBalanceChartRange();
        return true;
      case KeyUp:
        Select(History.Selected - 1);
        return true;
      case KeyDown:
        Select(History.Selected + 1);
        return true;
      case KeyPageUp:
        Select(History.Selected - HistoryPageRows);
        return true;
      case KeyPageDown:
        Select(History.Selected + HistoryPageRows);
        return true;
      case KeyHome:
        Select(0);
        return true;
      case KeyEnd:
        Select(History.Draws - 1);
        return true;
      case KeyEnter:
        if (!e.repeat) RecallRow(row);
        return true;
      case KeySpace:
        CloseHistory();
        return false;
      default:
        return e.code != KeyEscape;
    }
  }
  if (e.code == MouseWheelUp || e.code == MouseWheelDown) {
    Scroll(e.code == MouseWheelUp ? -WheelRows : WheelRows);
    return true;
  }
  if (!e.down) return false;
  if (e.code == MouseLeft) {
    for (int64_t i = 0; i < History.RowCount; ++i)
      if (PointInRect(History.RowRects[i], e.x, e.y)) {
        History.Selected = History.Top + i;
        RecallRow(i);
        return true;
      }
    if (PointInRect(History.ChartRect, e.x, e.y)) {
      ToggleBalanceChartRange();
      return true;
    }
    if (PointInRect(History.ExportRect, e.x, e.y)) {
      ExportHistory();
      return true;
    }
  }
  CloseHistory();
  // The Draw button closes the overlay and acts as usual; any other click only closes it.
  return !(e.code == MouseLeft && PointInRect(Game.DrawButtonRect, e.x, e.y));
}
