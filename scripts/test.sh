#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir=${BUILD_DIR:-build}
scripts/build.sh "$dir" -DBRISOLT_WERROR=${WERROR:-OFF} "$@"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
