#!/usr/bin/env bash
# The real game on a high-density screen under Xvfb (2600 x 1900). With GDK_SCALE=2 the window is
# 1282 x 902 logical pixels, 2564 x 1804 device pixels; the header band, the stats panel and
# cell 1 sit at twice their scale-1 positions; a click on cell 1 of Card 1 picks it; Escape saves
# and ends. Without GDK_SCALE the game follows the desktop's XSETTINGS scaling factor, also when
# it changes while the game runs (set through xsettingsd). On a screen smaller than the minimum
# window the window keeps its minimum size with its top-left corner on the screen.
# Usage: hidpi_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
picked="140,20,160"
command -v xsettingsd >/dev/null || e2e_fail "xsettingsd is not installed (scripts/install-deps.sh)"

size_is() { [ "$(e2e_size "$1")" = "$2" ]; }

# Logical pixels compared between the scale-1 and the scale-2 frame: both sides of the header
# band's lower edge, of the stats panel's right edge and of the board's top-left corner, the
# inside of cell 1 and its outline.
# shellcheck disable=SC2054  # each element is one "x,y" point
points=(5,119 5,120 640,119 640,120 150,121 150,300 293,300 294,300 292,500 293,173 294,171 294,172
  295,173 297,175 300,182 337,182 381,200)

# Starts a greeted game on the display, with the environment given (VAR=value ...), and sets game.
start_game() {
  e2e_install_game "$build"
  # shellcheck disable=SC2016  # expanded by the inner shell
  env "$@" bash -c 'SDL_AUDIODRIVER=dummy exec "$0" >"$1" 2>&1' "$E2E_GAME_DIR/keno" "$E2E_GAME_DIR/keno.log" &
  E2E_PID=$!
  e2e_wait_window "$E2E_WELCOME"
  e2e_key "$E2E_WINDOW" Return
  e2e_wait_window_gone "$E2E_WELCOME"
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
}

# Escape ends the game with status 0 and a save file holding number 1 of Card 1 when asked.
end_game() {
  local how=$1 want_pick=$2
  e2e_key "$game" Escape
  e2e_wait_exit
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$how: exit status $E2E_STATUS after Escape, expected 0"
  local save="$E2E_GAME_DIR/keno_save.dat" saved
  saved=$(stat -c %s "$save" 2>/dev/null) || e2e_fail "$how: no keno_save.dat beside the game"
  [ "$saved" -eq 372 ] || e2e_fail "$how: keno_save.dat has $saved bytes, expected 372"
  # The pick bytes follow the 8-byte header and ten 4-byte fields: Card 1's number 1 is byte 48.
  local pick
  pick=$(od -An -tu1 -j48 -N1 "$save" | tr -d ' ')
  if [ "$want_pick" = yes ] && [ "$pick" = 0 ]; then e2e_fail "$how: the save file lacks the pick of number 1"; fi
}

# Checks that the frame of the game shows every scale-1 pixel of the reference at twice its
# coordinates (the whole 2 x 2 device block).
expect_doubled() {
  local what=$1 checks=() colours=() i
  mapfile -t colours < <(e2e_pixels "$E2E_TMP/scale1.png" "${points[@]}")
  for ((i = 0; i < ${#points[@]}; i++)); do
    local x=${points[i]%,*} y=${points[i]#*,}
    checks+=("$((2 * x)),$((2 * y))=${colours[i]}" "$((2 * x + 1)),$((2 * y + 1))=${colours[i]}")
  done
  e2e_expect_pixels "$game" "$what" "${checks[@]}"
}

E2E_SCREEN=2600x1900x24 e2e_start_display

# The scale-1 reference.
start_game GDK_SCALE=1
size_is "$game" "1282 902" || e2e_fail "scale 1: the window is $(e2e_size "$game"), expected 1282 902"
e2e_expect_pixels "$game" "the scale-1 frame" "5,119=160,120,0"
e2e_screenshot "$game" "$E2E_TMP/scale1.png"
end_game "scale 1" no

# GDK_SCALE=2.
start_game GDK_SCALE=2
size_is "$game" "2564 1804" || e2e_fail "GDK_SCALE=2: the window is $(e2e_size "$game"), expected 2564 1804"
e2e_pass "with GDK_SCALE=2 the window is 2564 x 1804 device pixels"
expect_doubled "the scale-2 frame"
e2e_pass "the header band, the stats panel and cell 1 are at twice their scale-1 positions"
# The only guard of the pointer's conversion from device to logical pixels at scale 2: the
# headless back end has no GTK and takes its pointer in logical pixels already, so no ctest test
# sees a pointer left in device pixels.
e2e_click "$game" $((2 * (294 + 43))) $((2 * (172 + 44))) 1
e2e_expect_pixels "$game" "number 1 picked after a click" "$((2 * 337)),$((2 * 182))=$picked" \
  "$((2 * 300)),$((2 * 240))=$picked"
e2e_pass "a click on cell 1 of Card 1 picks it (the pointer is read in logical pixels)"
end_game "GDK_SCALE=2" yes
e2e_pass "Escape saves and ends the game"

# XSETTINGS: the game starts at the desktop's factor 1 and follows a change to 2.
settings="$E2E_TMP/xsettingsd.conf"
echo "Gdk/WindowScalingFactor 1" >"$settings"
xsettingsd -c "$settings" >"$E2E_TMP/xsettingsd.log" 2>&1 &
xsettingsd_pid=$!
trap 'kill "$xsettingsd_pid" 2>/dev/null; e2e_cleanup' EXIT
start_game -u GDK_SCALE
size_is "$game" "1282 902" || e2e_fail "XSETTINGS factor 1: the window is $(e2e_size "$game"), expected 1282 902"
echo "Gdk/WindowScalingFactor 2" >"$settings"
kill -HUP "$xsettingsd_pid"
e2e_poll "the window to become 2564 x 1804 after the factor changed to 2 (now $(e2e_size "$game"))" \
  size_is "$game" "2564 1804"
expect_doubled "the frame after the factor changed to 2"
e2e_pass "a change of the XSETTINGS factor to 2 rebuilds the frame at twice the resolution"
# The only guard of the pointer's conversion from device to logical pixels at scale 2: the
# headless back end has no GTK and takes its pointer in logical pixels already, so no ctest test
# sees a pointer left in device pixels.
e2e_click "$game" $((2 * (294 + 43))) $((2 * (172 + 44))) 1
e2e_expect_pixels "$game" "number 1 picked after the factor changed" "$((2 * 337)),$((2 * 182))=$picked"
end_game "XSETTINGS factor 2" yes
e2e_pass "clicks land where they should after the change"
kill "$xsettingsd_pid" 2>/dev/null
trap e2e_cleanup EXIT
e2e_stop_display

# A screen smaller than the minimum window in logical pixels (2560 x 1600 at scale 2, 1280 x 800
# logical): the window keeps its 1280 x 902 minimum and its top-left corner on the screen, so
# the control row and the tabs stay in view.
E2E_SCREEN=2560x1600x24 e2e_start_display
start_game GDK_SCALE=2
size_is "$game" "2564 1804" || e2e_fail "small screen: the window is $(e2e_size "$game"), expected 2564 1804"
[ "$(e2e_origin "$game")" = "0 0" ] || e2e_fail "small screen: the window is at $(e2e_origin "$game"), expected 0 0"
e2e_expect_pixels "$game" "the control row on a small screen" "10,10=160,120,0" "$((2 * 640)),$((2 * 119))=160,120,0"
end_game "small screen" no
e2e_pass "on a screen smaller than the minimum the window keeps its size with its top-left corner in view"
echo "PASS: high-density end-to-end"
