#!/usr/bin/env bash
# The save file under Xvfb when the game does not end well: a second copy started on the same save
# says so and ends with status 0, leaving the first copy and its save alone; and auto-run at the
# fastest speed killed with SIGKILL at random moments, each at least 14 s into its run and after
# the run's first save, always leaves a save that loads as stored and holds more of the lifetime
# cost than the kill before.
# Usage: durable_e2e.sh [build directory, default build]; E2E_KILLS sets the number of kills (10),
# E2E_SAVE_WAIT the seconds auto-run has to write its first save (40).
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
kills=${E2E_KILLS:-10}
save_wait=${E2E_SAVE_WAIT:-40}
gold="255,215,0"
tab_grey="65,65,82"
autorun_red="180,35,35"

# Prints the lifetime cost (both schedules) of a save file that loads exactly as stored: 372 bytes,
# magic and version, a matching check value, no value a repair on loading would change, and the
# picks it was prepared with. Prints the reason and fails otherwise.
stored_cost() {
  python3 - "$@" <<'EOF'
import sys
from save_file import load
(f, picks), (_, prepared_picks) = load(sys.argv[1]), load(sys.argv[2])
balance, pot, speed, sound = f[0], f[7], f[8], f[9]
if balance < 1 or pot < 25000 or not 1 <= speed <= 5 or sound not in (0, 1):
    sys.exit(f"a repair rule applies: balance {balance}, pot {pot}, speed {speed}, sound {sound}")
if picks != prepared_picks:
    sys.exit("the pick bytes changed")
print(f[2] + f[4])
EOF
}

main_tab_shown() {
  e2e_expect_pixels "$1" "the Main tab selected" "304,130=$gold" "480,130=$tab_grey"
}

e2e_start_display
e2e_install_game "$build"
save="$E2E_GAME_DIR/keno_save.dat"
prepared="$E2E_TMP/prepared.dat"
# A rich player at the fastest speed with sound off and five picks on card 1.
e2e_make_save "$prepared" 1000000 1 0 25000 5 0 "1:3=1" "1:17=1" "1:33=1" "1:58=1" "1:71=1" ||
  e2e_fail "could not write the prepared save"
cp "$prepared" "$save"

# A second copy on the same save: its box, status 0, and the first copy plays on undisturbed.
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
first_pid=$E2E_PID
first=$E2E_WINDOW
e2e_launch dummy
e2e_wait_window "Keno"
e2e_key "$E2E_WINDOW" Return
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the second copy ended with status $E2E_STATUS"
E2E_PID=$first_pid
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the first copy ended when the second started"
e2e_window_exists "$E2E_TITLE" || e2e_fail "the first copy's window is gone"
cmp -s "$prepared" "$save" || e2e_fail "the second copy changed the save"
e2e_key "$first" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the first copy ended with status $E2E_STATUS after Escape"
cmp -s "$prepared" "$save" || e2e_fail "the first copy's save after Escape is not the game it loaded"
e2e_pass "a second copy shows its box and ends with status 0; the first plays on and saves as before"

# Auto-run killed at random moments, each run starting from the file the last kill left.
last_cost=0
for ((k = 1; k <= kills; k++)); do
  cp "$save" "$E2E_TMP/run_start.dat"
  e2e_launch dummy
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
  e2e_dismiss_recovery_box
  main_tab_shown "$game"
  xdotool windowfocus --sync "$game" keydown space || e2e_fail "could not press Space"
  sleep 1.3 # the gesture: Space held past one second starts auto-run
  xdotool windowfocus --sync "$game" keyup space || e2e_fail "could not release Space"
  began=$(date +%s.%N) # auto-run began before this moment
  e2e_expect_pixels "$game" "the Draw button in its auto-run state" "20,60=$autorun_red"
  # The game writes a settled draw within 10 s (its save ceiling) of the first settlement, and
  # the first draw settles 1.7 s into auto-run on a quiet machine. On a loaded one the first draw
  # has taken over 6 s (the screenshots above compete with it for the processors and the X
  # server), so a save can come 16 s into the run: the kill waits for the run's first save,
  # polled, then comes at a random moment 14 to 18 s into the run or 0 to 4 s after that save.
  wait_ms=$((14000 + RANDOM % 4000))
  deadline=$((SECONDS + save_wait))
  while cmp -s "$save" "$E2E_TMP/run_start.dat"; do
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "kill $k: no save in ${save_wait} s of fastest auto-run"
    sleep 0.05
  done
  saved=$(date +%s.%N)
  after_save_ms=$((RANDOM % 4000))
  read -r left save_ms < <(python3 -c "import time
kill = max($began + $wait_ms / 1000, $saved + $after_save_ms / 1000)
print(max(0.0, kill - time.time()), round(($saved - $began) * 1000))")
  sleep "$left"
  kill -KILL "$E2E_PID"
  wait "$E2E_PID" 2>/dev/null
  E2E_PID=""
  cost=$(stored_cost "$save" "$prepared" 2>&1) || e2e_fail "kill $k at ${wait_ms} ms: $cost"
  [ "$cost" -gt "$last_cost" ] || e2e_fail "kill $k at ${wait_ms} ms: lifetime cost $cost, not more than $last_cost"
  echo "kill $k at ${wait_ms} ms into auto-run (first save at ${save_ms} ms): the save loads as stored, lifetime cost $last_cost -> $cost"
  last_cost=$cost
done
e2e_pass "$kills SIGKILLs during fastest auto-run: every save loads as stored and the lifetime cost grew each time"

# The next start clears whatever temporary file a kill left, completes the draw the kill left
# charged, and Escape saves the same game.
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
e2e_dismiss_recovery_box
last_cost=$(stored_cost "$save" "$prepared" 2>&1) || e2e_fail "after the last start: $last_cost"
main_tab_shown "$game"
e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
leftovers=$(find "$E2E_GAME_DIR" -name 'keno_save.dat.tmp*')
[ -z "$leftovers" ] || e2e_fail "temporary files left behind: $leftovers"
[ -e "$save.lock" ] || e2e_fail "the lock file is gone"
cost=$(stored_cost "$save" "$prepared" 2>&1) || e2e_fail "after the last start: $cost"
[ "$cost" -eq "$last_cost" ] || e2e_fail "a start and Escape changed the lifetime cost from $last_cost to $cost"
e2e_pass "the start after the kills leaves no temporary file and keeps the lock file"

echo "PASS: save file durability end-to-end"
