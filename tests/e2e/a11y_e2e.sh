#!/usr/bin/env bash
# What a screen reader reads of the real game, under Xvfb with a private D-Bus session and the
# AT-SPI bus: the tree holds the 8 controls as push buttons, the 5 tabs as page tabs and the board
# as a table of 80 cells named 1 to 80; the "click" action on cell 17 while Card 1 is shown picks
# it (the save holds the pick after Escape); two Fastest draws started by the Draw button's
# "click" action are each announced ball by ball, then their result. H then shows the History
# panel with Export and a list of the settled draws, newest first, the newest selected and focused;
# the "click" action on the oldest row recalls it (a banner panel with its two lines and three
# marks, read out as it shows), its "Newer draw" mark steps to the second draw and "Leave recall"
# takes the banner away.
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
E2E_TIMEOUT=$E2E_TIMEOUT "$python" - "$E2E_PID" "$game" "$E2E_GAME_DIR/keno_history.sqlite3" \
  >"$checker_log" 2>&1 <<'EOF' || {
import os
import re
import sqlite3
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

pid = int(sys.argv[1])
window = sys.argv[2]  # the game window, for keys
ledger = sys.argv[3]
timeout = float(os.environ.get("E2E_TIMEOUT", "20"))


def fail(why):
    sys.exit("FAIL: " + why)


def poll(what, condition, seen=None):
    """Polls condition() until it gives a true value, pumping the main loop; fails after timeout,
    with what seen() reports of the state last found when it is given."""
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
            try:
                found = f" (found: {seen()})" if seen else ""
            except Exception as e:
                found = f" (found nothing to report: {e!r})"
            fail("timed out waiting for " + what + found)
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

# The announcement listener, registered before the first draw; one round trip to the game afterwards
# makes sure the game has heard of the listener before the draw starts. It stays for the recall.
said = []
pyatspi.Registry.registerEventListener(lambda e: said.append(str(e.any_data)), "object:announcement")
app.name


def settled_draws():
    """The ledger's settled draws, newest first, as (id, schedule, cost, won, balance after)."""
    with sqlite3.connect(f"file:{ledger}?mode=ro", uri=True) as db:
        return db.execute("SELECT id, schedule, cost, won, balance_after FROM draws WHERE state = 'settled'"
                          " ORDER BY seq DESC").fetchall()


def draw_button():
    found = [n for n in walk(the_app()) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Draw Numbers"]
    return found[0] if found else None


# Two draws, each started by the Draw button's click action once the one before has settled, and
# each announced ball by ball, then with its result.
results = []
for draw in (1, 2):
    del said[:]
    button = poll(f"a Draw Numbers button before draw {draw}", draw_button,
                  lambda: [b.name for b in walk(the_app()) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON])
    do_action(button, "click")
    poll(f"draw {draw}'s result to be announced", lambda: any("Balance $" in s for s in said), lambda: said)
    balls = [s for s in said if s.startswith("Ball ")]
    numbers = []
    for k, s in enumerate(balls, 1):
        m = re.match(r"Ball (\d+): (\d+)(, a hit on Card 1)?$", s)
        if not m or int(m.group(1)) != k:
            fail(f"draw {draw}: announcement {s!r} as ball {k}")
        n = int(m.group(2))
        if bool(m.group(3)) != (n in (3, 17)):
            fail(f"draw {draw}: {s!r}: the hit is told wrongly")
        numbers.append(n)
    if len(numbers) != 20 or len(set(numbers)) != 20 or not all(1 <= n <= 80 for n in numbers):
        fail(f"draw {draw}: the balls announced: {balls}")
    result = [s for s in said if "Balance $" in s][-1]
    if not re.fullmatch(r"(Card 1 won \$\d+\.|No win\.) Balance \$\d+\.", result):
        fail(f"draw {draw}: the result reads {result!r}")
    poll(f"draw {draw} to be settled in the ledger", lambda: len(settled_draws()) == draw, settled_draws)
    results.append(result)
    print(f"ok: draw {draw} announced its 20 balls and {result!r}")
ledger_rows = settled_draws()


def panel_named(name):
    found = [n for n in walk(the_app()) if n.getRole() == pyatspi.ROLE_PANEL and n.name == name]
    return found[0] if found else None


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def states(node):
    return [pyatspi.stateToString(s) for s in node.getState().getStates()]


def panels_shown():
    return [n.name for n in walk(the_app()) if n.getRole() == pyatspi.ROLE_PANEL]


# H, typed into the game window, shows the History panel: Export and the list of the settled
# draws, newest first, each row read as the ledger holds it; the newest selected and focused.
subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "h"], check=True)
history = poll("a panel named History after H", lambda: panel_named("History"), panels_shown)
kids = children(history)
if not [k for k in kids if k.getRole() == pyatspi.ROLE_PUSH_BUTTON and k.name == "Export CSV..."]:
    fail(f"the History panel holds no Export CSV... button: {[(k.getRoleName(), k.name) for k in kids]}")
lists = [k for k in kids if k.getRole() == pyatspi.ROLE_LIST and k.name == "Latest draws"]
if not lists:
    fail(f"the History panel holds no list Latest draws: {[(k.getRoleName(), k.name) for k in kids]}")
rows = [r for r in children(lists[0]) if r.getRole() == pyatspi.ROLE_LIST_ITEM]
if len(rows) != len(ledger_rows):
    fail(f"{len(rows)} rows for {len(ledger_rows)} settled draws: {[r.name for r in rows]}")
for row, (draw_id, schedule, cost, won, after) in zip(rows, ledger_rows):
    m = re.fullmatch(r"Draw (\d+), \d{4}-\d\d-\d\d \d\d:\d\d:\d\d, (GENEROUS|CASINO), cost \$(\d+), "
                     r"won \$(\d+), balance after \$(\d+)", row.name)
    if not m or tuple(m.groups()) != tuple(map(str, (draw_id, schedule, cost, won, after))):
        fail(f"the row {row.name!r} for the ledger's draw {(draw_id, schedule, cost, won, after)}")
if f"Balance ${ledger_rows[0][4]}." not in results[-1]:
    fail(f"the newest row's balance {ledger_rows[0][4]} is not the one announced: {results[-1]!r}")
newest = rows[0]
poll("the newest row to be selected and focused",
     lambda: newest.getState().contains(pyatspi.STATE_SELECTED) and newest.getState().contains(pyatspi.STATE_FOCUSED),
     lambda: {r.name: states(r) for r in rows})
for row in rows[1:]:
    if row.getState().contains(pyatspi.STATE_SELECTED) or row.getState().contains(pyatspi.STATE_FOCUSED):
        fail(f"an older row is selected or focused too: {row.name!r} {states(row)}")
print(f"ok: H shows the History panel with Export and {len(rows)} rows, the newest selected and focused")


def banner_lines():
    """The recall banner's labels and push buttons, once the banner shows and History has gone."""
    if panel_named("History") is not None:
        return None
    banner = panel_named("Recall of a past draw")
    if banner is None:
        return None
    kids = children(banner)
    return ([k.name for k in kids if k.getRole() == pyatspi.ROLE_LABEL],
            [k for k in kids if k.getRole() == pyatspi.ROLE_PUSH_BUTTON])


# The click action on the oldest row recalls it: History gives way to the banner, which is read
# out as it shows. "Newer draw" then steps to the second draw, and "Leave recall" ends the recall.
total = len(ledger_rows)
del said[:]
app.name
do_action(rows[-1], "click")
labels, marks = poll("the recall banner in place of History", banner_lines, panels_shown)
if len(labels) != 2 or [b.name for b in marks] != ["Older draw", "Newer draw", "Leave recall"]:
    fail(f"the banner holds the labels {labels} and the push buttons {[b.name for b in marks]}")
for position in (1, 2):
    lead = f"RECALL  Draw {position} of {total}"
    poll(f"the banner's first line to read {lead!r}", lambda: banner_lines()[0][0].startswith(lead + " "),
         lambda: banner_lines()[0])
    poll(f"an announcement of {lead!r}", lambda: any(s.startswith(lead) for s in said), lambda: said)
    print(f"ok: the banner and its announcement read {lead!r}")
    if position == 1:
        del said[:]
        newer = [b for b in banner_lines()[1] if b.name == "Newer draw"][0]
        do_action(newer, "click")
leave = [b for b in banner_lines()[1] if b.name == "Leave recall"][0]
do_action(leave, "click")
poll("the banner to go after Leave recall", lambda: panel_named("Recall of a past draw") is None, panels_shown)
print("ok: Leave recall takes the banner away")
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
if fields[2] + fields[4] != 2:
    sys.exit(f"the lifetime cost is {fields[2] + fields[4]}, expected the two draws' $2")
EOF
) || e2e_fail "the save after Escape: $why"
e2e_pass "the save holds the pick on cell 17 and the two draws' cost"
echo "PASS: a11y end-to-end"
