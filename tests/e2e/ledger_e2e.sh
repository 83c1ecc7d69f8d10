#!/usr/bin/env bash
# The draw history under Xvfb when the game is killed: SIGKILL at random moments within draws, at
# the slowest speed (a single draw) and at the fastest (auto-run, draws back to back); after each
# restart no draw of the ledger is left 'charged' and its events in seq order, from the 'opening'
# row, explain the saved balance to the dollar. The seed of the random moments is printed.
# Usage: ledger_e2e.sh [build directory, default build]; E2E_KILLS sets the number of kills (20),
# E2E_SEED the seed.
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
kills=${E2E_KILLS:-20}
seed=${E2E_SEED:-$(date +%s)}
RANDOM=$seed
echo "seed $seed (E2E_SEED=$seed repeats these kill moments)"

# Checks the ledger against the save: no 'charged' draw, the first event an 'opening', each
# balance_before the previous balance_after, the last balance_after the saved balance, and each
# settled draw's cards and prize adding up to what it paid. Prints a summary, or the reason.
check_ledger() {
  local ledger=$1 save=$2 events charged sums
  charged=$(sqlite3 -readonly "$ledger" "SELECT count(*) FROM draws WHERE state = 'charged'" 2>&1)
  events=$(sqlite3 -readonly "$ledger" "SELECT kind, balance_before, balance_after FROM (
             SELECT 'draw:' || state AS kind, balance_before, balance_after, seq FROM draws UNION ALL
             SELECT kind, balance_before, balance_after, seq FROM adjustments) ORDER BY seq" 2>&1)
  sums=$(sqlite3 -readonly "$ledger" "SELECT count(*) FROM draws d WHERE state = 'settled' AND won !=
           progressive_prize + (SELECT coalesce(sum(win), 0) FROM cards WHERE draw_id = d.id)" 2>&1)
  python3 - "$save" "$charged" "$events" "$sums" <<'EOF'
import sys
from save_file import load
(fields, _), charged, events, sums = load(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
if charged != "0":
    sys.exit(f"draws left charged: {charged}")
if sums != "0":
    sys.exit(f"settled draws whose cards and prize do not add up to what they paid: {sums}")
rows = [line.split("|") for line in events.splitlines()]
if not rows or rows[0][0] != "opening":
    sys.exit(f"the first event is not an opening: {rows[:1]}")
balance = int(rows[0][2])
for kind, before, after in rows[1:]:
    if int(before) != balance:
        sys.exit(f"a {kind} starts from ${before}, the event before it ended at ${balance}")
    balance = int(after)
if balance != fields[0]:
    sys.exit(f"the events end at ${balance}, the save holds ${fields[0]}")
counts = {}
for kind, _, _ in rows:
    counts[kind] = counts.get(kind, 0) + 1
print(f"{len(rows)} events explain the saved ${fields[0]}: " + ", ".join(f"{k} {n}" for k, n in sorted(counts.items())))
EOF
}

e2e_start_display
e2e_install_game "$build"
save="$E2E_GAME_DIR/keno_save.dat"
ledger="$E2E_GAME_DIR/keno_history.sqlite3"
draw_button="90 60"

for ((k = 1; k <= kills; k++)); do
  # Odd kills at the slowest speed, one draw started with a click; even kills at the fastest,
  # auto-run started by holding Space. Each start loads the save the kill before left.
  if ((k % 2 == 1)); then speed=1; else speed=5; fi
  python3 - "$save" "$speed" <<'EOF' || e2e_fail "could not set the speed in the save"
import os, struct, sys
path, speed = sys.argv[1], int(sys.argv[2])
if os.path.exists(path):
    data = bytearray(open(path, "rb").read())
    fields = list(struct.unpack_from("<10i", data, 8))
    fields[8] = speed
    struct.pack_into("<10i", data, 8, *fields)
    struct.pack_into("<I", data, 368, (sum(struct.unpack_from("<10I", data, 8)) & 0xFFFFFFFF) ^ 0x4B454E4F)
    open(path, "wb").write(data)
EOF
  if [ ! -e "$save" ]; then
    e2e_make_save "$save" 1000000 2 0 25000 "$speed" 0 "1:3=1" "1:17=1" "1:33=1" "1:58=1" "2:5=1" "2:6=1" \
      "2:7=1" "2:8=1" "2:9=1" "2:10=1" "2:11=1" "2:12=1" "2:13=1" "2:14=1" || e2e_fail "could not write the save"
  fi
  e2e_launch dummy
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
  e2e_dismiss_recovery_box
  why=$(check_ledger "$ledger" "$save" 2>&1) || e2e_fail "start $k: $why"
  echo "start $k: $why"
  if ((speed == 1)); then
    # shellcheck disable=SC2086  # two coordinates
    e2e_click "$game" $draw_button
    # Two of the slowest kills around the settlement (the twentieth ball comes 25 s in, the
    # settlement 1.25 s later), the others early in the draw (its charge and first balls); the
    # fastest speed's kills meet many settlements.
    if ((k % 10 == 5)); then wait_ms=$((25000 + RANDOM % 2000)); else wait_ms=$((RANDOM % 2500)); fi
  else
    xdotool windowfocus --sync "$game" keydown space || e2e_fail "could not press Space"
    sleep 1.3 # held past one second: auto-run
    xdotool windowfocus --sync "$game" keyup space || e2e_fail "could not release Space"
    wait_ms=$((RANDOM % 4000))
  fi
  sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
  kill -KILL "$E2E_PID"
  wait "$E2E_PID" 2>/dev/null
  E2E_PID=""
  echo "kill $k: speed $speed, ${wait_ms} ms into the draw"
done

# The last start settles what the last kill left; Escape ends it with the ledger still in step.
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
e2e_dismiss_recovery_box
e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
why=$(check_ledger "$ledger" "$save" 2>&1) || e2e_fail "after the last start and Escape: $why"
e2e_pass "$kills SIGKILLs within draws at the slowest and the fastest speed (seed $seed): $why"

echo "PASS: ledger end-to-end"
