# bash completion for pellavine-split: options, naming rules, formats, folders for -o, any file
# for --files-from, workbooks and folders for inputs. Needs nothing from the bash-completion package.

_pellavine_split() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="-o --output -n --naming -f --format --csv-raw --sheets --skip-hidden
        --files-from -0 --ext -j --jobs --dry-run --json -q --quiet -h --help --version"
    local formats="xlsx csv ods xls pdf"
    local rules="sheet workbook-sheet a1 cell: number"
    local extensions="xl* xlsx xlsm xltx xltm xls xlt xlsb ods"
    COMPREPLY=()

    # "--naming=a1": bash splits at "=" when it is a word break, and not otherwise.
    if [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi
    [[ $cur == "=" ]] && cur=""

    # Options after "--" are inputs.
    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == "--" ]]; then
            prev=""
            break
        fi
    done

    case $prev in
    -o | --output)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return 0
        ;;
    -n | --naming)
        mapfile -t COMPREPLY < <(compgen -W "$rules" -- "$cur")
        [[ ${COMPREPLY[*]} == "cell:" ]] && compopt -o nospace 2>/dev/null
        return 0
        ;;
    --ext)
        mapfile -t COMPREPLY < <(compgen -W "$extensions" -- "$cur")
        return 0
        ;;
    -f | --format)
        mapfile -t COMPREPLY < <(compgen -W "$formats" -- "$cur")
        return 0
        ;;
    --files-from)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return 0
        ;;
    --sheets)
        return 0 # a sheet-name pattern: nothing to offer
        ;;
    -j | --jobs)
        mapfile -t COMPREPLY < <(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur")
        return 0
        ;;
    esac

    if [[ $cur == -* && $i -eq $COMP_CWORD ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --" -- "$cur")
        return 0
    fi

    # Inputs: folders and the workbook formats the run takes.
    compopt -o filenames 2>/dev/null
    local path
    while IFS= read -r path; do
        local lower=${path,,}
        if [[ -d $path || $lower == *.xl* || $lower == *.ods ]]; then
            COMPREPLY+=("$path")
        fi
    done < <(compgen -f -- "$cur")
    return 0
}

complete -F _pellavine_split pellavine-split
