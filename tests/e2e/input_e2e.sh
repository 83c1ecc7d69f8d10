#!/usr/bin/env bash
# Quick input of the real game under Xvfb on a loaded machine: twelve clicks on twelve cells of
# Card 1, sent in one burst while four busy loops hold the processors, so that several land
# between two frames, all pick; the save written by Escape holds exactly those twelve picks.
# Usage: input_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
picked="140,20,160"
load=()

# The busy loops go with the script, however it ends.
stop_load() {
  local pid
  for pid in "${load[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${load[@]}"; do wait "$pid" 2>/dev/null; done
  load=()
}
trap 'stop_load; e2e_cleanup' EXIT

e2e_start_greeted_game "$build"
game=$E2E_WINDOW

for _ in 1 2 3 4; do
  sh -c 'while :; do :; done' &
  load+=($!)
done

# One xdotool command moves and clicks twelve times without waiting for the game.
picks=(2 13 24 35 46 57 63 68 71 79 40 9)
burst=()
for n in "${picks[@]}"; do
  read -r cx cy < <(e2e_cell_corner "$n")
  burst+=(mousemove --window "$game" $((cx + 43)) $((cy + 44)) click 1)
done
xdotool "${burst[@]}" || e2e_fail "could not send the burst of clicks"
read -r cx cy < <(e2e_cell_corner "${picks[-1]}")
e2e_expect_pixels "$game" "the last cell of the burst picked" "$((cx + 43)),$((cy + 10))=$picked"

e2e_key "$game" Escape
e2e_wait_exit
stop_load
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
why=$(python3 - "$E2E_GAME_DIR/keno_save.dat" "${picks[@]}" 2>&1 <<'EOF'
import sys
from save_file import load
fields, picks = load(sys.argv[1])
want = sorted(int(n) for n in sys.argv[2:])
card1 = [n for n in range(1, 81) if picks[n - 1]]
others = [(c, n) for c in (2, 3, 4) for n in range(1, 81) if picks[80 * (c - 1) + n - 1]]
if card1 != want:
    lost = sorted(set(want) - set(card1))
    sys.exit(f"Card 1 picks {card1}, expected {want}; lost {lost}")
if others:
    sys.exit(f"picks on other cards: {others}")
print(f"{len(card1)} picks kept: {card1}")
EOF
) || e2e_fail "the burst of clicks: $why"
e2e_pass "twelve clicks in one burst under four busy loops: $why"
echo "PASS: input end-to-end"
