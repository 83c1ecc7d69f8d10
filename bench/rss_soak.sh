#!/usr/bin/env bash
# Memory over a long auto-run: starts the real game under Xvfb with four 12-spot cards and a deep
# balance (so neither a jackpot box nor the out-of-funds question interrupts it), holds Space to
# start auto-run at the fastest speed, and prints the resident set size after the first draw and
# once a minute until SOAK_SECONDS (default 600) have passed. It prints numbers, asserts nothing.
# Usage: rss_soak.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
seconds=${SOAK_SECONDS:-600}

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$E2E_PID/status"; }

e2e_start_display
e2e_install_game "$build"
picks=()
for card in 1 2 3 4; do
  for k in $(seq 0 11); do picks+=("$card:$(((card * 17 + k * 6) % 80 + 1))=1"); done
done
e2e_make_save "$E2E_GAME_DIR/keno_save.dat" 100000000 1 0 25000 5 1 "${picks[@]}" || e2e_fail "could not write the save"
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
xdotool windowfocus --sync "$game" keydown space
sleep 1.3 # Space held past one second starts auto-run
xdotool windowfocus --sync "$game" keyup space
sleep 3 # the first draw at the fastest speed takes about 1.7 s
first=$(rss_kb)
echo "RSS after the first draw: $first kB"
start=$SECONDS
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  sleep 60
  e2e_game_exited && e2e_fail "the game ended during the soak"
  echo "after $((SECONDS - start)) s: $(rss_kb) kB"
done
last=$(rss_kb)
echo "RSS after $seconds s of auto-run: $last kB (growth $((last - first)) kB)"
e2e_key "$game" Escape
e2e_wait_exit
