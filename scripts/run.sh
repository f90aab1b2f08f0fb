#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program: the window without
# arguments, brisolt-cli with them (scripts/run.sh show file.torrent).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ $# -gt 0 ]; then
    exec build/src/cli/brisolt-cli "$@"
fi
exec build/src/ui/brisolt
