#!/usr/bin/env bash
# Runs clang-tidy (the root .clang-tidy) over every source file of src/,
# using the compile commands of a configured build (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -f "$dir/compile_commands.json" ] || scripts/build.sh "$dir"
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
"$runner" -p "$dir" -quiet -j "$(nproc)" "$(pwd)/src/"
