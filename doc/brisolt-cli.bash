# bash completion for brisolt-cli: commands, each command's options, and
# files (torrents where a torrent is asked for) or folders as arguments.
_brisolt_cli()
{
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            show | create | edit | verify)
                command=${words[i]}
                break
                ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W 'show create edit verify --help' -- "$cur"))
        return
    fi

    case $prev in
        -o | --output)
            _filedir torrent
            return
            ;;
        -O | --output-dir)
            _filedir -d
            return
            ;;
        -l | --piece-size)
            COMPREPLY=($(compgen -W 'auto 64kb 128kb 256kb 512kb 1024kb 2048kb 4096kb 8192kb 16384kb 32768kb 65536kb' -- "$cur"))
            return
            ;;
        -a | --announce | -b | --backup | -c | --comment | --name | --threads | --rename | -s | --source | -w | --web-seed | -x | --exclude | \
            --max-piece-length | --target-pieces | --date | --created-by | --iexclude | --include)
            return
            ;;
    esac

    local options
    case $command in
        show) options='--json --help' ;;
        create) options='-a --announce -o --output -l --piece-size --max-piece-length --target-pieces -c --comment -b --backup -s --source -w --web-seed
            -x --exclude --iexclude --include --exclude-junk --no-hidden --exact-comment --no-date --date --created-by
            --no-created-by --entropy --per-entry -O --output-dir --keep-thumbs --threads -q --quiet --json --batch --help' ;;
        edit) options='-o --output --announce --name --comment --reset-date --backup --no-backup --rename --source
            --no-source --web-seed --no-web-seeds --keep-info-hash --replace-announce --dry-run --help' ;;
        verify) options='--threads -q --quiet --json --help' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        create) _filedir ;;
        verify) _filedir ;;
        *) _filedir torrent ;;
    esac
} && complete -F _brisolt_cli brisolt-cli
