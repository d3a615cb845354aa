#!/usr/bin/env bash
# Sources pellavine-split's bash completion and checks what it offers, word by word, in a folder
# with workbooks, other files and sub-folders.
#   completion_test.sh COMPLETION_FILE
set -uo pipefail
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir -p in/deeper out "with space"
touch in/a.xlsx in/B.XLSM in/c.ods in/d.xls in/notes.txt in/deeper/e.xlsx report.pdf

failures=0
# expect "WORDS..." -- EXPECTED...: completes the last word of WORDS (an empty last word when
# WORDS ends with a blank) and compares the sorted offers.
expect() {
    local line=$1
    shift
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _pellavine_split
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    [[ ${#COMPREPLY[@]} -eq 0 ]] && got=" "
    [[ $# -eq 0 ]] && want=" "
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$line' offers [$got], expected [$want]"
        failures=$((failures + 1))
    fi
}

# Options, long and short.
expect "pellavine-split --" -- --output --naming --format --csv-raw --sheets --skip-hidden \
    --files-from --ext --jobs --dry-run --json --quiet --help --version
expect "pellavine-split --d" --dry-run
expect "pellavine-split -0" -0
# Formats after -f and --format; any file, a list, after --files-from; nothing for a pattern.
expect "pellavine-split -f " xlsx csv ods xls pdf
expect "pellavine-split --format=c" csv
expect "pellavine-split --files-from r" report.pdf
expect "pellavine-split --sheets "
expect "pellavine-split --n" --naming
expect "pellavine-split -q" -q
# Naming rules after -n and --naming, also in the --naming=RULE form.
expect "pellavine-split -n " sheet workbook-sheet a1 cell: number
expect "pellavine-split --naming w" workbook-sheet
expect "pellavine-split --naming=a" a1
expect "pellavine-split --naming = n" number
# The output folder: folders only (readline adds the "/" of a folder it shows).
expect "pellavine-split -o " in out "with space"
expect "pellavine-split --output i" in
# Inputs: workbooks of the formats the run takes, and folders.
expect "pellavine-split -n a1 in/" in/a.xlsx in/B.XLSM in/c.ods in/d.xls in/deeper
expect "pellavine-split r"
expect "pellavine-split -o out i" in
# Extension patterns for --ext.
expect "pellavine-split --ext xlsm" xlsm
# After "--" everything is an input, even a word starting with "-".
touch -- -odd.xlsx
expect "pellavine-split -- -o" -odd.xlsx

# Registered for the command.
complete -p pellavine-split | grep -q -- "-F _pellavine_split" || {
    echo "FAIL: not registered for pellavine-split"
    failures=$((failures + 1))
}
[[ $failures -eq 0 ]] && echo "all completions as expected"
exit $((failures > 0))
