#!/usr/bin/env bash
# Builds the SHA-1 benchmark (Release) into build-bench/ and runs it; extra
# arguments go to the benchmark (CPU seconds per measurement, default 0.25;
# rounds, default 7). To measure another compiler, give it a tree of its own:
#   CC=clang CXX=clang++ BENCH_DIR=build-bench-clang bench/sha1.sh
# (CC/CXX count only when that tree is first configured.)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BENCH_DIR:-build-bench}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_BENCH=ON -DBRISOLT_BUILD_TESTS=OFF \
    -DBRISOLT_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" --target sha1_bench
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt")
echo "compiler: $("$compiler" --version | head -1); load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
"$dir/bench/sha1_bench" "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
