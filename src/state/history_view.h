// The History overlay: the totals over the whole ledger, one page of the latest settled draws,
// the row selected, and where the overlay's rows and controls were drawn. App fills it from the
// ledger; ui draws from it and records the rects.
#pragma once

#include <cstdint>

#include "state/game_state.h"

constexpr int64_t HistoryPageRows = 12;    // rows of the list read and shown at once
constexpr int64_t HistoryRowChars = 320;   // bytes of a row's text, its terminating zero included
constexpr int64_t HistoryLineChars = 256;  // bytes of a totals or message line, zero included
constexpr int64_t HistoryTotalsLines = 4;  // lines of the totals block

struct HistoryRow {
  int64_t DrawId = 0;  // the settled draw's id (writer: app/history)
  char Text[HistoryRowChars] =
      {};  // number, local time, schedule, cost, won, balance after, tab-separated (writer: app/history)
};

struct HistoryState {
  int64_t Open = 0;                   // flag: the overlay is shown over the board (writer: app/history)
  int64_t Draws = 0;                  // settled draws in the ledger, count (writer: app/history)
  int64_t Bet = 0;                    // dollars charged over all settled draws (writer: app/history)
  int64_t Won = 0;                    // dollars paid, progressive and consolation included (writer: app/history)
  int64_t Progressive = 0;            // dollars of progressive jackpots paid (writer: app/history)
  int64_t Consolation = 0;            // dollars of consolations paid (writer: app/history)
  int64_t BiggestWin = 0;             // dollars, the largest single draw's won (writer: app/history)
  double PaidPercent = 0;             // pay-table wins over bets, percent, 0 with no bets (writer: app/history)
  double ExpectedPercent = 0;         // bet-weighted exact return of the cards played, percent (writer: app/history)
  int64_t Failed = 0;                 // flag: the ledger could not be read; Error says why (writer: app/history)
  char Error[HistoryLineChars] = {};  // "History unavailable: <reason>" when Failed (writer: app/history)
  char Totals[HistoryTotalsLines][HistoryLineChars] = {};  // the totals block's text lines (writer: app/history)
  HistoryRow Rows[HistoryPageRows];                        // the page shown, newest first (writer: app/history)
  int64_t RowCount = 0;  // rows of Rows filled, 0..HistoryPageRows (writer: app/history)
  int64_t Top = 0;       // the first row shown, counted from the newest draw (0) (writer: app/history)
  int64_t Selected = 0;  // the selected draw, counted from the newest (0), Top..Top+RowCount-1 (writer: app/history)
  Rect RowRects[HistoryPageRows];  // each row as last drawn, logical pixels (writer: ui)
  Rect ListRect;                   // the whole list as last drawn (writer: ui)
  Rect ExportRect;                 // the "Export CSV..." control as last drawn (writer: ui)
  Rect ChartRect;                  // the space kept for the balance chart image (writer: ui)
  int64_t ChartStale = 1;          // flag: the chart image is to be made again (writer: app/history)
  int64_t ChartW = 0, ChartH = 0;  // device pixels of the chart image made last (writer: app/history)
  Rect PanelRect;                  // the overlay as last drawn (writer: ui)
};

inline HistoryState History;
