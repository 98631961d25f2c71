# bash completion for kelvara

_kelvara()
{
    local cur prev command
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    command=${COMP_WORDS[1]}

    local settings="--source --dest --title --tv --type --resolution --timeout --full-rebuild --yes --jobs --strict --help"
    local burnopts="--device --speed --blank --writer --dry-run"

    case $prev in
        --source|--dest)
            COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --out)
            COMPREPLY=($(compgen -f -X '!*.@(jpg|jpeg|JPG|JPEG)' -- "$cur")); return ;;
        --tv) COMPREPLY=($(compgen -W "pal ntsc" -- "$cur")); return ;;
        --type) COMPREPLY=($(compgen -W "vcd svcd" -- "$cur")); return ;;
        --resolution) COMPREPLY=($(compgen -W "high low" -- "$cur")); return ;;
        --blank) COMPREPLY=($(compgen -W "fast all" -- "$cur")); return ;;
        --writer) COMPREPLY=($(compgen -W "cdrecord cdrdao" -- "$cur")); return ;;
        --title|--timeout|--tool-timeout|--jobs|--node|--entry|--device|--speed) return ;;
    esac

    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "build scan render burn --help --version" -- "$cur") $(compgen -d -- "$cur"))
        return
    fi

    case $command in
        build) COMPREPLY=($(compgen -W "$settings --tool-timeout --print0 --burn $burnopts" -- "$cur")) ;;
        scan) COMPREPLY=($(compgen -W "$settings" -- "$cur")) ;;
        render) COMPREPLY=($(compgen -W "$settings --node --entry --out" -- "$cur")) ;;
        burn)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$settings --list $burnopts" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -X '!*.cue' -- "$cur") $(compgen -d -- "$cur"))
            fi
            ;;
    esac
}
complete -F _kelvara kelvara
