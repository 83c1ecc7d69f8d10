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

# Configures a build folder with warnings as errors and builds it (all targets, or those given
# after "--target").
build() {
  local dir=$1
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != --target ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 0 ] && targets=("$@")
  cmake -S "$root" -B "$dir" -DKENO_WERROR=ON "${options[@]}" >/dev/null && cmake --build "$dir" -j2 "${targets[@]}"
}

step "build" build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
step "unit and scenario tests" ctest --test-dir build --output-on-failure -j2

# The build type packagers and players choose; GCC raises warnings there that -O2 does not.
step "Release build of the game with GCC" build build-release -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DKENO_TESTS=OFF -DKENO_BENCH=OFF --target keno

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

# Each end-to-end script is stopped, with everything it started, and fails once it has run for
# its limit: a hang then costs minutes, not the whole run. The scripts take up to about four
# minutes (durable_e2e's ten kills); package_e2e builds the game first and gets longer.
e2e_limit() {
  case $(basename "$1") in
    package_e2e.sh) echo "${E2E_PACKAGE_LIMIT:-1800}" ;;
    *) echo "${E2E_SCRIPT_LIMIT:-600}" ;;
  esac
}
run_e2e() {
  local script=$1 limit status
  limit=$(e2e_limit "$script")
  timeout --kill-after=30 "$limit" bash "$script" "$root/build"
  status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "FAIL: $(basename "$script") did not finish within $limit s and was stopped"
  fi
  return "$status"
}
for e2e in tests/e2e/*_e2e.sh; do
  [ -f "$e2e" ] || continue
  step "end-to-end $(basename "$e2e" .sh)" run_e2e "$e2e"
done

echo
if [ "$failed" -gt 0 ]; then
  printf 'failed: %s\n' "${failures[@]}"
fi
echo "suite: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
