#!/usr/bin/env bash
# The game played with the keyboard alone under Xvfb, the pointer never touched: Tab to the tab
# strip, Right and Enter show Card 1, Tab to the board, the arrows reach 13, Enter picks it, Space
# draws and Escape quits. The save holds that one pick and the draw's cost.
# Usage: keyboard_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
trap e2e_cleanup EXIT

e2e_start_greeted_game "$build"
game=$E2E_WINDOW

# One key at a time, as a player types them, so that each lands in its own frame or in order.
for key in Tab Right Return Tab Right Right Down Return; do
  e2e_key "$game" "$key"
done
read -r cx cy < <(e2e_cell_corner 13)
e2e_expect_pixels "$game" "13 picked on Card 1 by Enter" "$((cx + 43)),$((cy + 10))=140,20,160"
e2e_key "$game" space
e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
why=$(python3 - "$E2E_GAME_DIR/keno_save.dat" 2>&1 <<'PY'
import sys
from save_file import load
fields, picks = load(sys.argv[1])
cards = {c: [n for n in range(1, 81) if picks[80 * (c - 1) + n - 1]] for c in (1, 2, 3, 4)}
if cards != {1: [13], 2: [], 3: [], 4: []}:
    sys.exit(f"picks {cards}, expected 13 on Card 1 alone")
if fields[2] + fields[4] != 1:
    sys.exit(f"the lifetime cost is {fields[2] + fields[4]}, expected the one draw's $1")
print("13 picked on Card 1 and one $1 draw, by the keyboard alone")
PY
) || e2e_fail "the keyboard-only game: $why"
e2e_pass "$why"
echo "PASS: keyboard end-to-end"
