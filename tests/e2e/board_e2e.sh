#!/usr/bin/env bash
# The number board of the real game under Xvfb: a click on a cell of the Card 1 tab picks it, a
# click on the Main tab selects that tab and shows the pick in the combined view, and a larger
# window lays the board out again over the new size with the pick still there.
# Usage: board_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
idle="0,90,200"
picked="140,20,160"
gold="255,215,0"
outline="0,0,0"

size_is() { [ "$(e2e_size "$1")" = "$2" ]; }

e2e_start_greeted_game "$build"
game=$E2E_WINDOW

# Number 45 on the 878 x 718 board; its fill is checked above the digits, away from the bevel.
read -r cx cy < <(e2e_cell_corner 45 878 718)
e2e_expect_pixels "$game" "number 45 idle on the Card 1 tab" "$((cx + 43)),$((cy + 10))=$idle"
e2e_click "$game" $((cx + 43)) $((cy + 44)) 1
e2e_expect_pixels "$game" "number 45 picked after a click" \
  "$((cx + 43)),$((cy + 10))=$picked" "$((cx + 8)),$((cy + 30))=$picked" "$((cx + 60)),$((cy + 75))=$picked"
e2e_pass "a click on a cell of the Card 1 tab turns it purple"

# The Main tab takes the first fifth of the tab strip; its face turns gold and the board shows
# the pick of Card 1 in the combined view.
e2e_click "$game" 320 140 1
e2e_expect_pixels "$game" "the Main tab selected" "304,140=$gold" "$((cx + 43)),$((cy + 10))=$picked"
read -r ox oy < <(e2e_cell_corner 46 878 718)
e2e_expect_pixels "$game" "an unpicked number on the Main tab" "$((ox + 43)),$((oy + 10))=$idle"
e2e_pass "the Main tab turns gold and shows the pick"

# A larger window: the board becomes 1196 x 816 and reaches the tube at x = 1490.
xdotool windowsize "$game" 1600 1000
e2e_poll "the window to grow to 1600 x 1000" size_is "$game" "1600 1000"
read -r cx cy < <(e2e_cell_corner 45 1196 816)
read -r lx ly < <(e2e_cell_corner 80 1196 816)
e2e_expect_pixels "$game" "the board laid out at 1600 x 1000" \
  "$((cx + 60)),$((cy + 10))=$picked" "$((cx + 8)),$((cy + 60))=$picked" \
  "$((lx + 60)),$((ly + 10))=$idle" "1489,$((ly + 50))=$outline" "304,140=$gold"
e2e_pass "the enlarged window shows the board over the new size with the pick kept"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
echo "PASS: board end-to-end"
