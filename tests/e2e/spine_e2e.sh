#!/usr/bin/env bash
# The real game under Xvfb: it starts from a fresh directory, greets a new player, presents its
# frame at the window's inner size, keeps its minimum size, follows a larger one, plays sound,
# and ends with status 0 and a save file on Escape, on a close request and when its window is
# destroyed; without GLX it reports the failure and ends without saving.
# Usage: spine_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
header="160,120,0"
background="172,176,185"

# The header band (above the control buttons) spans the width; the bottom strip is background.
expect_frame() {
  local id=$1 w=$2 h=$3
  e2e_expect_pixels "$id" "frame of ${w}x${h}" \
    "0,4=$header" "$((w / 4)),4=$header" "$((w / 2)),4=$header" "$((w * 3 / 4)),4=$header" "$((w - 1)),4=$header" \
    "0,$((h - 6))=$background" "$((w / 2)),$((h - 6))=$background" "$((w - 1)),$((h - 6))=$background"
}

size_is() { [ "$(e2e_size "$1")" = "$2" ]; }

expect_exit_with_save() {
  local how=$1
  e2e_wait_exit
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$how: exit status $E2E_STATUS, expected 0"
  local saved
  saved=$(stat -c %s "$E2E_GAME_DIR/keno_save.dat" 2>/dev/null) || e2e_fail "$how: no keno_save.dat beside the game"
  [ "$saved" -eq 372 ] || e2e_fail "$how: keno_save.dat has $saved bytes, expected 372"
  e2e_pass "$how ends the game with status 0 and a 372-byte save file"
}

e2e_start_display

# First run: greeting, frame, sizes, sound, Escape.
e2e_install_game "$build"
e2e_launch disk
e2e_wait_window "$E2E_WELCOME"
box=$E2E_WINDOW
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
e2e_pass "a new player is greeted by \"$E2E_WELCOME\""
size_is "$game" "1282 902" || e2e_fail "inner size is $(e2e_size "$game"), expected 1282 902"
e2e_pass "the window opens with an inner size of 1282 x 902"

e2e_key "$box" Return
e2e_wait_window_gone "$E2E_WELCOME"
e2e_pass "Return dismisses the greeting"
expect_frame "$game" 1282 902
e2e_pass "the frame shows the header band and the bottom strip"

xdotool windowsize "$game" 1000 700
e2e_poll "the window to settle at its minimum size 1280 x 902 (now $(e2e_size "$game"))" size_is "$game" "1280 902"
expect_frame "$game" 1280 902
e2e_pass "a resize to 1000 x 700 stops at the minimum size 1280 x 902"

xdotool windowsize "$game" 1400 1000
e2e_poll "the window to grow to 1400 x 1000" size_is "$game" "1400 1000"
expect_frame "$game" 1400 1000
e2e_pass "the frame follows the window to 1400 x 1000"

# Holding Space starts auto-run with a tone, which must reach the audio device.
xdotool windowfocus --sync "$game" keydown space
e2e_poll "a sound in the audio output while Space is held" e2e_sound_played
xdotool keyup space
e2e_pass "holding Space plays a sound through the audio device"

e2e_key "$game" Escape
expect_exit_with_save "Escape"

# Further runs: each with its audio driver, greeted (after the sound warning when there is no
# audio), then ended by closing the window one way or another.
while read -r driver close_by; do
  e2e_install_game "$build"
  e2e_launch "$driver"
  if [ "$driver" = "none-such" ]; then
    e2e_wait_window "Keno"
    e2e_key "$E2E_WINDOW" Return
    e2e_wait_window_gone "Keno"
    e2e_pass "without audio the game warns in a \"Keno\" box and goes on"
  fi
  e2e_wait_window "$E2E_WELCOME"
  e2e_key "$E2E_WINDOW" Return
  e2e_wait_window_gone "$E2E_WELCOME"
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
  expect_frame "$game" 1282 902
  case $close_by in
    request) e2e_request_close "$game" ;;
    destroy) xdotool windowclose "$game" ;;
  esac
  expect_exit_with_save "closing the window ($close_by, audio $driver)"
done <<'EOF'
none-such request
dummy destroy
EOF

# A display without GLX: the accelerated screen cannot be made, the game says so in an "Error"
# box and ends with status 0 without saving.
e2e_stop_display
e2e_start_display -extension GLX
e2e_install_game "$build"
e2e_launch dummy
e2e_wait_window "Error"
e2e_key "$E2E_WINDOW" Return
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "without GLX: exit status $E2E_STATUS, expected 0"
[ ! -e "$E2E_GAME_DIR/keno_save.dat" ] || e2e_fail "without GLX: the game saved although it never started"
e2e_pass "without GLX the game shows an \"Error\" box and ends with status 0 without saving"

echo "PASS: spine end-to-end"
