// The History overlay over the number board: the totals, the space of the balance chart, the list
// of the latest draws with the selected row marked, and the "Export CSV..." control.
#include <algorithm>
#include <string_view>

#include "state/game_state.h"
#include "state/history_view.h"
#include "ui/history_chart.h"
#include "ui/palette.h"
#include "ui/text.h"
#include "ui/ui.h"

namespace {

constexpr Colour Gold = RGB(255, 215, 0);
constexpr Colour BandFill = RGB(40, 40, 65);
constexpr Colour TotalsText = RGB(220, 220, 230);
constexpr Colour RowText = RGB(200, 205, 225);
constexpr Colour SelectedFill = RGB(70, 60, 20);
constexpr Colour ControlFace = RGB(60, 66, 96);
constexpr int64_t ListColumns = 6;
// Each list column's left end, in thousandths of the list's width.
constexpr int64_t ColumnAt[ListColumns] = {0, 110, 390, 560, 700, 830};
constexpr const char* HeaderText = "Draw\tDate and time\tSchedule\tCost\tWon\tBalance after";
constexpr int64_t FooterH = 26;  // the hint band at the bottom, logical pixels

// Adds a tab-separated line at the list's column positions.
void AddColumns(PanelSteps& out, int64_t x, int64_t w, double y, std::string_view line, Colour c, int64_t font) {
  for (int64_t col = 0; col < ListColumns && !line.empty(); ++col) {
    const size_t tab = line.find('\t');
    out.AddText(static_cast<double>(x + w * ColumnAt[col] / 1000), y, line.substr(0, tab), c, font);
    line = tab == std::string_view::npos ? std::string_view{} : line.substr(tab + 1);
  }
}

}  // namespace

// Lays out the History overlay over the board and records its rows', chart's and control's rects.
void BuildHistoryOverlay(PanelSteps& out) {
  out.Clear();
  HistoryState& h = History;
  const GameState& g = Game;
  const int64_t x = g.BoardRect.x, y = g.BoardRect.y, w = g.BoardRect.w, hh = g.BoardRect.h;
  h.PanelRect = g.BoardRect;
  const int64_t rowH = PayTableGeometryFor(w, hh).rowH;
  const int64_t font = g.FontOverlay;
  SetFont(font);
  const int64_t th = RoundHalfEven(StringHeight("A"));
  const int64_t ty = (rowH - th) / 2;

  out.AddFill(x, y, w, hh, RGB(18, 18, 32));
  out.AddFill(x, y, w, 2, Gold);
  out.AddFill(x, y + hh - 2, w, 2, Gold);
  out.AddFill(x, y, 2, hh, Gold);
  out.AddFill(x + w - 2, y, 2, hh, Gold);
  out.AddFill(x, y, w, rowH, BandFill);
  out.AddText(static_cast<double>(x + 10), static_cast<double>(y + ty), "History", Gold, font);

  const std::string_view exportText = "Export CSV...";
  const int64_t ew = static_cast<int64_t>(StringWidth(exportText)) + 20;
  h.ExportRect = Rect{x + w - ew - 6, y + 3, ew, rowH - 6};
  out.AddFill(h.ExportRect.x, h.ExportRect.y, h.ExportRect.w, h.ExportRect.h, ControlFace);
  out.AddLine(h.ExportRect.x, h.ExportRect.y, h.ExportRect.w, 1, Gold);
  out.AddText(static_cast<double>(h.ExportRect.x + 10), static_cast<double>(y + ty), exportText, Gold, font);

  const int64_t left = x + 12, inner = w - 24;
  int64_t cy = y + rowH + 4;
  if (h.Failed == 1) {
    h.ChartRect = h.ListRect = Rect{};
    for (Rect& r : h.RowRects) r = Rect{};
    out.AddText(static_cast<double>(left), static_cast<double>(cy), h.Error, RGB(255, 120, 120), font);
  } else {
    for (int64_t i = 0; i < HistoryTotalsLines; ++i) {
      out.AddText(static_cast<double>(left), static_cast<double>(cy), h.Totals[i], TotalsText, font);
      cy += th + 4;
    }
    // The balance chart's image goes here; the space is kept whether or not it is drawn.
    const int64_t listRows = HistoryPageRows + 1;
    const int64_t listH = listRows * rowH;
    const int64_t chartH = std::max<int64_t>(y + hh - FooterH - 4 - listH - (cy + 4), 0);
    h.ChartRect = Rect{left, cy + 2, inner, chartH};
    out.AddFill(h.ChartRect.x, h.ChartRect.y, h.ChartRect.w, h.ChartRect.h, HistoryChartFill);
    const int64_t ly = y + hh - FooterH - 2 - listH;
    h.ListRect = Rect{x + 2, ly, w - 4, listH};
    out.AddFill(x + 2, ly, w - 4, rowH, RGB(30, 30, 52));
    AddColumns(out, left, inner, static_cast<double>(ly + ty), HeaderText, RGB(160, 195, 255), font);
    for (int64_t i = 0; i < HistoryPageRows; ++i) {
      const int64_t ry = ly + (i + 1) * rowH;
      if (i >= h.RowCount) {
        h.RowRects[i] = Rect{};
        continue;
      }
      h.RowRects[i] = Rect{x + 2, ry, w - 4, rowH};
      const bool selected = h.Top + i == h.Selected;
      out.AddFill(x + 2, ry, w - 4, rowH, selected ? SelectedFill : i % 2 == 0 ? RGB(20, 20, 36) : RGB(26, 26, 44));
      AddColumns(out, left, inner, static_cast<double>(ry + ty), h.Rows[i].Text, selected ? Gold : RowText, font);
    }
    if (h.Draws == 0)
      out.AddText(static_cast<double>(left), static_cast<double>(ly + rowH + ty), "No draw has been played yet.",
                  TotalsText, font);
  }

  out.AddFill(x, y + hh - FooterH, w, FooterH, BandFill);
  out.AddText(static_cast<double>(x + 8),
              static_cast<double>(y + hh - FooterH) + (FooterH - static_cast<double>(th)) / 2,
              "Up/Down, wheel: scroll.  Enter or click a draw: recall.  A or click the chart: all / last 1000.  H: close.", RGB(140, 155, 175), font);
}

// The History overlay, every frame while it is open.
void DrawHistoryOverlay() {
  if (History.Open == 0) return;
  static PanelSteps steps;
  BuildHistoryOverlay(steps);
  DrawPanelSteps(steps);
  if (History.Failed == 0) DrawBalanceChart(History.ChartRect);
}
