// The balance chart's image: bars and joins on device pixels, so a chart at a scale factor of 2 has
// twice the columns of one at 1 and stays as sharp.
#include "ui/history_chart.h"

#include <algorithm>
#include <cmath>

#include "platform/platform.h"
#include "ui/palette.h"

namespace {

constexpr Colour ChartBackground = HistoryChartFill;  // the overlay's dark ground
constexpr Colour ChartLine = HitColour | 0xFF000000u;  // opaque: paths take the alpha byte
constexpr Colour ChartBreakMark = RGBA(210, 10, 10, 110);  // DrawnColour, faint: a wipe's place
constexpr int64_t ChartMargin = 2;                         // logical pixels above and below the line

int64_t chartImage = 0;  // the image made last, 0 before one is made

// The device row of a balance within a chart hPx high whose scale runs lowest..highest.
double RowOf(const BalanceChartView& view, int64_t balance, int64_t hPx, int64_t s) {
  const double top = static_cast<double>(ChartMargin * s);
  const double span = static_cast<double>(hPx - 1 - 2 * ChartMargin * s);
  if (view.Highest == view.Lowest || span <= 0) return static_cast<double>(hPx / 2);
  return top + span * static_cast<double>(view.Highest - balance) / static_cast<double>(view.Highest - view.Lowest);
}

// Adds a rectangle of device pixels to the current path (coordinates divided by the scale).
void PathDeviceRect(double x, double y, double w, double h, double s) {
  PathMoveTo(x / s, y / s);
  PathLineTo((x + w) / s, y / s);
  PathLineTo((x + w) / s, (y + h) / s);
  PathLineTo(x / s, (y + h) / s);
}

}  // namespace

void RenderBalanceChart(const BalanceChartView& view, int64_t wPx, int64_t hPx) {
  const int64_t s = std::max<int64_t>(1, ScreenScale());
  const int64_t w = (wPx + s - 1) / s, h = (hPx + s - 1) / s;
  if (w <= 0 || h <= 0) return;
  chartImage = CreateImageBuffer(ImageNumberBalanceChart, w, h, 24, ChartBackground);
  if (chartImage == 0 || !BeginVectorDrawing(chartImage)) return;
  const double sd = static_cast<double>(s);

  SetPathPaint(ChartBreakMark);
  bool marks = false;
  for (int64_t c = 0; c < view.Columns; ++c) {
    if (view.Break[c] == 0) continue;
    PathDeviceRect(static_cast<double>(c), 0, 1, static_cast<double>(hPx), sd);
    marks = true;
  }
  if (marks) FillCurrentPath();

  // Bars, each widened to reach the balance the column before ended at when they touch.
  SetPathPaint(ChartLine);
  int64_t previous = -1;
  bool bars = false;
  for (int64_t c = 0; c < view.Columns; ++c) {
    if (view.Count[c] == 0) continue;
    int64_t lo = view.Low[c], hi = view.High[c];
    if (previous == c - 1 && previous >= 0 && view.Break[c] == 0) {
      lo = std::min(lo, view.Last[previous]);
      hi = std::max(hi, view.Last[previous]);
    }
    const double top = std::floor(RowOf(view, hi, hPx, s));
    const double bottom = std::floor(RowOf(view, lo, hPx, s));
    PathDeviceRect(static_cast<double>(c), top, 1, bottom - top + sd, sd);
    bars = true;
    previous = c;
  }
  if (bars) FillCurrentPath();

  // Joins across empty columns, where the events are fewer than the columns.
  previous = -1;
  bool joins = false;
  for (int64_t c = 0; c < view.Columns; ++c) {
    if (view.Count[c] == 0) continue;
    if (previous >= 0 && previous < c - 1 && view.Break[c] == 0) {
      PathMoveTo((static_cast<double>(previous) + 0.5) / sd,
                 (std::floor(RowOf(view, view.Last[previous], hPx, s)) + sd / 2) / sd);
      PathLineTo((static_cast<double>(c) + 0.5) / sd, (std::floor(RowOf(view, view.First[c], hPx, s)) + sd / 2) / sd);
      joins = true;
    }
    previous = c;
  }
  if (joins) StrokeCurrentPath(1.0);
  EndVectorDrawing();
}

void DrawBalanceChart(const Rect& r) {
  if (chartImage != 0) StampImage(chartImage, r.x, r.y);
}
