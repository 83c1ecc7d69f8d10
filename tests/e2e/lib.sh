# shellcheck shell=bash
# Helpers for end-to-end tests of the real game under Xvfb: a private display, a copy of the game
# in a fresh directory (the save file lives beside the executable), polling for windows, pixels
# and process exit, keys and window closing without a window manager.
#
# Source this file, then call e2e_start_display. Everything started here (the display, the game,
# temporary files) goes away when the script exits. Every wait polls its condition and gives up
# after E2E_TIMEOUT seconds with a message naming what it waited for.

E2E_TIMEOUT=${E2E_TIMEOUT:-20}
E2E_TITLE="Brindlemark by Vorbel 6.40" # the game window's title
E2E_WELCOME="Welcome to Keno!"         # the title of the greeting box
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/keno-e2e.XXXXXX")
E2E_XVFB_PID=""
E2E_PID=""      # the running game
E2E_STATUS=""   # its exit status, set by e2e_wait_exit
E2E_GAME_DIR="" # the directory of the current copy of the game
E2E_LOG=""      # the game's output when not $E2E_GAME_DIR/keno.log (an installed, read-only copy)
# The checks' Python reads save files through save_file.py beside this file.
export PYTHONPATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)${PYTHONPATH:+:$PYTHONPATH}"

e2e_cleanup() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then kill -KILL "$E2E_PID" 2>/dev/null; fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null; fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# The build directory given (default build) as an absolute path; fails when it does not exist.
e2e_build_dir() {
  (cd "${1:-build}" 2>/dev/null && pwd) || {
    echo "FAIL: no build directory ${1:-build}" >&2
    return 1
  }
}

# Prints the reason and the game's output, then ends the test.
e2e_fail() {
  echo "FAIL: $*" >&2
  if [ -n "$E2E_PID" ]; then
    if kill -0 "$E2E_PID" 2>/dev/null; then
      echo "the game (pid $E2E_PID) is running" >&2
    else
      wait "$E2E_PID" 2>/dev/null
      echo "the game has exited with status $?" >&2
    fi
  fi
  if [ -n "${DISPLAY:-}" ]; then
    echo "--- windows on $DISPLAY ---" >&2
    xwininfo -root -children 2>/dev/null | grep -E '^ +0x' >&2
  fi
  local log=${E2E_LOG:-${E2E_GAME_DIR:+$E2E_GAME_DIR/keno.log}}
  if [ -n "$log" ] && [ -s "$log" ]; then
    echo "--- game output ---" >&2
    cat "$log" >&2
  fi
  exit 1
}

e2e_pass() { echo "ok: $*"; }

# Polls a command until it succeeds; fails with the description after E2E_TIMEOUT seconds.
e2e_poll() {
  local what=$1
  shift
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "timed out after ${E2E_TIMEOUT}s waiting for $what"
    sleep 0.05
  done
}

# True once Xvfb answers on $1 or has died (the caller tells the two apart).
e2e_display_settled() {
  ! kill -0 "$E2E_XVFB_PID" 2>/dev/null || xdpyinfo -display "$1" >/dev/null 2>&1
}

# Starts Xvfb on a free display, with any extra Xvfb arguments given, and exports DISPLAY. The
# screen is E2E_SCREEN (default 1920x1200x24). The number is drawn from a high range so that
# servers other tests start and stop on low numbers never get mixed up with this one.
e2e_start_display() {
  local n
  for _ in $(seq 20); do
    n=$((RANDOM % 900 + 100))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${E2E_SCREEN:-1920x1200x24}" -nolisten tcp "$@" 2>"$E2E_TMP/xvfb.log" &
    E2E_XVFB_PID=$!
    e2e_poll "Xvfb on :$n to answer" e2e_display_settled ":$n"
    if kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    wait "$E2E_XVFB_PID" 2>/dev/null
    E2E_XVFB_PID=""
  done
  e2e_fail "could not start Xvfb (last attempt: $(tail -n 3 "$E2E_TMP/xvfb.log"))"
}

# Stops the display started by e2e_start_display.
e2e_stop_display() {
  [ -n "$E2E_XVFB_PID" ] || return 0
  kill "$E2E_XVFB_PID" 2>/dev/null
  wait "$E2E_XVFB_PID" 2>/dev/null
  E2E_XVFB_PID=""
}

# Copies the game from a build directory into a fresh directory of its own.
e2e_install_game() {
  local build=$1
  [ -x "$build/keno" ] || e2e_fail "no game executable at $build/keno"
  E2E_GAME_DIR=$(mktemp -d "$E2E_TMP/game.XXXXXX")
  cp "$build/keno" "$E2E_GAME_DIR/keno"
}

# Starts the installed game with an SDL audio driver (default dummy); sets E2E_PID. With the
# "disk" driver what the game plays goes to $E2E_GAME_DIR/audio.raw.
e2e_launch() {
  local driver=${1:-dummy}
  E2E_STATUS=""
  SDL_AUDIODRIVER=$driver SDL_DISKAUDIOFILE="$E2E_GAME_DIR/audio.raw" "$E2E_GAME_DIR/keno" >"$E2E_GAME_DIR/keno.log" 2>&1 &
  E2E_PID=$!
}

# True once the "disk" audio output holds a sample that is not silence.
e2e_sound_played() {
  [ -s "$E2E_GAME_DIR/audio.raw" ] && [ "$(tr -d '\0' <"$E2E_GAME_DIR/audio.raw" | head -c 1 | wc -c)" -gt 0 ]
}

# The visible windows of the game named exactly NAME, one id a line.
e2e_windows_named() {
  local pattern
  # shellcheck disable=SC2016  # the sed expression is literal
  pattern=$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|]/\\&/g')
  xdotool search --all --onlyvisible --pid "$E2E_PID" --name "^$pattern\$" 2>/dev/null
}

e2e_window_exists() { [ -n "$(e2e_windows_named "$1")" ]; }
e2e_window_absent() { [ -z "$(e2e_windows_named "$1")" ]; }

# Waits until the game shows a window named NAME and sets E2E_WINDOW to its id.
e2e_wait_window() {
  e2e_poll "window \"$1\"" e2e_window_exists "$1"
  # shellcheck disable=SC2034  # read by the test
  E2E_WINDOW=$(e2e_windows_named "$1" | head -n 1)
}

e2e_wait_window_gone() { e2e_poll "window \"$1\" to close" e2e_window_absent "$1"; }

# True when the game's ledger can be read and holds no draw in state 'charged'.
e2e_no_charged_draw() {
  [ "$(sqlite3 -readonly "$E2E_GAME_DIR/keno_history.sqlite3" "SELECT count(*) FROM draws WHERE state = 'charged'" 2>/dev/null)" = 0 ]
}

# After a start on a ledger a kill left: waits until start-up has settled the newest draw, then
# answers the "Keno" box of a draw it completed, when one comes within 0.8 s.
e2e_dismiss_recovery_box() {
  e2e_poll "the ledger to hold no charged draw" e2e_no_charged_draw
  local deadline=$(($(date +%s%N) + 800000000))
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    if e2e_window_exists "Keno"; then
      e2e_wait_window "Keno"
      e2e_key "$E2E_WINDOW" Return
      e2e_wait_window_gone "Keno"
      return 0
    fi
    sleep 0.05
  done
}

# Gives a window the keyboard focus and types keys into it (xdotool key names).
e2e_key() {
  local id=$1
  shift
  xdotool windowfocus --sync "$id" key "$@" || e2e_fail "could not send keys $* to window $id"
}

# Prints "width height" of a window.
e2e_size() {
  xwininfo -id "$1" | awk '/^ +Width:/ { w = $2 } /^ +Height:/ { h = $2 } END { print w, h }'
}

# Prints "x y" of a window's top-left corner on the screen.
e2e_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x, y }'
}

# Saves what a window shows now as a PNG, in the window's own coordinates.
e2e_screenshot() {
  local id=$1 file=$2 x y w h
  read -r x y < <(e2e_origin "$id")
  read -r w h < <(e2e_size "$id")
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" 2>/dev/null ||
    e2e_fail "could not take a screenshot of window $id"
}

# Saves a region of a window as a PNG: e2e_region_shot WINDOW X Y W H FILE, the region in the
# window's own coordinates.
e2e_region_shot() {
  local id=$1 rx=$2 ry=$3 rw=$4 rh=$5 file=$6 x y
  read -r x y < <(e2e_origin "$id")
  import -window root -crop "${rw}x${rh}+$((x + rx))+$((y + ry))" +repage "$file" 2>/dev/null ||
    e2e_fail "could not take a screenshot of ${rw}x${rh}+${rx}+${ry} of window $id"
}

# Prints how many pixels of two images of one size differ (ImageMagick's AE metric); fails when
# they cannot be compared (a missing file or different sizes).
e2e_differing_pixels() {
  local out status
  out=$(compare -precision 12 -metric AE "$1" "$2" null: 2>&1)
  status=$?
  if [ "$status" -gt 1 ] || ! [[ $out =~ ^[0-9]+$ ]]; then e2e_fail "could not compare $1 with $2: $out"; fi
  echo "$out"
}

# Prints the colours of pixels of a PNG as "r,g,b", one line for each "x,y" argument.
e2e_pixels() {
  local file=$1 point format=""
  shift
  for point in "$@"; do
    local x=${point%,*} y=${point#*,}
    format+="%[fx:int(255*p{$x,$y}.r+0.5)],%[fx:int(255*p{$x,$y}.g+0.5)],%[fx:int(255*p{$x,$y}.b+0.5)]\n"
  done
  convert "$file" -format "$format" info:
}

# True when every "x,y=r,g,b" holds in a fresh screenshot of the window; E2E_MISMATCH then names
# the first pixel that did not.
e2e_pixels_match() {
  local id=$1 shot="$E2E_TMP/shot.png" check i=0
  shift
  local points=() wants=() gots=()
  for check in "$@"; do
    points+=("${check%%=*}")
    wants+=("${check#*=}")
  done
  e2e_screenshot "$id" "$shot"
  mapfile -t gots < <(e2e_pixels "$shot" "${points[@]}")
  for ((i = 0; i < ${#points[@]}; i++)); do
    if [ "${gots[i]:-none}" != "${wants[i]}" ]; then
      E2E_MISMATCH="pixel (${points[i]}) is ${gots[i]:-unreadable}, expected ${wants[i]}"
      return 1
    fi
  done
}

# Waits until every "x,y=r,g,b" holds in the window; fails naming the pixel that never did.
e2e_expect_pixels() {
  local id=$1 what=$2 deadline=$((SECONDS + E2E_TIMEOUT))
  shift 2
  E2E_MISMATCH=""
  until e2e_pixels_match "$id" "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "$what: $E2E_MISMATCH"
    sleep 0.05
  done
}

# Asks a window to close the way a window manager does (WM_DELETE_WINDOW), through libX11
# directly since there is no window manager and xdotool cannot send the message.
e2e_request_close() {
  python3 - "$1" <<'EOF' || e2e_fail "could not send WM_DELETE_WINDOW to window $1"
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):  # XClientMessageEvent, padded to the size of an XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
event = ClientMessage(type=33, window=int(sys.argv[1]), format=32)
event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSendEvent(display, event.window, 0, 0, ctypes.byref(event))
x11.XSync(display, 0)
x11.XCloseDisplay(display)
EOF
}

e2e_game_exited() { ! kill -0 "$E2E_PID" 2>/dev/null; }

# Waits for the game to end and sets E2E_STATUS to its exit status. Call it in the shell that
# launched the game (not in a subshell), so that its status can be collected.
e2e_wait_exit() {
  e2e_poll "the game to exit" e2e_game_exited
  wait "$E2E_PID"
  # shellcheck disable=SC2034  # read by the test
  E2E_STATUS=$?
  E2E_PID=""
}

# Top-left corner "x y" of number n's cell on a board of w x h (default 878 x 718, the board of a
# 1282 x 902 window) at (294, 172): the cells are w/10 by h/8 wide, each corner truncated.
e2e_cell_corner() {
  local n=$1 w=${2:-878} h=${3:-718}
  awk -v n="$n" -v w="$w" -v h="$h" 'BEGIN {
    col = (n - 1) % 10; row = int((n - 1) / 10)
    printf "%d %d\n", 294 + int(col * w / 10), 172 + int(row * h / 8)
  }'
}

# A mouse click on a window: e2e_click WINDOW X Y [BUTTON, default 1 = left].
e2e_click() {
  xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}" || e2e_fail "could not click at $2,$3"
}

# Starts Xvfb and the game from a build directory as a new player, answers the greeting with
# Return, and sets E2E_WINDOW to the game window.
e2e_start_greeted_game() {
  e2e_start_display
  e2e_install_game "$1"
  e2e_launch dummy
  e2e_wait_window "$E2E_WELCOME"
  e2e_key "$E2E_WINDOW" Return
  e2e_wait_window_gone "$E2E_WELCOME"
  e2e_wait_window "$E2E_TITLE"
}

# Writes a save file: e2e_make_save FILE BALANCE BET PAYMODE POT SPEED SOUND PICKS, where PICKS is a
# list of card:number=byte. The lifetime totals are 0; the check value matches the fields.
e2e_make_save() {
  python3 - "$@" <<'EOF'
import struct, sys
path, balance, bet, paymode, pot, speed, sound = sys.argv[1], *map(int, sys.argv[2:8])
fields = [balance, 0, 0, 0, 0, bet, paymode, pot, speed, sound]
picks = bytearray(320)
for item in sys.argv[8:]:
    where, value = item.split("=")
    card, number = map(int, where.split(":"))
    picks[80 * (card - 1) + number - 1] = int(value)
body = struct.pack("<10i", *fields)
check = (sum(struct.unpack("<10I", body)) & 0xFFFFFFFF) ^ 0x4B454E4F
with open(path, "wb") as f:
    f.write(struct.pack("<Ii", 0x4B454E4F, 7) + body + picks + struct.pack("<I", check))
EOF
}
