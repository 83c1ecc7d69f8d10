#!/usr/bin/env bash
# The two overlays in the real game under Xvfb: a click on Payout Table shows the pay table over
# the board, the next click anywhere closes it without picking the number underneath; a click on
# About shows the rules page with its title band, and the next click closes it the same way.
# Usage: overlays_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1

# The default window: board at 294,172 (878 x 718), pay table rows 38 high.
bx=294
by=172
bw=878
bh=718
pay_button="403 60"   # centre of the Payout Table button
about_button="1190 60" # centre of the About button
idle="0,90,200"
picked="140,20,160"

e2e_start_greeted_game "$build"
game=$E2E_WINDOW

# Inside the first cell of the board, clear of its digits and bevel; the second row's first cell.
cell1="$((bx + 10)),$((by + 10))"
cell11="$((bx + 10)),$((by + 99))"
e2e_expect_pixels "$game" "the board before any overlay" "$cell1=$idle" "$cell11=$idle"

# Pay table: header row, gold frame beside the empty stretch, footer band.
read -r px py <<<"$pay_button"
e2e_click "$game" "$px" "$py"
e2e_expect_pixels "$game" "the pay table overlay" \
  "$((bx + bw - 5)),$by=40,40,65" \
  "$bx,$((by + 14 * 38 + 10))=255,215,0" \
  "$((bx + bw - 1)),$((by + 14 * 38 + 10))=255,215,0" \
  "$((bx + bw / 2)),$((by + 14 * 38 + 10))=18,18,32" \
  "$((bx + bw - 5)),$((by + bh - 26))=40,40,65" \
  "$cell1=40,40,65"
e2e_pass "a click on Payout Table shows the pay table over the board"

e2e_click "$game" "$((bx + 10))" "$((by + 10))"
e2e_expect_pixels "$game" "the board after closing the pay table" "$cell1=$idle" "$cell11=$idle"
e2e_pass "a click on the board closes the pay table and picks nothing"

# About: title band at the top, lilac frame down the sides, footer band.
read -r ax ay <<<"$about_button"
e2e_click "$game" "$ax" "$ay"
e2e_expect_pixels "$game" "the About overlay" \
  "$((bx + bw - 5)),$by=50,30,85" \
  "$((bx + bw - 5)),$((by + 51))=50,30,85" \
  "$bx,$((by + 300))=180,140,230" \
  "$((bx + bw - 1)),$((by + 300))=180,140,230" \
  "$((bx + bw - 5)),$((by + bh - 28))=50,30,85" \
  "$cell11=22,22,45"
e2e_pass "a click on About shows the rules page with its title band RGB(50, 30, 85)"

e2e_click "$game" "$((bx + 10))" "$((by + 99))"
e2e_expect_pixels "$game" "the board after closing About" "$cell1=$idle" "$cell11=$idle"
e2e_pass "a click on the board closes About and picks nothing"

# A click on the board now picks: the two clicks above were taken by the overlays.
e2e_click "$game" "$((bx + 10))" "$((by + 99))"
e2e_expect_pixels "$game" "a pick once the overlays are closed" "$cell11=$picked"
e2e_pass "with no overlay open the same click picks the number"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"

echo "PASS: overlays end-to-end"
