#!/usr/bin/env bash
# Cross-builds brisolt-cli.exe and the tests below the window for 64-bit
# Windows into build-win/ (or $BUILD_DIR), and runs the tests under Wine.
# Installs what is missing first, like install-deps.sh. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

packages=(g++-mingw-w64-x86-64 wine wine64)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Run as root or install sudo" >&2; exit 1; }
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

dir=${BUILD_DIR:-build-win}
mkdir -p "$dir"
# Wine's prefix lives in the build folder, never in the home folder. Made once
# before the build, so that the test listings after each link do not race to
# create it.
export WINEPREFIX=$PWD/$dir/wineprefix WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    wineserver -w
fi
# One server for the whole run: started per test, it shuts down between two
# tests now and then while the next one connects ("recvmsg: Connection reset").
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
scripts/build.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DBRISOLT_WERROR=${WERROR:-OFF} "$@"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
