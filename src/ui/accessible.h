// What a screen reader is told about the screen: the list of accessible items (the controls, the
// tabs, the board as a table of cells, the stats panel, the balls tube and the open overlay) and
// the spoken announcements of the balls, the draw's result and the status line.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "state/draw_view.h"

// The list's fixed places, so that the keyboard focus can name an item: the 8 controls left to
// right, the tab strip and its 5 tabs, the board and its 80 cells; the stats panel, the tube and
// an open overlay follow them.
constexpr int64_t AccessibleControlCount = 8;
constexpr int64_t AccessibleFirstControl = 0;
constexpr int64_t AccessibleTabList = AccessibleFirstControl + AccessibleControlCount;
constexpr int64_t AccessibleFirstTab = AccessibleTabList + 1;
constexpr int64_t AccessibleBoard = AccessibleFirstTab + TabCount;
constexpr int64_t AccessibleFirstCell = AccessibleBoard + 1;  // cell n is AccessibleFirstCell + n - 1
constexpr int64_t AccessibleStatsPanel = AccessibleFirstCell + NumberCount;
constexpr int64_t AccessibleItemCapacity = 480;  // the pay table's rows and a full stats panel fit with room
// Stand-ins for items whose place depends on what is open: the History list's selected row and
// the recall banner.
constexpr int64_t AccessibleHistorySelection = -3;
constexpr int64_t AccessibleRecallBanner = -4;

// Once per frame, inside the frame's drawing pass (text is measured in the game's fonts): when
// anything the items show has changed, builds the list and hands it to the platform; a frame that
// changes nothing builds nothing. The items show the `shown` view (a recalled draw's, or the live
// one); the announcements follow the live game: each newly revealed ball, a settled draw's result
// and a new status line, and a recalled draw's banner when it is shown.
void UpdateAccessibleItems(const DrawView& shown, const DrawView& live);

// The item the keyboard focus is on (one of the fixed places above or a stand-in), -1 for none:
// reported as focused, and a cell as the board's active descendant.
void SetFocusedAccessibleItem(int64_t index);

// Forgets what was handed over and announced, so that the next update builds and announces
// afresh (a new game state, e.g. in a test).
void ResetAccessibleItems();
