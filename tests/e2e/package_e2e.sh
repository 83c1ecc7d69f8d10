#!/usr/bin/env bash
# The Debian package as a player meets it: scripts/package.sh builds it, dpkg-deb extracts it into
# a temporary root (the machine is not changed), and its desktop entry, AppStream metainfo, icons,
# manual page, copyright and changelog are checked; lintian reports no errors. Then the extracted
# game runs under Xvfb from that read-only root as an unprivileged user (nobody when the test runs
# as root) with a fresh HOME: a new player is greeted, plays one draw and quits with Escape and
# exit status 0; the window carries the application id as its class and the installed icon. The
# save is then in $HOME/.local/share/keno/, a second start loads it, and with that folder made
# unwritable the history's and the save's failure boxes appear once each.
# KENO_DEB=path tests a package already built instead of building one.
# Usage: package_e2e.sh [build directory, unused: the package is built in its own folder]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
app_id=com.vorbel.Keno
green="40,180,60"
red="210,10,10"
purple="140,20,160"
idle_face="40,80,190"

# The checks of where an installed game keeps its save (the data folder under HOME, loaded at the
# next start, one box when it cannot be written); "off" skips them.
save_location_checks=on

# Builds the package (or takes KENO_DEB) and sets deb to its path.
if [ -n "${KENO_DEB:-}" ]; then
  deb=$KENO_DEB
else
  KENO_WERROR=ON bash "$root/scripts/package.sh" >"$E2E_TMP/package.log" 2>&1 ||
    e2e_fail "scripts/package.sh failed: $(tail -n 30 "$E2E_TMP/package.log")"
  deb="$root/$(tail -n 1 "$E2E_TMP/package.log")"
fi
[ -f "$deb" ] || e2e_fail "no package at $deb"
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "keno_${version}_$(dpkg --print-architecture).deb" ] ||
  e2e_fail "the package is named $(basename "$deb"), expected keno_${version}_$(dpkg --print-architecture).deb"
e2e_pass "scripts/package.sh wrote $(basename "$deb")"

lint=$(lintian --fail-on error "$deb" 2>&1) || e2e_fail "lintian reports errors: $lint"
e2e_pass "lintian reports no errors"

# Every folder on the way to the game and to HOME is 0755, as on an installed system.
chmod 0755 "$E2E_TMP"
pkgroot="$E2E_TMP/root"
mkdir -m 0755 "$pkgroot"
dpkg-deb -x "$deb" "$pkgroot" || e2e_fail "dpkg-deb could not extract $deb"
share="$pkgroot/usr/share"
restore_and_clean() {
  chmod -R u+w "$pkgroot" 2>/dev/null
  e2e_cleanup
}
trap restore_and_clean EXIT

[ -x "$pkgroot/usr/games/keno" ] || e2e_fail "no executable at usr/games/keno"
[ -s "$share/doc/keno/copyright" ] && grep -q "Copyright: 2026 The Keno developers" "$share/doc/keno/copyright" ||
  e2e_fail "no copyright file naming the Keno developers in usr/share/doc/keno"
[ "$(zcat "$share/doc/keno/changelog.gz" 2>/dev/null | head -n 1)" = "keno ($version) unstable; urgency=medium" ] ||
  e2e_fail "the changelog in usr/share/doc/keno does not open with version $version"
# The dependencies come from the executable, mimalloc (which replaces malloc) included; the fonts
# are named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-dejavu-core libgtk-3-0 libsdl2-mixer-2.0-0 libmimalloc2.0; do
  [[ ", $depends," == *", $package"[\ ,]* ]] || e2e_fail "the package does not depend on $package: $depends"
done
e2e_pass "the executable is in usr/games, with a copyright file, a changelog and its libraries as dependencies"

desktop="$share/applications/$app_id.desktop"
[ -f "$desktop" ] || e2e_fail "no desktop entry at usr/share/applications/$app_id.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || e2e_fail "desktop-file-validate: $out"
# The value of a key of the desktop entry's main group.
entry() { sed -n "/^\[Desktop Entry\]/,/^\[/ s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = Keno ] || e2e_fail "the menu name is \"$(entry Name)\""
[ "$(entry Comment)" = "Four-card Keno with a progressive jackpot" ] || e2e_fail "the comment is \"$(entry Comment)\""
[[ ";$(entry Categories)" == *";Game;"* && ";$(entry Categories)" == *";CardGame;"* ]] ||
  e2e_fail "categories \"$(entry Categories)\" lack Game or CardGame"
[ "$(entry Icon)" = "$app_id" ] || e2e_fail "the icon is \"$(entry Icon)\""
[ "$(entry StartupWMClass)" = "$app_id" ] || e2e_fail "StartupWMClass is \"$(entry StartupWMClass)\""
[ "$(entry Exec)" = /usr/games/keno ] || e2e_fail "the entry starts \"$(entry Exec)\", not the installed /usr/games/keno"
e2e_pass "the desktop entry is valid: Keno, Game;CardGame, icon and window class $app_id"

metainfo="$share/metainfo/$app_id.metainfo.xml"
[ -f "$metainfo" ] || e2e_fail "no metainfo at usr/share/metainfo/$app_id.metainfo.xml"
# --strict: warnings and hints fail too.
out=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1) || e2e_fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  e2e_fail "the metainfo does not launch $app_id.desktop"
newest=$(grep -o -m 1 '<release version="[^"]*"' "$metainfo")
[ "$newest" = "<release version=\"$version\"" ] || e2e_fail "the metainfo's newest release is $newest, not $version"
e2e_pass "the AppStream metainfo validates without warnings"

# Each PNG is square at its size, with a transparent corner and the green ball in the middle; the
# shine lightens the upper left.
for size in 16 32 48 64 128 256; do
  icon="$share/icons/hicolor/${size}x$size/apps/$app_id.png"
  [ -f "$icon" ] || e2e_fail "no ${size}px icon"
  geometry=$(identify -format '%w %h %[channels]' "$icon" 2>/dev/null)
  [ "$geometry" = "$size $size srgba" ] || e2e_fail "the ${size}px icon is \"$geometry\", expected \"$size $size srgba\""
  read -r corner_alpha centre shine < <(convert "$icon" -format \
    "%[fx:int(255*p{0,0}.a)] %[fx:int(255*p{$((size / 2)),$((size * 5 / 8))}.r+0.5)],%[fx:int(255*p{$((size / 2)),$((size * 5 / 8))}.g+0.5)],%[fx:int(255*p{$((size / 2)),$((size * 5 / 8))}.b+0.5)] %[fx:int(255*p{$((size * 3 / 8)),$((size * 3 / 8))}.g+0.5)]" info:)
  [ "$corner_alpha" -eq 0 ] || e2e_fail "the ${size}px icon's corner is not transparent (alpha $corner_alpha)"
  [ "$centre" = "$green" ] || e2e_fail "the ${size}px icon is $centre below its centre, not the ball's green $green"
  [ "$shine" -gt 180 ] || e2e_fail "the ${size}px icon shows no shine at its upper left (green $shine)"
done
svg="$share/icons/hicolor/scalable/apps/$app_id.svg"
grep -q '<svg' "$svg" 2>/dev/null || e2e_fail "no scalable icon"
e2e_pass "icons at 16 to 256 pixels show the green ball with its shine; a scalable one too"

man="$share/man/man6/keno.6.gz"
[ -f "$man" ] || e2e_fail "no manual page at usr/share/man/man6/keno.6.gz"
warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null)
[ -z "$warnings" ] || e2e_fail "the manual page has formatting warnings: $warnings"
page=$(LC_ALL=C MANWIDTH=200 man -l "$man" 2>/dev/null)
for text in "keno - four-card Keno" "keno $version" CONTROLS Escape "keno_save.dat" "~/.local/share/keno/"; do
  [[ $page == *"$text"* ]] || e2e_fail "the manual page does not mention \"$text\""
done
e2e_pass "the section-6 manual page covers the game, its controls and its save file"

# The player: nobody when the test runs as root (whose writes no permission stops), else the
# user running it. The extracted root is read-only to them.
home="$E2E_TMP/home"
mkdir -m 0755 "$home"
chmod -R a-w "$pkgroot"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home"
  run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
E2E_LOG="$E2E_TMP/keno.log"

# Starts the extracted game as the player with the fresh HOME and a clean environment; the
# extracted share folder is searched for the icon, as /usr/share is on an installed system.
launch_installed() {
  E2E_STATUS=""
  "${run_as[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin SDL_AUDIODRIVER=dummy \
    XDG_DATA_DIRS="$share:/usr/share" "$pkgroot/usr/games/keno" >"$E2E_LOG" 2>&1 &
  E2E_PID=$!
}

# True when the draw is over: the top slot of the balls tube holds a ball and Draw is idle again.
draw_done() {
  local shot="$E2E_TMP/draw.png" colours
  e2e_screenshot "$1" "$shot"
  mapfile -t colours < <(e2e_pixels "$shot" "$((1172 + 78 + 9)),$((120 + 754 - 19 * 32 + 9))" "17,102")
  [[ "${colours[0]}" == "$green" || "${colours[0]}" == "$red" ]] && [ "${colours[1]}" = "$idle_face" ]
}

# One draw at the fastest speed with number 45 picked on Card 1.
play_one_draw() {
  local game=$1 cx cy
  read -r cx cy < <(e2e_cell_corner 45)
  e2e_click "$game" $((cx + 43)) $((cy + 44))
  e2e_expect_pixels "$game" "number 45 picked on Card 1" "$((cx + 43)),$((cy + 10))=$purple"
  e2e_click "$game" 600 60
  e2e_click "$game" 600 60
  e2e_click "$game" 90 60
  e2e_poll "the twentieth ball to land" draw_done "$game"
}

# Checks that a window's icons (_NET_WM_ICON: width, height, then ARGB pixels, for each size) are
# the installed ball: green below the centre. Prints the reason when not.
check_window_icon() {
  xprop -id "$1" -notype 32c _NET_WM_ICON 2>/dev/null | python3 -c '
import sys
text = sys.stdin.read()
if "=" not in text:
    sys.exit("the window has no icon")
values = [int(v) for v in text.split("=", 1)[1].split(",")]
sizes = []
while len(values) >= 2:
    w, h = values[0], values[1]
    pixels, values = values[2 : 2 + w * h], values[2 + w * h :]
    centre = pixels[(h * 5 // 8) * w + w // 2]
    if centre != 0xFF28B43C:
        sys.exit(f"the {w}x{h} window icon is {centre:#010x} below its centre, not the ball green")
    sizes.append(f"{w}x{h}")
print(" ".join(sizes))
'
}

e2e_start_display
launch_installed
e2e_wait_window "$E2E_WELCOME"
e2e_key "$E2E_WINDOW" Return
e2e_wait_window_gone "$E2E_WELCOME"
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW
if [ "${#run_as[@]}" -gt 0 ]; then
  user=$(ps -o user= -p "$E2E_PID")
  [ "$user" = nobody ] || e2e_fail "the game runs as \"$user\", not nobody"
fi
e2e_pass "the installed game, run by $(ps -o user= -p "$E2E_PID") from a read-only root, greets a new player"
class=$(xprop -id "$game" WM_CLASS 2>/dev/null | sed -n 's/^[^=]*= //p')
[ "$class" = "\"$app_id\", \"$app_id\"" ] || e2e_fail "the window's class is $class, expected $app_id"
icons=$(check_window_icon "$game" 2>&1) || e2e_fail "$icons"
e2e_pass "the window's class is $app_id and its icon the installed ball ($icons)"

play_one_draw "$game"
e2e_pass "one draw played"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
e2e_pass "Escape ends the installed game with status 0"

# Where the save went, and what happens when it cannot go there.
check_save_location() {
  local data="$home/.local/share/keno" save first="$E2E_TMP/first.dat"
  save="$data/keno_save.dat"
  [ -f "$save" ] || e2e_fail "no save in \$HOME/.local/share/keno/ ($(find "$home" "$pkgroot" -name 'keno_save*' 2>/dev/null))"
  [ "$(stat -c %a "$data")" = 700 ] || e2e_fail "the data folder has mode $(stat -c %a "$data"), expected 700"
  python3 - "$save" <<'EOF' || e2e_fail "the save does not hold the draw"
import struct, sys
data = open(sys.argv[1], "rb").read()
if len(data) != 372:
    sys.exit(f"{len(data)} bytes")
balance, won, cost = struct.unpack_from("<3i", data, 8)
if cost != 1 or balance != 1000 - cost + won:
    sys.exit(f"balance {balance}, won {won}, cost {cost}: expected one $1 card charged")
EOF
  cp "$save" "$first"
  e2e_pass "the save is in \$HOME/.local/share/keno/ with the draw's cost"

  launch_installed
  e2e_wait_window "$E2E_TITLE"
  e2e_window_absent "$E2E_WELCOME" || e2e_fail "the second start greeted a new player"
  e2e_key "$E2E_WINDOW" Escape
  e2e_wait_exit
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "second start: exit status $E2E_STATUS"
  cmp -s "$first" "$save" || e2e_fail "the second start did not keep the saved game (balance and totals)"
  e2e_pass "a second start loads the save: no greeting, the same balance"

  chmod 0500 "$data"
  launch_installed
  e2e_wait_window "$E2E_TITLE"
  game=$E2E_WINDOW
  # The draw history and the save each tell their failure once, in a "Keno" box of its own: the
  # history when it cannot be opened or at its first write, the save at the draw's charge, which
  # is written at once. A box answered here may have taken a click meant for the board, so each
  # step is tried again after one.
  failure_boxes=0
  answer_failure_box() {
    local box
    box=$(e2e_windows_named "Keno" | head -n 1)
    [ -n "$box" ] || return 1
    e2e_key "$box" Return
    box_closed() { ! e2e_windows_named "Keno" | grep -qx "$box"; }
    e2e_poll "failure box $box to close" box_closed
    failure_boxes=$((failure_boxes + 1))
  }
  read -r cx cy < <(e2e_cell_corner 45)
  picked_45() {
    answer_failure_box && { e2e_click "$game" $((cx + 43)) $((cy + 44)); return 1; }
    e2e_pixels_match "$game" "$((cx + 43)),$((cy + 10))=$purple"
  }
  e2e_click "$game" $((cx + 43)) $((cy + 44))
  e2e_poll "number 45 picked on Card 1" picked_45
  e2e_click "$game" 600 60
  e2e_click "$game" 600 60
  e2e_click "$game" 90 60
  drawn_answering_boxes() {
    answer_failure_box && return 1
    draw_done "$game"
  }
  e2e_poll "the twentieth ball to land, the failure boxes answered" drawn_answering_boxes
  [ "$failure_boxes" -eq 2 ] || e2e_fail "$failure_boxes failure boxes, expected one for the history and one for the save"
  e2e_key "$game" Escape
  # The save at quit fails too, without a second box.
  no_second_box() {
    e2e_window_absent "Keno" || e2e_fail "a second save-failure box appeared"
    e2e_game_exited
  }
  e2e_poll "the game to exit without a second box" no_second_box
  e2e_wait_exit
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "with an unwritable data folder: exit status $E2E_STATUS"
  chmod 0700 "$data"
  e2e_pass "with the data folder unwritable, the history's and the save's failure boxes appear once each and the game goes on"
}
if [ "$save_location_checks" = on ]; then
  check_save_location
else
  echo "skipped: the save-location checks (switched off in this script)"
fi

echo "PASS: package end-to-end"
