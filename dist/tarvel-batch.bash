# bash completion for tarvel-batch                          -*- shell-script -*-

_tarvel_batch()
{
    local cur prev words cword
    _init_completion || return

    local tables="ZR4 ZR1 ZR5N ZR5 ZR5H ZR6N ZR6 ZR7N ZR7 ZR7H"
    local commands="tables areas lines show show-line export print"
    local quarters="last4 last5 last8 last9 all"

    case $prev in
        --data | --per-area)
            _filedir -d
            return
            ;;
        --output)
            _filedir
            return
            ;;
        --table)
            COMPREPLY=($(compgen -W "$tables" -- "$cur"))
            return
            ;;
        --quarters)
            COMPREPLY=($(compgen -W "$quarters" -- "$cur"))
            return
            ;;
        --areas | --lines)
            COMPREPLY=($(compgen -W "all" -- "$cur"))
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "comma space tab fixed xlsx" -- "$cur"))
            return
            ;;
        --area | --line)
            return
            ;;
    esac

    # The command is the first word that is neither an option nor the value
    # of --data.
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data) ((i++)) ;;
            -*) ;;
            *)
                command=${words[i]}
                break
                ;;
        esac
    done

    local options
    case $command in
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--data --unsuppressed --help --version" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            fi
            return
            ;;
        tables | areas) options="" ;;
        lines) options="--table" ;;
        show) options="--table --area --quarters --reverse" ;;
        show-line) options="--table --line --quarters --reverse" ;;
        export)
            options="--table --areas --quarters --lines --format --output --per-area --no-header
                --line-titles --no-line-titles --area-names --no-area-names --no-quotes --append --footnotes"
            ;;
        print) options="--table --areas --quarters --output --footnotes --reverse" ;;
        *) return ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
} &&
    complete -F _tarvel_batch tarvel-batch

# ex: filetype=sh
