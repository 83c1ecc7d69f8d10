#!/usr/bin/env bash
# The real game under Xvfb with its save file and its sound: a prepared save file is loaded and
# shown (Main tab, no greeting) and written back unchanged on Escape; holding Space with picks
# starts auto-run with the 1200 Hz chirp, heard in the audio SDL's disk driver captures, and the
# save written on Escape keeps the picks and settings and balances its money.
# Usage: save_sound_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
gold="255,215,0"
tab_grey="65,65,82"

# Checks a save file written after play from a prepared one: same magic, version, settings, pot
# and pick bytes, a valid check value, at least one draw charged, and a balance that is the
# starting one plus winnings minus costs. Prints the reason when it is not so.
check_played_save() {
  python3 - "$@" <<'EOF'
import sys
from save_file import load
def fail(why):
    sys.exit(why)
(f, picks), (p, prepared_picks) = load(sys.argv[1]), load(sys.argv[2])
if picks != prepared_picks:
    fail("the pick bytes changed")
if f[5:] != p[5:]:
    fail(f"bet, pay mode, pot, speed or sound changed: {f[5:]} instead of {p[5:]}")
won, cost = f[1], f[2]
if cost < 1 or f[3] != 0 or f[4] != 0:
    fail(f"lifetime totals {f[1:5]}: expected a charged draw on the GENEROUS schedule only")
if f[0] != p[0] + won - cost:
    fail(f"balance {f[0]} is not {p[0]} + {won} won - {cost} spent")
print(f"balance {p[0]} -> {f[0]} after ${cost} of draws and ${won} won")
EOF
}

# Finds the first sound in raw 16-bit little-endian stereo 44100 Hz audio (the device the game
# opens) and checks that it is a 1200 Hz tone of about 60 ms: Goertzel filters over 10 ms blocks.
check_chirp() {
  python3 - "$1" <<'EOF'
import array, math, sys
raw = open(sys.argv[1], "rb").read()
samples = array.array("h")
samples.frombytes(raw[: len(raw) // 4 * 4])
if sys.byteorder == "big":
    samples.byteswap()
left = samples[0::2]
rate, block = 44100, 441

def share(x, freq):
    """Fraction of the block's energy at freq: about 1 for a pure tone of that frequency."""
    coeff = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for v in x:
        s1, s2 = v + coeff * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    energy = sum(v * v for v in x)
    return power / (len(x) * energy / 2) if energy else 0.0

def loud(x):
    return max(abs(v) for v in x) > 2000

blocks = [left[i : i + block] for i in range(0, len(left) - block + 1, block)]
first = next((i for i, b in enumerate(blocks) if loud(b)), None)
if first is None:
    sys.exit(f"no sound in {len(left) / rate:.1f} s of captured audio")
# The first loud block may hold only the tone's start; judge the first full one.
start = first + 1 if first + 1 < len(blocks) else first
shares = {f: share(blocks[start], f) for f in (700, 900, 1200)}
if shares[1200] < 0.8:
    sys.exit(f"the first sound at {first * 10} ms is not the 1200 Hz chirp: energy shares {shares}")
# The blocks at either end of the tone hold only part of it; the ones between are all 1200 Hz.
length = 1
while start + length - 1 < len(blocks) and loud(blocks[start + length - 1]) and share(blocks[start + length - 1], 1200) > 0.3:
    length += 1
if not 4 <= length <= 8:
    sys.exit(f"the 1200 Hz tone lasts about {length * 10} ms, expected about 60 ms")
print(f"1200 Hz chirp at {first * 10} ms, about {length * 10} ms long")
EOF
}

main_tab_shown() {
  e2e_expect_pixels "$1" "the Main tab selected" "304,130=$gold" "480,130=$tab_grey"
}

e2e_start_display

# A prepared save file: loaded, shown on the Main tab without a greeting, written back unchanged.
e2e_install_game "$build"
prepared="$E2E_TMP/prepared.dat"
e2e_make_save "$prepared" 5 1 0 25000 5 1 "1:7=2" "3:80=1" || e2e_fail "could not write the prepared save"
cp "$prepared" "$E2E_GAME_DIR/keno_save.dat"
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
main_tab_shown "$game"
e2e_window_absent "$E2E_WELCOME" || e2e_fail "a player with picks was greeted"
e2e_pass "a save file with picks opens on the Main tab without a greeting"
e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
cmp -s "$prepared" "$E2E_GAME_DIR/keno_save.dat" ||
  e2e_fail "the save written on Escape differs from the loaded one: $(cmp "$prepared" "$E2E_GAME_DIR/keno_save.dat" 2>&1)"
[ ! -e "$E2E_GAME_DIR/keno_save.dat.tmp" ] || e2e_fail "a temporary save file was left behind"
e2e_pass "Escape writes the loaded game back byte for byte (balance 5, speed 5, a pick byte of 2)"

# Holding Space with picks: auto-run starts with the chirp; Escape saves the game played so far.
e2e_install_game "$build"
e2e_make_save "$prepared" 1000 1 0 25000 1 1 "1:20=1" "1:40=1" || e2e_fail "could not write the prepared save"
cp "$prepared" "$E2E_GAME_DIR/keno_save.dat"
audio="$E2E_GAME_DIR/audio.raw" # where e2e_launch points the disk driver
e2e_launch disk
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
main_tab_shown "$game"
xdotool windowfocus --sync "$game" keydown space || e2e_fail "could not press Space"
sleep 1.3 # the gesture: Space held past one second
xdotool windowfocus --sync "$game" keyup space || e2e_fail "could not release Space"
e2e_expect_pixels "$game" "the Draw button in its auto-run state" "20,60=180,35,35"
e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
why=$(check_played_save "$E2E_GAME_DIR/keno_save.dat" "$prepared" 2>&1) || e2e_fail "save after auto-run: $why"
e2e_pass "the save written on Escape after auto-run: $why"
[ -s "$audio" ] || e2e_fail "the disk audio driver captured nothing at $audio"
why=$(check_chirp "$audio" 2>&1) || e2e_fail "captured audio: $why"
e2e_pass "holding Space plays the auto-run chirp: $why"

echo "PASS: save file and sound end-to-end"
