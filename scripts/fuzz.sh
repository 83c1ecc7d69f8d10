#!/usr/bin/env bash
# Builds the save-file fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz and runs it for a bounded time from a seed corpus of valid and broken save files.
# Fails on any crash, sanitizer report or broken load. FUZZ_SECONDS sets the time (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-30}

cmake -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKENO_FUZZ=ON -DKENO_SANITIZE=address,undefined \
  -DKENO_TESTS=OFF -DKENO_BENCH=OFF -DKENO_WERROR=ON >/dev/null
cmake --build "$dir" -j2 --target save_fuzzer

# Seeds: a fresh game, a played game with picks, every repairable value, and broken files.
seeds="$dir/seeds"
corpus="$dir/corpus"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
python3 - "$seeds" <<'PY'
import os, struct, sys

out = sys.argv[1]
MAGIC = 0x4B454E4F

def save(fields, picks=b"\0" * 320, magic=MAGIC, version=7, check=None):
    body = struct.pack("<10i", *fields)
    if check is None:
        check = (sum(struct.unpack("<10I", body)) & 0xFFFFFFFF) ^ MAGIC
    return struct.pack("<Ii", magic, version) + body + picks + struct.pack("<I", check)

fresh = [1000, 0, 0, 0, 0, 1, 0, 25000, 3, 1]
played = [5, 120, 400, 30, 90, 4, 1, 31000, 5, 0]
picks = bytearray(320)
for i in (0, 9, 79, 80, 200, 319):
    picks[i] = 1
picks[150] = 2
seeds = {
    "fresh": save(fresh),
    "played": save(played, bytes(picks)),
    "zero-balance": save([0] + fresh[1:]),
    "low-pot": save(fresh[:7] + [24000] + fresh[8:]),
    "speed-9": save(fresh[:8] + [9, 1]),
    "sound-7": save(fresh[:9] + [7]),
    "extremes": save([2**31 - 1, -2**31, 2**31 - 1, -2**31, 2**31 - 1, 11, 7, 2**31 - 1, -1, -1], b"\xff" * 320),
    "bad-check": save(played, bytes(picks), check=0),
    "version-6": save(fresh, version=6),
    "wrong-magic": save(fresh, magic=0x4F4E454B),
    "short": save(played, bytes(picks))[:-1],
    "long": save(played, bytes(picks)) + b"\0",
    "empty": b"",
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
PY

# The first directory receives new inputs; the seeds stay as they are.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$dir/fuzz/save_fuzzer" -max_total_time="$seconds" -max_len=400 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$dir/" "$corpus" "$seeds"
