#!/usr/bin/env bash
# The History overlay and recall under Xvfb, by keyboard alone: three draws on Card 1 at the
# fastest speed, the balls tube captured as each one ends; H opens the overlay over the board,
# Return recalls the newest draw (the banner over the header, the tube as it was when that draw
# ended), Left the draw before it (its own tube), H leaves recall with the window exactly as it
# was before the overlay opened, and Escape quits with status 0.
# Usage: history_e2e.sh [build directory, default build]. With E2E_ARTIFACTS set to a folder, the
# two images of a failed comparison are kept there.
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
trap e2e_cleanup EXIT

gold="255,215,0" # the overlay's frame and the recall banner's edge
shots="$E2E_TMP/shots"
mkdir -p "$shots"

e2e_start_greeted_game "$build"
game=$E2E_WINDOW
ledger="$E2E_GAME_DIR/keno_history.sqlite3"
read -r sw sh < <(e2e_size "$game")
# The balls tube at the right edge, 110 pixels wide from below the header to 12 above the bottom.
tube=("$((sw - 110))" 120 110 "$((sh - 132))")
# The recall banner: from the New Game button's left edge to the About button's right edge.
bw=$(((sw - 38) / 8))
banner_x=$((12 + bw + 2))
banner_r=$((sw - 12 - 1))

# Keeps both images of a failed comparison, as history-NAME-expected.png and -shown.png, where
# E2E_ARTIFACTS says and fails naming them.
fail_images() {
  local name=$1 what=$2 want=$3 got=$4 n=$5 keep=${E2E_ARTIFACTS:-}
  if [ -n "$keep" ]; then
    mkdir -p "$keep"
    cp "$want" "$keep/history-$name-expected.png"
    cp "$got" "$keep/history-$name-shown.png"
    e2e_fail "$what: $n pixels differ (images: $keep/history-$name-expected.png, $keep/history-$name-shown.png)"
  fi
  e2e_fail "$what: $n pixels differ (set E2E_ARTIFACTS to a folder to keep both images)"
}

settled_draws() { sqlite3 -readonly "$ledger" "SELECT count(*) FROM draws WHERE state = 'settled'" 2>/dev/null; }
settled_more_than() { [ "$(settled_draws)" -gt "$1" ] 2>/dev/null; }

# Captures the tube into FILE; true when it equals the capture before (FILE.last), i.e. the tube
# has stopped changing between two frames apart.
tube_still() {
  local file=$1
  [ -f "$file" ] && mv "$file" "$file.last"
  e2e_region_shot "$game" "${tube[@]}" "$file"
  [ -f "$file.last" ] && [ "$(e2e_differing_pixels "$file.last" "$file")" = 0 ]
}

# Takes a screenshot of the whole window into FILE; true when it equals the one before.
window_still() {
  local file=$1
  [ -f "$file" ] && mv "$file" "$file.last"
  e2e_screenshot "$game" "$file"
  [ -f "$file.last" ] && [ "$(e2e_differing_pixels "$file.last" "$file")" = 0 ]
}

# True when the tube shown now equals the capture WANT; E2E_DIFF then holds the count.
tube_equals() {
  e2e_region_shot "$game" "${tube[@]}" "$2"
  E2E_DIFF=$(e2e_differing_pixels "$1" "$2")
  [ "$E2E_DIFF" = 0 ]
}

window_equals() {
  e2e_screenshot "$game" "$2"
  E2E_DIFF=$(e2e_differing_pixels "$1" "$2")
  [ "$E2E_DIFF" = 0 ]
}

# Polls a comparison until it holds: expect_same NAME WHAT CHECK WANT GOT; fails with both images
# after E2E_TIMEOUT seconds.
expect_same() {
  local name=$1 what=$2 check=$3 want=$4 got=$5 deadline=$((SECONDS + E2E_TIMEOUT))
  until "$check" "$want" "$got"; do
    [ "$SECONDS" -lt "$deadline" ] || fail_images "$name" "$what" "$want" "$got" "$E2E_DIFF"
    sleep 0.05
  done
}

# Setup, one key at a time: Right three times reaches the Speed stepper and twice more steps it up
# to Fastest; Tab, Right and Enter show Card 1; Tab to the board, where Enter picks 1 and the
# arrows and Enter 12, 23 and 34; Tab and Home put the focus on the Draw button, which recall
# keeps in view beside its banner.
for key in Right Right Right Right Right Tab Right Return Tab Return Right Down Return Right Down Return \
  Right Down Return Tab Home; do
  e2e_key "$game" "$key"
done
read -r cx cy < <(e2e_cell_corner 34)
e2e_expect_pixels "$game" "34 picked on Card 1 by Enter" "$((cx + 43)),$((cy + 10))=140,20,160"
e2e_pass "1, 12, 23 and 34 picked on Card 1 and the speed set with the keyboard"

# Three draws, each started with Space once the one before has ended: its settlement is in the
# ledger and the tube has stopped changing. The tube as each draw ends is kept.
for draw in 1 2 3; do
  before=$(settled_draws)
  [ -n "$before" ] || before=0
  e2e_key "$game" space
  e2e_poll "draw $draw to be settled in the ledger" settled_more_than "$before"
  rm -f "$shots/tube$draw.png" "$shots/tube$draw.png.last"
  e2e_poll "the tube to stop changing after draw $draw" tube_still "$shots/tube$draw.png"
done
[ "$(settled_draws)" = 3 ] || e2e_fail "the ledger holds $(settled_draws) settled draws after three, expected 3"
n=$(e2e_differing_pixels "$shots/tube2.png" "$shots/tube3.png") || exit 1
[ "$n" -gt 0 ] || e2e_fail "the tubes of draws 2 and 3 are identical, so a recall could not tell them apart"
e2e_pass "three draws settled; the tubes of the last two differ in $n pixels"

# The live window before the overlay opens, once it has stopped changing.
rm -f "$shots/live.png" "$shots/live.png.last"
e2e_poll "the window to stop changing after the third draw" window_still "$shots/live.png"

# H: the overlay covers the board with its gold frame and a band along its top.
# The frame's left and right edges (the bands cover its top and bottom) and a pixel of the top band.
frame=("294,300" "294,600" "$((sw - 111)),300" "$((sw - 111)),600")
band="600,180"
mapfile -t was < <(e2e_pixels "$shots/live.png" "${frame[@]}" "$band")
for colour in "${was[@]}"; do
  if [ "$colour" = "$gold" ] || [ "$colour" = "40,40,65" ]; then
    e2e_fail "the live board already has the overlay's colours where its frame and band go: ${was[*]}"
  fi
done
e2e_key "$game" h
e2e_expect_pixels "$game" "H opens the History overlay" "${frame[@]/%/=$gold}" "$band=40,40,65"
e2e_pass "H: the History overlay's gold frame and band are over the board (there were ${was[*]})"

# Return recalls the selected row, the newest draw: the banner over the header controls, and the
# tube as it was when the draw ended.
e2e_key "$game" Return
e2e_expect_pixels "$game" "Return shows the recall banner" "600,12=$gold" "$banner_x,60=$gold" "$banner_r,60=$gold" \
  "600,100=24,28,44" "${frame[1]}=${was[1]}" "$band=${was[4]}"
expect_same newest-tube "the newest draw's recalled tube against its capture" tube_equals "$shots/tube3.png" \
  "$shots/recall3.png"
e2e_pass "Return: the recall banner is over the header, the overlay is gone, the tube is the one draw 3 ended with"

# Left: the draw before, with the tube it ended with.
e2e_key "$game" Left
expect_same second-tube "the second draw's recalled tube against its capture" tube_equals "$shots/tube2.png" \
  "$shots/recall2.png"
e2e_expect_pixels "$game" "the banner stays for the second draw" "600,12=$gold" "600,100=24,28,44"
e2e_pass "Left: the tube is the one draw 2 ended with, pixel for pixel"

# H leaves recall: the window is the live one from before the overlay, pixel for pixel.
e2e_key "$game" h
expect_same window-after-recall "the window after leaving recall against the live window before H" window_equals \
  "$shots/live.png" "$shots/after.png"
e2e_pass "H: recall is left and the whole window is the live one from before the overlay"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
e2e_pass "Escape quits with status 0"
echo "PASS: history end-to-end"
