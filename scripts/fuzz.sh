#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given seconds
# (default 30) on a copy of its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRISOLT_FUZZ=ON -DBRISOLT_BUILD_TESTS=OFF -DBRISOLT_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    work="fuzz-out/$name"
    mkdir -p "$work/corpus"
    cp -n tests/fuzz/corpus/"${name#fuzz_}"/* "$work/corpus/" 2>/dev/null || true
    echo "== $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$work/" "$work/corpus" 2>"$work/log.txt"; then
        tail -n 40 "$work/log.txt"
        status=1
    fi
    grep -E '^(#[0-9]+.*DONE|Done)' "$work/log.txt" | tail -n 1 || tail -n 2 "$work/log.txt"
done
exit $status
