#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ $# -gt 0 ]; then
    exec build/src/cli/brisolt-cli "$@"
fi
exec build/src/cli/brisolt-cli show samples/sample.torrent
