#!/usr/bin/env bash
# Runs create, show, edit and verify with the Linux brisolt-cli and with
# brisolt-cli.exe under Wine on the same content, and compares the results
# byte for byte (torrents apart from their creation date; text apart from CR
# before LF and the creation date's line, which each system formats in its
# own locale). The content holds non-ASCII names (one outside the BMP), a
# sparse file over 4 GiB with data on both sides of the 4 GiB mark, binary
# data full of CR, LF and 0x1A bytes, and nested folders.
#   scripts/compare-windows.sh [LINUX_BUILD] [WINDOWS_BUILD]   (default: build build-win)
# SHOW=1 also prints the Linux side's verify results.
# Exit status 0 when everything matches. Needs about 5 GiB of sparse space in $TMPDIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(cd "${1:-$root/build}" && pwd)
windows_build=$(cd "${2:-$root/build-win}" && pwd)
linux_cli=$linux_build/src/cli/brisolt-cli
windows_cli=$windows_build/src/cli/brisolt-cli.exe
wine=
for candidate in /usr/lib/wine/wine64 wine64 wine; do
    wine=$(command -v "$candidate") && break
done
for tool in "$linux_cli" "$windows_cli" "$wine"; do
    [[ -x $tool ]] || { echo "compare-windows: missing $tool" >&2; exit 2; }
done
# The prefix lives in the build folder, never in the home folder.
export WINEPREFIX=$windows_build/wineprefix WINEDEBUG=-all LANG=C.UTF-8 TZ=UTC

work=$(mktemp -d "${TMPDIR:-/tmp}/brisolt-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
# No cached tracker list and no settings file for either program.
mkdir install
export BRISOLT_INSTALL_DIR=$work/install

content="Inhalt Äöü ß"
mkdir -p "$content/日本語/ネスト/深い" "$content/a/b/c/d"
printf 'Grüße aus Köln\r\nzweite Zeile\n' >"$content/naïve café.txt"
python3 - "$content/日本語/データ.bin" "$content/a/b/c/d/crlf 🎵.dat" <<'EOF'
import sys
pattern = bytes(range(256)) + b"\r\n\x1a\r\r\n\n\x1a\x00" * 32
open(sys.argv[1], "wb").write(pattern * 4099)
open(sys.argv[2], "wb").write(b"\x1a" + b"\r\n" * 70001 + b"\x1a\n")
EOF
printf 'tief\n' >"$content/日本語/ネスト/深い/ε.txt"
# A path far beyond Windows' 260 characters.
deep=$content/lang
for i in 1 2 3 4 5 6 7 8 9 10; do deep+="/Ordner mit einem recht langen Namen Nummer $i äöü"; done
mkdir -p "$deep"
printf 'ganz unten\r\n' >"$deep/unten ✓.txt"
big="$content/groß über 4 GiB.img"
truncate -s $((4 * 1024 * 1024 * 1024 + 12345)) "$big"
printf 'start' | dd of="$big" conv=notrunc status=none
printf 'beyond 4 GiB' | dd of="$big" bs=1 seek=$((4 * 1024 * 1024 * 1024 + 100)) conv=notrunc status=none
single="Einzeldatei ✓ ©.bin"
cp "$content/日本語/データ.bin" "$single"

linux() { "$linux_cli" "$@"; }
windows() { "$wine" "$windows_cli" "$@"; }

# A torrent without its creation date (the one key that differs by design).
strip_date() {
    python3 -c 'import re,sys; sys.stdout.buffer.write(re.sub(rb"13:creation datei-?\d+e", b"", open(sys.argv[1], "rb").read()))' "$1"
}

failures=0
same_torrent() { # what, linux file, windows file
    if cmp -s <(strip_date "$2") <(strip_date "$3"); then
        echo "same   $1 ($(stat -c %s "$2") bytes)"
    else
        echo "DIFFER $1"
        failures=$((failures + 1))
    fi
}

# Text without CR (Windows writes CR LF) and without the creation date, which
# each system formats in its own locale.
plain() { printf '%s\n' "${1//$'\r'/}" | grep -v '^Creation date:' || true; }
same_text() { # what, linux text, windows text
    if cmp -s <(plain "$2") <(plain "$3"); then
        echo "same   $1"
    else
        echo "DIFFER $1"
        diff <(plain "$2") <(plain "$3") | head -20 || true
        failures=$((failures + 1))
    fi
}

announce=http://tracker.example/announce
comment=$'Grüße, ✓\nzweite Zeile'
for side in linux windows; do
    "$side" create -q -a "$announce" -c "$comment" -o "folder-$side.torrent" "$content"
    "$side" create -q -a "$announce" -l 256kb -o "single-$side.torrent" "$single"
done
same_torrent "create: folder of 6 files, nested, one over 4 GiB, one path over 600 bytes" folder-linux.torrent folder-windows.torrent
same_torrent "create: single file with a non-ASCII name" single-linux.torrent single-windows.torrent

for torrent in folder single; do
    same_text "show $torrent" "$(linux show "$torrent-linux.torrent")" "$(windows show "$torrent-linux.torrent")"
    same_text "show --json $torrent" "$(linux show --json "$torrent-linux.torrent")" \
        "$(windows show --json "$torrent-linux.torrent")"
done

for side in linux windows; do
    "$side" edit folder-linux.torrent -o "edited-$side.torrent" --name "Neuer Name ✓ ß" --comment "Ä" \
        --announce http://other.example/announce >/dev/null
    cp single-linux.torrent "single-edit-$side.torrent"
    "$side" edit "single-edit-$side.torrent" --name "Umbenannt ✓.bin" >/dev/null
done
same_torrent "edit: new name, comment and announce" edited-linux.torrent edited-windows.torrent
same_torrent "edit in place: single-file torrent renamed" single-edit-linux.torrent single-edit-windows.torrent

verify_both() { # what, torrent, content
    local l w lc=0 wc=0
    l=$(linux verify "$2" "$3" 2>&1) || lc=$?
    w=$(windows verify "$2" "$3" 2>&1) || wc=$?
    same_text "$1 (exit $lc / $wc)" "$l" "$w"
    [[ -z ${SHOW:-} ]] || printf "%s\n" "$l"
    [[ $lc == "$wc" ]] || failures=$((failures + 1))
}
verify_both "verify folder" folder-linux.torrent .
verify_both "verify single file" single-linux.torrent "$single"
# One changed byte beyond 4 GiB must fail on both sides, in the same piece.
printf 'X' | dd of="$big" bs=1 seek=$((4 * 1024 * 1024 * 1024 + 105)) conv=notrunc status=none
verify_both "verify after a change beyond 4 GiB" folder-linux.torrent .

# Ctrl-C while hashing: the run ends with the abort message, nothing written.
interrupted() { # side
    local pid code=0 i
    truncate -s 64G huge.img
    "$1" create -a "$announce" --threads 1 -o "huge-$1.torrent" huge.img 2>"abort-$1.txt" &
    pid=$!
    sleep 5
    # Wine's loader may run the program as a child process: interrupt all of them.
    for i in $(pgrep -P "$pid") $(pgrep -f "brisolt-cli(.exe)? create .*huge-$1") "$pid"; do kill -INT "$i" 2>/dev/null || true; done
    wait "$pid" || code=$?
    rm -f huge.img
    printf '%s exit %s: %s' "$1" "$code" "$(tr -d '\r' <"abort-$1.txt")"
    [[ ! -e huge-$1.torrent ]] || printf ' (torrent written)'
}
abort_linux=$(interrupted linux)
abort_windows=$(interrupted windows)
same_text "Ctrl-C while hashing (${abort_linux#linux })" "${abort_linux#linux}" "${abort_windows#windows}"

if ((failures > 0)); then
    echo "compare-windows: $failures difference(s)"
    exit 1
fi
echo "compare-windows: all results identical"
