// Recall of a past draw: which draw is shown, the view the board, tube and card rows draw from
// in its place of the live one, the banner's lines and where its marks were drawn. The live game
// state is never written while a draw is recalled.
#pragma once

#include <cstdint>

#include "state/draw_view.h"
#include "state/game_state.h"

constexpr int64_t RecallBannerLines = 2;
constexpr int64_t RecallBannerChars = 192;  // bytes of each banner line, its terminating zero included

struct RecallState {
  int64_t Open = 0;      // flag: a past draw is shown instead of the live one (writer: app/recall)
  int64_t DrawId = 0;    // the draw shown, a settled draw's id (writer: app/recall)
  int64_t Position = 0;  // its number among the settled draws, oldest 1 (writer: app/recall)
  int64_t Total = 0;     // settled draws in the ledger when it was read (writer: app/recall)
  int64_t Tab = 0;       // recall's own tab selection, 0 Main or a card 1..CardCount (writer: app/recall)
  DrawView View;         // the recalled draw as shown (writer: app/recall)
  char Banner[RecallBannerLines][RecallBannerChars] = {};  // the banner's text lines (writer: app/recall)
  Rect BannerRect;                                         // the banner as last drawn, logical pixels (writer: ui)
  Rect OlderMark;                                          // its "<" mark (writer: ui)
  Rect NewerMark;                                          // its ">" mark (writer: ui)
  Rect CloseMark;                                          // its "x" mark (writer: ui)
};

inline RecallState Recall;
