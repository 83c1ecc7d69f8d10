#!/usr/bin/env bash
# Builds and runs the benchmarks: frame drawing on the headless back end (Google Benchmark, text
# cache on and off), then under Xvfb the real game's launch time to its first frame and the
# presentation benchmark (loop rate, the game's and the X server's CPU share and the changed share
# of the window, presenting only what changed beside the whole frame; the cost of each way of
# presenting), once more from a build with the resting frame loop switched off. With SOAK_SECONDS set, it also runs the
# memory soak of bench/rss_soak.sh for that long. Prints numbers only.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKENO_BENCH=ON -DKENO_WERROR=ON >/dev/null
cmake --build build -j2 --target keno keno_bench keno_ledger_bench keno_present_bench
# The same benchmark from a build whose frame loop never rests: the CPU figures it is measured against.
cmake -S . -B build-busy -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKENO_BENCH=ON -DKENO_WERROR=ON -DKENO_TESTS=OFF -DKENO_RESTING_LOOP=OFF >/dev/null
cmake --build build-busy -j2 --target keno_present_bench

echo "=== frame drawing (headless, median of 5 repetitions)"
./build/bench/keno_bench --benchmark_report_aggregates_only=true 2>&1 | grep -E "median|^Benchmark|^-"

echo "=== the draw history (headless, files in ${TMPDIR:-/tmp}, median of the repetitions)"
./build/bench/keno_ledger_bench --benchmark_report_aggregates_only=true 2>&1 | grep -E "median|^Benchmark|^-"

echo "=== launch to first frame (Xvfb)"
# shellcheck source=tests/e2e/lib.sh
. tests/e2e/lib.sh
# Large enough for the window at scale 2 (2564 x 1804 device pixels).
E2E_SCREEN=2600x1900x24 e2e_start_display
for run in 1 2 3 4 5; do
  e2e_install_game build
  start=$(date +%s%N)
  e2e_launch dummy
  # The first frame is presented just before the greeting box opens.
  until [ -n "$(e2e_windows_named "$E2E_WELCOME")" ]; do sleep 0.002; done
  echo "run $run: greeting box up $((($(date +%s%N) - start) / 1000000)) ms after launch"
  kill "$E2E_PID"
  wait "$E2E_PID" 2>/dev/null || true
  E2E_PID=""
done

echo "=== presentation (Xvfb, the real frame loop)"
mkdir -p "$E2E_TMP/present"
cp build/bench/present/keno_present_bench "$E2E_TMP/present/"
SDL_AUDIODRIVER=dummy GDK_SCALE=1 "$E2E_TMP/present/keno_present_bench"
echo "=== presentation at scale 2 (GDK_SCALE=2)"
SDL_AUDIODRIVER=dummy GDK_SCALE=2 "$E2E_TMP/present/keno_present_bench"

echo "=== presentation with the resting loop switched off, for comparison (Xvfb)"
mkdir -p "$E2E_TMP/present-busy"
cp build-busy/bench/present/keno_present_bench "$E2E_TMP/present-busy/"
SDL_AUDIODRIVER=dummy GDK_SCALE=1 "$E2E_TMP/present-busy/keno_present_bench"
e2e_stop_display

if [ -n "${SOAK_SECONDS:-}" ]; then
  echo "=== memory over $SOAK_SECONDS s of auto-run"
  bash bench/rss_soak.sh build
fi
