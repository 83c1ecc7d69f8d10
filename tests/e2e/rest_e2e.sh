#!/usr/bin/env bash
# The resting frame loop of the real game under Xvfb: a quick click still picks a number, the game
# uses next to no CPU while the board waits after a draw, and a Space hold still starts auto-run
# when it reaches its second, with no key repeat or other event to wake the loop.
# Usage: rest_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
picked="140,20,160"
gold="255,215,0"
draw_idle="40,80,190"
draw_auto="180,35,35"
draw_face="18,18" # inside the Draw button's face, above its text

# CPU ticks (user + system) the game has used so far; the command name in field 2 has no spaces.
cpu_ticks() {
  awk '{ print $14 + $15 }' "/proc/$E2E_PID/stat"
}

save_changed() { ! cmp -s "$E2E_GAME_DIR/keno_save.dat" "$E2E_TMP/save.before"; }

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Key repeat would wake the loop while Space is held; push it beyond the test.
e2e_start_display -ardelay 60000
e2e_install_game "$build"
# A returning player: Card 1 has eight picks, the speed is Fastest; the game opens on the Main tab.
e2e_make_save "$E2E_GAME_DIR/keno_save.dat" 1000 1 0 25000 5 1 1:3=1 1:9=1 1:14=1 1:27=1 1:38=1 1:52=1 1:66=1 1:71=1
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW

# The Card 1 tab (second fifth of the 878-pixel tab strip at x = 294), then number 45 on its
# board, once the tab shows: each click is a press and release quicker than a frame.
e2e_click "$game" 556 140 1
e2e_expect_pixels "$game" "the Card 1 tab selected" "480,140=$gold"
e2e_click "$game" $((294 + 4 * 878 / 10 + 43)) $((172 + 4 * 718 / 8 + 44)) 1
e2e_expect_pixels "$game" "number 45 picked by a quick click" \
  "$((294 + 4 * 878 / 10 + 43)),$((172 + 4 * 718 / 8 + 10))=$picked"
e2e_pass "a quick click picks a number"

# A Fastest draw by a Space tap; three seconds after it settles the debounced save is written,
# and then nothing is left that could change without input.
cp "$E2E_GAME_DIR/keno_save.dat" "$E2E_TMP/save.before"
e2e_key "$game" space
e2e_poll "the save written after the draw" save_changed

clk_tck=$(getconf CLK_TCK)
before=$(cpu_ticks)
start=$(now_ms)
sleep 10 # the measured interval, not a wait for a condition
used=$(($(cpu_ticks) - before))
elapsed=$(($(now_ms) - start))
# Percent of a core, to a tenth.
share=$(awk -v t="$used" -v hz="$clk_tck" -v ms="$elapsed" 'BEGIN { printf "%.1f", 100 * t / hz / (ms / 1000) }')
awk -v s="$share" 'BEGIN { exit !(s < 5) }' || e2e_fail "idle after a draw the game used $share% of a core over ${elapsed} ms, expected well under 5%"
e2e_pass "idle after a draw the game used $share% of a core over ${elapsed} ms"

# Holding Space turns the Draw button to auto-run's red when the hold reaches its second. Each
# screenshot brackets that moment: one still idle means it came after the shot began, the first
# red one that it came before the shot ended. Early is before 950 ms, late after 2000 ms.
e2e_expect_pixels "$game" "the Draw button idle" "$draw_face=$draw_idle"
xdotool windowfocus --sync "$game" keydown space || e2e_fail "could not press Space"
pressed=$(now_ms)
after=0
while :; do
  began=$(($(now_ms) - pressed))
  e2e_screenshot "$game" "$E2E_TMP/hold.png"
  face=$(e2e_pixels "$E2E_TMP/hold.png" "$draw_face")
  [ "$face" = "$draw_auto" ] && break
  [ "$face" = "$draw_idle" ] || e2e_fail "the Draw button is $face during the Space hold, neither idle nor red"
  after=$began
  [ "$after" -le 2000 ] || e2e_fail "no auto-run $after ms into the Space hold: the loop slept past the hold's second"
done
before=$(($(now_ms) - pressed))
xdotool keyup space
[ "$before" -ge 950 ] || e2e_fail "auto-run started before $before ms into the Space hold, expected at 1000 ms"
e2e_pass "a Space hold starts auto-run at its second (between $after and $before ms after the press)"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
echo "PASS: resting loop end-to-end"
