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
dir=$(cd "$dir" && pwd)
# Wine's prefix lives in the build folder, never in the home folder (the
# build gives CTest the same path).
export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all
# The server names itself after the prefix folder, which must exist before
# wineboot fills it (a clean build folder has none).
mkdir -p "$WINEPREFIX"
# One Wine server for the whole run. Debian's wrappers start a server on
# demand with -p0, which exits the moment the last Wine process ends: a test
# starting just then is refused ("wine client error:0: recvmsg: Connection
# reset by peer"). A server already running would keep a second from
# starting, so it is stopped first.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# The first Wine process of a server runs wineboot, which starts the system
# processes (services.exe, winedevice.exe, rpcss.exe, ...); they inherit its
# standard error and, the server staying, keep it open. Were that process a
# test, CTest would wait for the pipe to close until the test's timeout.
# Started here they hold /dev/null. This also makes the prefix the first time.
# The program is one that does nothing: were it wineboot itself, its run would
# come on top of the one the loader starts, and the prefix would get a second
# services.exe with its own drivers beside the first.
# It and the system processes run without address randomization, like the
# tests (cmake/windows.cmake says why).
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom=(setarch "$(uname -m)" -R)
fi
"${norandom[@]}" /usr/lib/wine/wine64 cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
scripts/build.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DBRISOLT_WERROR=${WERROR:-OFF} "$@"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
