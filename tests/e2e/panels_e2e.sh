#!/usr/bin/env bash
# The balls tube, the Speed control and the Draw button of the real game under Xvfb: the tube is
# empty before the first draw; after a draw at the fastest speed it holds 20 balls, green exactly
# where the board shows a hit; holding the mouse on the Draw button shows the holding face and,
# one second later, the red auto-run face, which a click stops again.
# Usage: panels_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
tube="150,150,160"
green="40,180,60"
red="210,10,10"
lit="80,200,100"
idle_face="40,80,190"
holding_face="30,55,130"
auto_face="180,35,35"
draw_face_point="17,102" # inside the Draw button (12, 12, 155, 96), clear of its text

# A point on the body of the ball in slot k (1 bottom left .. 20 top right) of the 110 x 770 tube
# at (1172, 120): right of and below the centre, clear of the shine, the digits and the rim.
ball_point() {
  local k=$1 x=78
  [ $((k % 2)) -eq 1 ] && x=32
  echo "$((1172 + x + 9)),$((120 + 754 - (k - 1) * 32 + 9))"
}

# The centre of slot k.
slot_centre() {
  local k=$1 x=78
  [ $((k % 2)) -eq 1 ] && x=32
  echo "$((1172 + x)),$((120 + 754 - (k - 1) * 32))"
}

e2e_start_greeted_game "$build"
game=$E2E_WINDOW

empty=()
for k in 1 2 10 19 20; do empty+=("$(slot_centre "$k")=$tube"); done
e2e_expect_pixels "$game" "the empty tube before the first draw" "${empty[@]}"
e2e_pass "the tube is empty before the first draw"

# Twelve picks on Card 1, spread over the board.
picks=(3 8 14 22 27 35 41 46 53 59 66 72)
for n in "${picks[@]}"; do
  read -r cx cy < <(e2e_cell_corner "$n")
  e2e_click "$game" $((cx + 43)) $((cy + 44))
done
read -r cx cy < <(e2e_cell_corner 72)
e2e_expect_pixels "$game" "the last pick on Card 1" "$((cx + 43)),$((cy + 10))=140,20,160"

# Two presses on the right half of the Speed control (483, 12, 155, 96): Medium to Fastest.
e2e_click "$game" 600 60
e2e_click "$game" 600 60
e2e_expect_pixels "$game" "all five speed segments lit" "504,62=$lit" "612,62=$lit"
e2e_pass "the Speed control shows Fastest"

# A click on Draw; the draw is over when the button is idle again and the top slot holds a ball.
e2e_click "$game" 90 60
top_is_filled() {
  local shot="$E2E_TMP/top.png" colours
  e2e_screenshot "$game" "$shot"
  mapfile -t colours < <(e2e_pixels "$shot" "$(ball_point 20)" "$draw_face_point")
  [[ "${colours[0]}" == "$green" || "${colours[0]}" == "$red" ]] && [ "${colours[1]}" = "$idle_face" ]
}
e2e_poll "the twentieth ball to land" top_is_filled

shot="$E2E_TMP/drawn.png"
e2e_screenshot "$game" "$shot"
points=()
for k in $(seq 1 20); do points+=("$(ball_point "$k")"); done
mapfile -t balls < <(e2e_pixels "$shot" "${points[@]}")
green_balls=0
for k in $(seq 1 20); do
  case "${balls[k - 1]}" in
    "$green") green_balls=$((green_balls + 1)) ;;
    "$red") ;;
    *) e2e_fail "slot $k shows ${balls[k - 1]}, not a green or red ball" ;;
  esac
done

# The draw switched to the Main tab: a hit cell is green there, and a number's cell is sampled
# above its digits, away from the yellow cross.
cells=()
for n in $(seq 1 80); do
  read -r cx cy < <(e2e_cell_corner "$n")
  cells+=("$((cx + 43)),$((cy + 10))")
done
mapfile -t board < <(e2e_pixels "$shot" "${cells[@]}")
hits=0
for n in $(seq 1 80); do
  if [ "${board[n - 1]}" = "$green" ]; then
    hits=$((hits + 1))
    [[ " ${picks[*]} " == *" $n "* ]] || e2e_fail "number $n is green on the board but was not picked"
  fi
done
[ "$green_balls" -eq "$hits" ] || e2e_fail "$green_balls green balls in the tube, but $hits hits on the board"
e2e_pass "20 balls in the tube after a fastest draw, $green_balls green for the $hits hits"

# Holding the mouse on Draw: the holding face at once, the auto-run face after a second.
xdotool mousemove --window "$game" 90 60 mousedown 1 || e2e_fail "could not press on the Draw button"
e2e_expect_pixels "$game" "the holding face" "$draw_face_point=$holding_face"
e2e_pass "holding the mouse on Draw shows the holding face"
e2e_expect_pixels "$game" "the auto-run face while the mouse is still down" "$draw_face_point=$auto_face"
xdotool mouseup 1 || e2e_fail "could not release the mouse"
e2e_expect_pixels "$game" "the auto-run face after the release" "$draw_face_point=$auto_face"
e2e_pass "after a one-second hold the Draw button shows auto-run"

e2e_click "$game" 90 60
e2e_expect_pixels "$game" "the idle face once auto-run has stopped" "$draw_face_point=$idle_face"
e2e_pass "a click stops auto-run"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
echo "PASS: panels end-to-end"
