#!/usr/bin/env bash
# What a screen reader reads of the real game, under Xvfb with a private D-Bus session and the
# AT-SPI bus: the tree holds the 8 controls as push buttons, the 5 tabs as page tabs and the board
# as a table of 80 cells named 1 to 80; the "click" action on cell 17 while Card 1 is shown picks
# it (the save holds the pick after Escape); and a Fastest draw started by the Draw button's
# "click" action is announced ball by ball, then its result.
# Usage: a11y_e2e.sh [build directory, default build]
set -u -o pipefail

# Everything runs inside its own D-Bus session, whose AT-SPI bus launcher it starts on demand.
if [ -z "${KENO_A11Y_SESSION:-}" ]; then
  command -v dbus-run-session >/dev/null || {
    echo "FAIL: dbus-run-session is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  }
  KENO_A11Y_SESSION=1 exec dbus-run-session -- bash "$0" "$@"
fi

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1

# The checker runs in Debian's own Python, for which python3-pyatspi is installed.
python=/usr/bin/python3
"$python" -c "import pyatspi" 2>/dev/null || e2e_fail "$python cannot import pyatspi (install python3-pyatspi)"

# GTK 3 loads its bridge to the AT-SPI bus by itself unless this says not to.
unset NO_AT_BRIDGE

e2e_start_display
e2e_install_game "$build"
save="$E2E_GAME_DIR/keno_save.dat"
# A player at the fastest speed with sound off and one pick on card 1 (so no greeting box).
e2e_make_save "$save" 1000 1 0 25000 5 0 "1:3=1" || e2e_fail "could not write the prepared save"
e2e_launch dummy
e2e_wait_window "$E2E_TITLE"
game=$E2E_WINDOW

checker_log="$E2E_TMP/checker.log"
E2E_TIMEOUT=$E2E_TIMEOUT "$python" - "$E2E_PID" >"$checker_log" 2>&1 <<'EOF' || {
import os
import re
import sys
import time

import pyatspi
from gi.repository import GLib

pid = int(sys.argv[1])
timeout = float(os.environ.get("E2E_TIMEOUT", "20"))


def fail(why):
    sys.exit("FAIL: " + why)


def poll(what, condition):
    """Polls condition() until it gives a true value, pumping the main loop; fails after timeout."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        try:
            value = condition()
        except Exception:  # the tree is still being built, or the object went away
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def the_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def tree_ready():
    app = the_app()
    if app is None:
        return None
    nodes = list(walk(app))
    tables = [n for n in nodes if n.getRole() == pyatspi.ROLE_TABLE and n.childCount == 80]
    return (app, nodes, tables[0]) if tables else None


def do_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    fail(f"{node.name!r} offers no {name!r} action")


app, nodes, table = poll("the game's tree with its board", tree_ready)
buttons = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
tabs = [n for n in nodes if n.getRole() == pyatspi.ROLE_PAGE_TAB]
if len(buttons) != 8:
    fail(f"{len(buttons)} push buttons: {[b.name for b in buttons]}")
if len(tabs) != 5:
    fail(f"{len(tabs)} page tabs: {[t.name for t in tabs]}")
cells = [table.getChildAtIndex(i) for i in range(table.childCount)]
if [c.name for c in cells] != [str(n) for n in range(1, 81)]:
    fail(f"the cells are named {[c.name for c in cells]}")
t = table.queryTable()
if (t.nRows, t.nColumns) != (8, 10) or t.getAccessibleAt(1, 6).name != "17":
    fail(f"a table of {t.nRows} x {t.nColumns}")
ext = cells[16].queryComponent().getExtents(pyatspi.WINDOW_COORDS)
if ext.width <= 0 or ext.height <= 0:
    fail(f"cell 17 has extents {ext}")
print("ok: 8 push buttons, 5 page tabs and a table of 80 cells named 1 to 80")

# Card 1 shown, then the click action on cell 17 picks it.
card1 = [x for x in tabs if x.name == "Card 1"][0]
do_action(card1, "click")
poll("the Card 1 tab selected", lambda: card1.getState().contains(pyatspi.STATE_SELECTED))
cell17 = cells[16]
if cell17.getState().contains(pyatspi.STATE_CHECKED):
    fail("cell 17 is checked before its click")
do_action(cell17, "click")
poll("cell 17 checked", lambda: cell17.getState().contains(pyatspi.STATE_CHECKED))
print("ok: the click action on cell 17 picks it")

# The announcement listener, registered before the draw; one round trip to the game afterwards
# makes sure the game has heard of the listener before the draw starts.
said = []
pyatspi.Registry.registerEventListener(lambda e: said.append(str(e.any_data)), "object:announcement")
app.name
draw = [b for b in buttons if b.name == "Draw Numbers"]
if not draw:
    fail(f"no Draw Numbers button among {[b.name for b in buttons]}")
do_action(draw[0], "click")
poll("the draw's result to be announced", lambda: any("Balance $" in s for s in said))
balls = [s for s in said if s.startswith("Ball ")]
numbers = []
for k, s in enumerate(balls, 1):
    m = re.match(r"Ball (\d+): (\d+)(, a hit on Card 1)?$", s)
    if not m or int(m.group(1)) != k:
        fail(f"announcement {s!r} as ball {k}")
    n = int(m.group(2))
    if bool(m.group(3)) != (n in (3, 17)):
        fail(f"{s!r}: the hit is told wrongly")
    numbers.append(n)
if len(numbers) != 20 or len(set(numbers)) != 20 or not all(1 <= n <= 80 for n in numbers):
    fail(f"the balls announced: {balls}")
result = [s for s in said if "Balance $" in s][-1]
if not re.fullmatch(r"(Card 1 won \$\d+\.|No win\.) Balance \$\d+\.", result):
    fail(f"the result reads {result!r}")
print(f"ok: the draw announced its 20 balls and {result!r}")
EOF
  cat "$checker_log" >&2
  e2e_fail "the accessibility checker failed"
}
cat "$checker_log"

e2e_key "$game" Escape
e2e_wait_exit
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after Escape, expected 0"
why=$(python3 - "$save" 2>&1 <<'EOF'
import sys
from save_file import load
fields, picks = load(sys.argv[1])
if picks[16] != 1 or picks[2] != 1:
    sys.exit(f"card 1 holds {[n for n in range(1, 81) if picks[n - 1]]}, expected 3 and 17")
if fields[2] + fields[4] != 1:
    sys.exit(f"the lifetime cost is {fields[2] + fields[4]}, expected the one draw's $1")
EOF
) || e2e_fail "the save after Escape: $why"
e2e_pass "the save holds the pick on cell 17 and the draw's cost"
echo "PASS: a11y end-to-end"
