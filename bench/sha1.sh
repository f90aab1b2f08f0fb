#!/usr/bin/env bash
# Builds the SHA-1 benchmark (Release) into build-bench/ and runs it; extra
# arguments go to the benchmark (seconds per measurement, default 0.25).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_BENCH=ON -DBRISOLT_BUILD_TESTS=OFF \
    -DBRISOLT_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" --target sha1_bench
"$dir/bench/sha1_bench" "$@"
