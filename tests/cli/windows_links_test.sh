#!/usr/bin/env bash
# brisolt-cli.exe under Wine with links: written through and refused by the
# same rules as on Linux. The links are made here, on the Linux side: Wine
# shows them to the program as Windows shows links, but makes none itself
# (its CreateSymbolicLinkW does nothing, and it refuses junctions).
# Arguments: brisolt-cli.exe, then the command that runs it (Wine).
set -uo pipefail
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
wine=("$@")
box=$(mktemp -d)
trap 'rm -rf "$box"' EXIT
cd "$box"
winbox="Z:${box//\//\\}" # the sandbox as the program sees it
failed=0

# Runs the program with the arguments; sets code and err (without the
# console's carriage returns).
run() {
    err=$("$@" 2>&1 >/dev/null)
    code=$?
    err=${err//$'\r'/}
}
cli() { run "${wine[@]}" "$exe" create -a http://t/a -q "$@"; }
expect() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        printf '%s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        failed=1
    fi
}

printf 'content' >a.txt
mkdir real
printf 'old' >real/t.torrent
ln -s real/t.torrent out.torrent
ln -s a.txt link.torrent
mkdir -p d/sub loop/sub
printf 'b' >d/sub/b.txt
ln -s d/sub into
printf 'f' >loop/sub/f
ln -s .. loop/sub/back

# A link at the output is written through to its target and stays a link.
cli a.txt -o out.torrent
expect "through a link: exit code" 0 "$code"
expect "through a link: the link stays" yes "$([ -L out.torrent ] && echo yes)"
expect "through a link: the target holds the torrent" d8:announce "$(head -c 11 real/t.torrent)"
expect "through a link: nothing left beside the target" t.torrent "$(ls -A real)"

# A link to a content file is that file.
cli a.txt -o link.torrent
expect "link to the content: exit code" 1 "$code"
expect "link to the content: message" \
    "brisolt-cli: Datei link.torrent kann nicht erstellt werden. Sie gehört zum Inhalt des Torrents." "$err"
expect "link to the content: the content stays" content "$(cat a.txt)"

# A folder link into the content folder leads into it.
cli d -o into/new.torrent
expect "through a folder link into the content: exit code" 1 "$code"
expect "through a folder link into the content: message" \
    "brisolt-cli: Datei into/new.torrent kann nicht erstellt werden. Sie läge im Ordner des Torrents." "$err"
expect "through a folder link into the content: nothing written" "" "$(ls -A d/sub | grep -v '^b.txt$')"

# A folder link back up the content is a loop.
cli loop -o loop.torrent
expect "loop: exit code" 1 "$code"
expect "loop: message" \
    "brisolt-cli: Ordner $winbox\\loop\\sub\\back kann nicht gelesen werden. Too many levels of symbolic links" "$err"

exit $failed
