#!/usr/bin/env bash
# A failed export of the draw history for real: the export into a folder the player may not
# write, run as nobody (root's writes no permission stops), shows its box with the reason and
# leaves the folder empty, no temporary file in it. The headless test program does the export
# (nothing in the game reaches it without the History overlay); skipped when not run as root.
# Usage: export_e2e.sh [build directory, default build]
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$(e2e_build_dir "${1:-build}") || exit 1
[ -x "$build/keno_tests" ] || e2e_fail "no $build/keno_tests"

if [ "$(id -u)" -ne 0 ]; then
  echo "skip: not root, so the export cannot be run as nobody (keno_tests runs it as this user)"
  exit 0
fi

# nobody's own temporary folder, inside the test's.
chmod 0755 "$E2E_TMP"
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
