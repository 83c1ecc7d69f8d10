#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole suite: unit and scenario
# tests (plain, under AddressSanitizer + UndefinedBehaviorSanitizer, and the worker-thread tests
# under ThreadSanitizer), the save-file fuzzer for a bounded time, and the end-to-end tests under
# Xvfb. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh || { echo "dependency install failed"; exit 1; }

passed=0
failed=0
failures=()
step() {
  local name=$1
  shift
  echo
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
  fi
}

build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j2
}

step "build" build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
step "unit and scenario tests" ctest --test-dir build --output-on-failure -j2

step "build with ASan+UBSan" build build-asan -DCMAKE_BUILD_TYPE=Debug -DKENO_SANITIZE=address,undefined -DKENO_BENCH=OFF
supp="$root/tests/sanitizers"
step "tests under ASan+UBSan" env ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$supp/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2

step "build with TSan" build build-tsan -DCMAKE_BUILD_TYPE=Debug -DKENO_SANITIZE=thread -DKENO_BENCH=OFF
step "worker-thread tests under TSan" env TSAN_OPTIONS="halt_on_error=1 suppressions=$supp/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -R 'Fanfare|Worker|Thread|Sound'

if [ -x scripts/fuzz.sh ] || [ -f scripts/fuzz.sh ]; then
  step "save-file fuzzer" bash scripts/fuzz.sh
fi

for e2e in tests/e2e/*_e2e.sh; do
  [ -f "$e2e" ] || continue
  step "end-to-end $(basename "$e2e" .sh)" bash "$e2e" "$root/build"
done

echo
if [ "$failed" -gt 0 ]; then
  printf 'failed: %s\n' "${failures[@]}"
fi
echo "suite: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
