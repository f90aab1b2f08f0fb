#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: packages already installed are skipped, and nothing is asked.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libsimpleini-dev libjpeg62-turbo-dev fonts-dejavu-core
    libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libssl-dev openssl
    python3 python3-libtorrent mktorrent transmission-cli
    xvfb xauth time
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo" >&2; exit 1; }
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
