#!/usr/bin/env bash
# Presenting only what changed, checked on the real game under Xvfb. With KENO_VERIFY_PRESENT=1
# the game reads its window back from the X server after every present and counts the pixels
# unlike its whole back buffer. One run: picks by clicks, Fastest auto-run started by holding
# Space, the pay table opened over the rolling balls, a resize, a change of the desktop's scaling
# factor to 2 (xsettingsd), the pay table closed, a pick at scale 2; every present read back must
# match, and most presents must have been partial.
# Usage: present_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
command -v xsettingsd >/dev/null || e2e_fail "xsettingsd is not installed (scripts/install-deps.sh)"
picked="140,20,160"
autorun_red="180,35,35"
pay_button="403 60" # centre of the Payout Table button

size_is() { [ "$(e2e_size "$1")" = "$2" ]; }
origin_is() { [ "$(e2e_origin "$1")" = "$2" ]; }

# The count named by a word of the game's "present check" line, e.g. check_count partial.
check_count() {
  sed -n 's/^present check: //p' "$E2E_GAME_DIR/keno.log" | tr ',;' '\n\n' |
    awk -v word="$2" '$2 == word || $3 == word { print $1 }' | tail -n 1
}

# Key repeat would turn the Space hold into taps; push it beyond the test. The screen has room for
# the resized window at scale 2.
E2E_SCREEN=2600x1900x24 e2e_start_display -ardelay 60000
settings="$E2E_TMP/xsettingsd.conf"
echo "Gdk/WindowScalingFactor 1" >"$settings"
xsettingsd -c "$settings" >"$E2E_TMP/xsettingsd.log" 2>&1 &
xsettingsd_pid=$!
trap 'kill "$xsettingsd_pid" 2>/dev/null; e2e_cleanup' EXIT

e2e_install_game "$build"
# A new player (no picks, so the greeting box) whose speed is Fastest.
e2e_make_save "$E2E_GAME_DIR/keno_save.dat" 1000 1 0 25000 5 1
# shellcheck disable=SC2016  # expanded by the inner shell
env -u GDK_SCALE KENO_VERIFY_PRESENT=1 bash -c 'SDL_AUDIODRIVER=dummy exec "$0" >"$1" 2>&1' \
  "$E2E_GAME_DIR/keno" "$E2E_GAME_DIR/keno.log" &
E2E_PID=$!
e2e_wait_window "$E2E_WELCOME"
e2e_key "$E2E_WINDOW" Return
e2e_wait_window_gone "$E2E_WELCOME"
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW

# Ten picks on the Main tab's board, each checked on screen.
for n in 1 4 12 19 23 36 45 58 67 80; do
  read -r cx cy < <(e2e_cell_corner "$n")
  e2e_click "$game" $((cx + 43)) $((cy + 44))
  e2e_expect_pixels "$game" "number $n picked" "$((cx + 10)),$((cy + 10))=$picked"
done
e2e_pass "ten numbers picked by clicks"

xdotool windowfocus --sync "$game" keydown space || e2e_fail "could not press Space"
sleep 1.3 # the gesture: Space held past one second starts auto-run
xdotool windowfocus --sync "$game" keyup space || e2e_fail "could not release Space"
e2e_expect_pixels "$game" "the Draw button in its auto-run state" "20,60=$autorun_red"
sleep 1 # balls roll
e2e_pass "Fastest auto-run started with the balls rolling"

read -r px py <<<"$pay_button"
e2e_click "$game" "$px" "$py"
e2e_expect_pixels "$game" "the pay table over the board" "$((294 + 10)),$((172 + 10))=40,40,65"
sleep 1
e2e_pass "the pay table open over the rolling balls"

xdotool windowsize "$game" 1290 910 || e2e_fail "could not resize the window"
e2e_poll "the window to become 1290 x 910 (now $(e2e_size "$game"))" size_is "$game" "1290 910"
sleep 1
e2e_pass "the window resized to 1290 x 910"

# At the top-left corner the window at scale 2 stays on the screen, where it can be read back.
xdotool windowmove "$game" 0 0 || e2e_fail "could not move the window"
e2e_poll "the window at 0 0 (now $(e2e_origin "$game"))" origin_is "$game" "0 0"
echo "Gdk/WindowScalingFactor 2" >"$settings"
kill -HUP "$xsettingsd_pid"
e2e_poll "the window to become 2580 x 1820 after the factor changed to 2 (now $(e2e_size "$game"))" \
  size_is "$game" "2580 1820"
sleep 1
e2e_pass "the scaling factor changed to 2"

# A click on the board closes the pay table; auto-run rolls on at scale 2.
e2e_click "$game" $((2 * (294 + 10))) $((2 * (172 + 10)))
sleep 2

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
grep -q '^present check: ' "$E2E_GAME_DIR/keno.log" || e2e_fail "the game printed no present check"
sed -n 's/^present check: /the game: /p' "$E2E_GAME_DIR/keno.log"
differing=$(check_count x differing)
read_back=$(check_count x read)
partial=$(check_count x partial)
frames=$(check_count x frames)
unreadable=$(check_count x unreadable)
[ "$unreadable" -eq 0 ] || e2e_fail "$unreadable presents could not be read back from the window"
[ "$read_back" -gt 100 ] || e2e_fail "only $read_back presents were read back"
[ "$partial" -gt $((read_back / 2)) ] || e2e_fail "only $partial of $read_back presents were partial"
[ "$differing" -eq 0 ] || e2e_fail "$differing window pixels differed from the back buffer over $read_back presents"
e2e_pass "$read_back presents of $frames frames read back ($partial partial): no pixel differed"
kill "$xsettingsd_pid" 2>/dev/null
trap e2e_cleanup EXIT
echo "PASS: presentation end-to-end"
