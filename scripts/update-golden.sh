#!/usr/bin/env bash
# Rewrites the golden frames in tests/golden from the current code. Run it only when a change
# to what the screen shows is meant, then look at the new pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKENO_WERROR=ON >/dev/null
cmake --build build -j2 --target keno_tests
KENO_UPDATE_GOLDEN=1 SDL_AUDIODRIVER=dummy ./build/keno_tests --gtest_filter='GoldenFrame.*'
git status --short tests/golden
