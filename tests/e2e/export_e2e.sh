#!/usr/bin/env bash
# A failed export of the draw history for real: the export into a folder the player may not
# write, run as nobody (root's writes no permission stops), shows its box with the reason and
# leaves the folder empty, no temporary file in it. The headless test program does the export
# (nothing in the game reaches it without the History overlay); that part is skipped when not run
# as root. Then the file of a scripted ledger is read back with Python's csv module and checked
# row for row against the ledger through the sqlite3 program.
# Usage: export_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
[ -x "$build/keno_tests" ] || e2e_fail "no $build/keno_tests"

chmod 0755 "$E2E_TMP"
if [ "$(id -u)" -ne 0 ]; then
  echo "skip: not root, so the failed export cannot be run as nobody (keno_tests runs it as this user)"
else
# nobody's own temporary folder, inside the test's.
tmp="$E2E_TMP/nobody"
mkdir -m 0700 "$tmp"
chown nobody:nogroup "$tmp"
out=$(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin TMPDIR="$tmp" \
  "$build/keno_tests" --gtest_filter=HistoryExport.AnUnwritableFolderIsToldAndLeftEmpty 2>&1)
status=$?
if echo "$out" | grep -q "Skipped"; then e2e_fail "the export test was skipped as nobody: $out"; fi
[ "$status" -eq 0 ] || e2e_fail "the failed export as nobody: $out"
echo "$out" | grep -q "\[  PASSED  \] 1 test" || e2e_fail "the export test did not run: $out"
e2e_pass "an export into a folder nobody may not write shows its box and leaves no temporary file"
fi

# The scripted ledger's file read back with Debian's Python csv module, row for row against the
# ledger as the sqlite3 program reads it: every settled draw's cards and every adjustment in seq
# order, the draw in flight absent, CRLF line ends throughout.
keep="$E2E_TMP/keep"
mkdir -m 0755 "$keep"
out=$(KENO_EXPORT_KEEP_DIR="$keep" "$build/keno_tests" \
  --gtest_filter=HistoryExport.TheFileOfAScriptedLedgerIsExactlyAsExpected 2>&1) || e2e_fail "the export: $out"
[ -f "$keep/history.csv" ] && [ -f "$keep/ledger.sqlite3" ] || e2e_fail "the export left no file to check"
sqlite3 -readonly -json "$keep/ledger.sqlite3" "SELECT d.seq, d.id, d.started_utc, d.schedule, d.bet_per_card,
  d.numbers, c.card, c.picks, c.spots, c.hits, c.win, d.cost, d.won, d.progressive_prize, d.consolation,
  d.balance_before, d.balance_after, d.completed_at, d.state FROM draws d JOIN cards c ON c.draw_id = d.id
  ORDER BY d.seq, c.card" >"$keep/cards.json" || e2e_fail "sqlite3 could not read the ledger"
sqlite3 -readonly -json "$keep/ledger.sqlite3" "SELECT seq, at_utc, balance_before, balance_after, kind
  FROM adjustments ORDER BY seq" >"$keep/adjustments.json" || e2e_fail "sqlite3 could not read the ledger"
result=$(/usr/bin/python3 - "$keep" <<'PY'
import csv, json, sys
keep = sys.argv[1]
raw = open(f"{keep}/history.csv", "rb").read()
if raw.count(b"\n") != raw.count(b"\r\n") or not raw.endswith(b"\r\n"):
    sys.exit("a line does not end with CRLF")
with open(f"{keep}/history.csv", newline="", encoding="utf-8") as f:
    rows = list(csv.reader(f))
columns = ["row", "seq", "draw", "utc", "schedule", "bet_per_card", "numbers", "card", "picks", "spots", "hits",
           "win", "draw_cost", "draw_won", "progressive_prize", "consolation", "balance_before", "balance_after", "kind"]
if rows[0] != columns:
    sys.exit(f"header {rows[0]}")
cards = json.load(open(f"{keep}/cards.json"))
adjustments = json.load(open(f"{keep}/adjustments.json"))
expected = []
for c in cards:
    if c["state"] != "settled":
        continue
    expected.append((c["seq"], c["card"], ["card"] + [str(c[k]) for k in (
        "seq", "id", "started_utc", "schedule", "bet_per_card", "numbers", "card", "picks", "spots", "hits", "win",
        "cost", "won", "progressive_prize", "consolation", "balance_before", "balance_after", "completed_at")]))
for a in adjustments:
    expected.append((a["seq"], 0, ["adjustment", str(a["seq"]), "", a["at_utc"]] + [""] * 12 +
                     [str(a["balance_before"]), str(a["balance_after"]), a["kind"]]))
expected = [row for _, _, row in sorted(expected, key=lambda e: (e[0], e[1]))]
if rows[1:] != expected:
    for got, want in zip(rows[1:], expected):
        if got != want:
            sys.exit(f"row {got} where the ledger holds {want}")
    sys.exit(f"{len(rows) - 1} rows where the ledger holds {len(expected)}")
charged = [c["id"] for c in cards if c["state"] == "charged"]
if not charged or any(r[2] == str(i) for r in rows[1:] for i in charged):
    sys.exit(f"the draw in flight ({charged}) is missing from the ledger or present in the file")
print(f"{len(rows) - 1} rows match the ledger; draw {charged[0]} in flight is left out")
PY
) || e2e_fail "the exported file against the ledger: $result"
e2e_pass "$result"
