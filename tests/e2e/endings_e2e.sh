#!/usr/bin/env bash
# The real game ended from outside under Xvfb: SIGTERM, SIGHUP and SIGINT in the middle of a draw
# (also while a message box or the input box waits for an answer) end it with status 0, the draw
# completed at once and paid in the save and the ledger; SIGTERM at the New Game box on an idle
# board ends it within a second; during start-up they end it without waiting on its boxes; the X
# server killed in the middle of a draw ends it with status 1, one line on standard error and the
# completed draw in the save and the ledger; without an X display it says which display it tried
# and why on standard error, ends with status 1 and writes nothing.
# Usage: endings_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
drawing_face="70,70,90"  # the Draw button while a draw is being revealed
draw_face_point="17,102" # inside the Draw button (12, 12, 155, 96), clear of its text
prepared="$E2E_TMP/prepared.dat"

# Checks the save and the ledger of a game started from the prepared file (balance 1000, one card
# of one pick, bet 1) that ended in the middle of its first draw: the draw was completed at once
# and paid, so the save holds its $1 and its win, and the ledger's one draw is settled by the
# ending ('ended') with the same win and balance; picks and settings are as prepared, the check
# value matches. Prints the reason when not.
check_completed_draw_saved() {
  local row
  row=$(sqlite3 "$3" "SELECT state, completed_at, won, balance_after FROM draws" 2>&1)
  python3 - "$1" "$2" "$row" <<'EOF'
import sys
from save_file import load
(f, picks), (p, prepared_picks) = load(sys.argv[1]), load(sys.argv[2])
won = f[1]
if (f[0], f[2], f[3], f[4]) != (p[0] - 1 + won, 1, 0, 0):
    sys.exit(f"balance and lifetime totals {f[:5]}: expected one $1 draw charged and its ${won} paid")
if (f[5], f[6], f[8], f[9]) != (p[5], p[6], p[8], p[9]):
    sys.exit(f"bet, pay mode, speed or sound changed: {f[5:]} instead of {p[5:]}")
if picks != prepared_picks:
    sys.exit("the pick bytes changed")
if sys.argv[3] != f"settled|ended|{won}|{f[0]}":
    sys.exit(f"the ledger's draws are \"{sys.argv[3]}\", expected one settled|ended|{won}|{f[0]}")
print(f"balance {p[0]} -> {f[0]}, lifetime cost {f[2]}, won {won}, the ledger's draw settled by the ending")
EOF
}

# Checks that the save holds the charge of the draw in flight, written at once: $1 charged,
# nothing won yet. Prints the reason when not.
check_charge_saved() {
  python3 - "$@" <<'EOF'
import sys
from save_file import load
(f, _), (p, _) = load(sys.argv[1]), load(sys.argv[2])
if f[:5] != (p[0] - 1, 0, 1, 0, 0):
    sys.exit(f"balance and lifetime totals {f[:5]}, expected {(p[0] - 1, 0, 1, 0, 0)}: the charge saved at once")
EOF
}

# Installs a fresh copy of the game with the prepared save (one pick on Card 1, Medium speed, so
# that a draw takes seconds), starts it, clicks Draw and waits until the draw is being revealed.
# Sets game to the game window.
start_game_in_a_draw() {
  e2e_install_game "$build"
  e2e_make_save "$prepared" 1000 1 0 25000 3 1 "1:20=1" || e2e_fail "could not write the prepared save"
  cp "$prepared" "$E2E_GAME_DIR/keno_save.dat"
  e2e_launch dummy
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
  e2e_click "$game" 90 60
  e2e_expect_pixels "$game" "the Draw button while the draw is revealed" "$draw_face_point=$drawing_face"
}

# Opens a box over the game: "none", "message" (the New Game question) or "input" (Copy Card 1,
# with a destination typed in but not confirmed).
open_box() {
  case $1 in
    none) ;;
    message)
      e2e_click "$game" 240 60
      e2e_wait_window "New Game"
      ;;
    input)
      e2e_click "$game" 550 146 3
      e2e_wait_window "Copy Card 1"
      xdotool windowfocus --sync "$E2E_WINDOW" type 2 || e2e_fail "could not type into the input box"
      ;;
  esac
}

e2e_start_display

# Each quit signal ends a game in the middle of a draw through the normal shutdown, which completes
# the draw; an open box is answered as dismissed (neither the New Game choices nor the copy happen).
# The "message" and "input" rows are the only guard of the desktop's signal source answering an
# open box: the headless back end has no GTK, so no ctest test reaches that code.
while read -r signal box; do
  start_game_in_a_draw
  open_box "$box"
  why=$(check_charge_saved "$E2E_GAME_DIR/keno_save.dat" "$prepared" 2>&1) || e2e_fail "SIG$signal before the signal: $why"
  kill -s "$signal" "$E2E_PID"
  e2e_wait_exit
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "SIG$signal with box $box: exit status $E2E_STATUS, expected 0"
  why=$(check_completed_draw_saved "$E2E_GAME_DIR/keno_save.dat" "$prepared" "$E2E_GAME_DIR/keno_history.sqlite3" 2>&1) ||
    e2e_fail "SIG$signal with box $box: $why"
  e2e_pass "SIG$signal during a draw (box: $box, answered by the signal source) ends with status 0 and saves: $why"
done <<'EOF'
TERM none
HUP none
INT none
TERM message
INT input
EOF

# SIGTERM with the New Game box open on an idle board: the box is dismissed and the loop, which
# rests with nothing pending, must still wake to end the game, within a second.
e2e_install_game "$build"
e2e_launch dummy
e2e_wait_window "$E2E_WELCOME"
e2e_key "$E2E_WINDOW" Return
e2e_wait_window_gone "$E2E_WELCOME"
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
open_box message
sent=$(date +%s%N)
kill -s TERM "$E2E_PID"
E2E_TIMEOUT=5 e2e_wait_exit
took=$((($(date +%s%N) - sent) / 1000000))
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "SIGTERM at the New Game box on an idle board: exit status $E2E_STATUS, expected 0"
[ "$took" -lt 1000 ] || e2e_fail "SIGTERM at the New Game box on an idle board: the game took $took ms to end"
[ "$(stat -c %s "$E2E_GAME_DIR/keno_save.dat" 2>/dev/null)" = 372 ] ||
  e2e_fail "SIGTERM at the New Game box on an idle board: no 372-byte save file"
e2e_pass "SIGTERM at the New Game box on an idle board ends the game in $took ms with status 0, saved"

# A quit signal while start-up waits on the sound warning: the warning is dismissed, the welcome
# box that would follow is not waited for (its text goes to standard error), and the game ends
# with status 0 and a save of the fresh game it read.
e2e_install_game "$build"
e2e_launch none-such
e2e_wait_window "Keno"
kill -s TERM "$E2E_PID"
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "SIGTERM at the sound warning: exit status $E2E_STATUS, expected 0"
grep -q "^keno: $E2E_WELCOME: Pick 1-12 numbers" "$E2E_GAME_DIR/keno.log" ||
  e2e_fail "SIGTERM at the sound warning: the welcome text is not on standard error"
[ "$(stat -c %s "$E2E_GAME_DIR/keno_save.dat" 2>/dev/null)" = 372 ] ||
  e2e_fail "SIGTERM at the sound warning: no 372-byte save file"
e2e_pass "SIGTERM at the sound warning ends start-up without waiting on the welcome box, status 0, saved"

# No X display: one line naming the display and a reason, status 1, no save file. The second
# display is a number no server listens on.
free=$((${DISPLAY#:} + 1))
while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done
for display in unset ":$free"; do
  e2e_install_game "$build"
  if [ "$display" = "unset" ]; then
    expected='keno: cannot open the X display "": DISPLAY is not set'
    env -u DISPLAY "$E2E_GAME_DIR/keno" >"$E2E_GAME_DIR/keno.log" 2>"$E2E_GAME_DIR/stderr.log"
  else
    expected="keno: cannot open the X display \"$display\": "
    DISPLAY=$display "$E2E_GAME_DIR/keno" >"$E2E_GAME_DIR/keno.log" 2>"$E2E_GAME_DIR/stderr.log"
  fi
  status=$?
  message=$(cat "$E2E_GAME_DIR/stderr.log")
  [ "$status" -eq 1 ] || e2e_fail "display $display: exit status $status, expected 1"
  [ "$(wc -l <"$E2E_GAME_DIR/stderr.log")" -eq 1 ] || e2e_fail "display $display: standard error is not one line: $message"
  [[ "$message" == "$expected"* && "$message" != *": " ]] ||
    e2e_fail "display $display: \"$message\" is not \"$expected\" and a reason"
  [ ! -e "$E2E_GAME_DIR/keno_save.dat" ] || e2e_fail "display $display: a save file was written"
  e2e_pass "no display ($display): status 1, nothing saved, \"$message\""
done

# The X server killed in the middle of a draw: the game saves from its I/O error handler.
start_game_in_a_draw
why=$(check_charge_saved "$E2E_GAME_DIR/keno_save.dat" "$prepared" 2>&1) || e2e_fail "before its display went: $why"
lost_display=$DISPLAY
kill -KILL "$E2E_XVFB_PID"
wait "$E2E_XVFB_PID" 2>/dev/null
E2E_XVFB_PID=""
unset DISPLAY
e2e_wait_exit
[ "$E2E_STATUS" -eq 1 ] || e2e_fail "after the X server died: exit status $E2E_STATUS, expected 1"
why=$(check_completed_draw_saved "$E2E_GAME_DIR/keno_save.dat" "$prepared" "$E2E_GAME_DIR/keno_history.sqlite3" 2>&1) ||
  e2e_fail "after the X server died: $why"
message=$(cat "$E2E_GAME_DIR/keno.log")
[ "$message" = "keno: the connection to the X display \"$lost_display\" was lost" ] ||
  e2e_fail "after the X server died, the game wrote \"$message\""
e2e_pass "the X server killed during a draw: status 1, \"$message\", and the save: $why"

echo "PASS: endings end-to-end"
