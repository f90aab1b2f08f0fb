#!/usr/bin/env bash
# The bash completion offers every option that brisolt-cli's --help lists (and
# the piece sizes it accepts), the man page names them too, and
# `cmake --install` puts both man pages and the completion where Debian looks.
# Usage: docs_test.sh CLI COMPLETION MANPAGE BUILD_DIR
set -euo pipefail
cli=$1 completion=$2 manpage=$3 build=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Stand-ins for bash-completion's helpers, so that the function runs alone.
_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${words[cword]}; prev=${words[cword - 1]}; }
_filedir() { COMPREPLY=("<files${1:+ $1}>"); }
complete() { :; }
# shellcheck source=/dev/null
source "$completion"
offered() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _brisolt_cli; echo " ${COMPREPLY[*]} "; }

[[ $(offered brisolt-cli '') == " show create edit verify --help " ]] || fail "commands: $(offered brisolt-cli '')"
man_text=$(sed 's/\\-/-/g' "$manpage")
for command in show create edit verify; do
    listed=$("$cli" "$command" --help | awk '/^Options:/ { o = 1; next } /^$/ { o = 0 } o && /^  -/ { print $1 }' | tr ',' '\n')
    [[ -n $listed ]] || fail "$command --help lists no options"
    got=$(offered brisolt-cli "$command" -)
    for option in $listed; do
        [[ $option == -h ]] && continue # CLI11's short --help
        [[ $got == *" $option "* ]] || fail "completion of $command lacks $option"
        [[ $option == -? || $option == --help ]] || grep -qF -- "$option" <<<"$man_text" || fail "man page lacks $command $option"
    done
done
sizes=$("$cli" create --help | grep -oE 'auto(\|[0-9]+kb)+' | tr '|' ' ')
[[ $(offered brisolt-cli create -l '') == " $sizes " ]] || fail "piece sizes: $(offered brisolt-cli create -l '') vs $sizes"
[[ $(offered brisolt-cli show '') == " <files torrent> " ]] || fail "show completes torrents"

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in share/man/man1/brisolt-cli.1 share/man/man1/brisolt.1 share/bash-completion/completions/brisolt-cli \
    share/applications/brisolt.desktop; do
    [[ -f $prefix/$file ]] || fail "not installed: $file"
done
grep -qx 'MimeType=application/x-bittorrent;' "$prefix/share/applications/brisolt.desktop" || fail "desktop entry MIME type"
grep -qx 'Exec=brisolt %f' "$prefix/share/applications/brisolt.desktop" || fail "desktop entry file argument"
exit $((failures > 0))
