#!/usr/bin/env bash
# Fidelity of legacy workbooks (.xls, .xlsb, .ods) split by pellavine-split through LibreOffice:
# every output sheet, converted to CSV by LibreOffice, must equal its source sheet converted to
# CSV by LibreOffice, and every output of an .xls source must be a real .xls file.
# Cells are compared as shown (their number format applied), as a user sees them; with
# PV_FIDELITY_VALUES=1 their stored values are compared instead. PV_FIDELITY_KEEP=DIR keeps the
# copies, outputs and CSV files in DIR (which must not exist) for a closer look.
# Usage: tools/legacy_fidelity.sh BUILD_DIR [FOLDER] (default FOLDER: tests/corpus)
set -uo pipefail
if [ $# -lt 1 ]; then
    sed -n '8p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${2:-$here/../tests/corpus}
soffice=${PV_SOFFICE:-$(command -v soffice)}
[ -x "$soffice" ] || { echo "LibreOffice (soffice) is not installed"; exit 1; }
as_shown=true
[ "${PV_FIDELITY_VALUES:-0}" = 1 ] && as_shown=false
if [ -n "${PV_FIDELITY_KEEP:-}" ]; then
    mkdir "$PV_FIDELITY_KEEP" || exit 1
    work=$(cd "$PV_FIDELITY_KEEP" && pwd)
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work/src" "$work/out" "$work/csv" "$work/profile"

# Private copies named by number: the outputs ("<n> <sheet>.<ext>") tell their source.
n=0
while IFS= read -r -d '' file; do
    n=$((n + 1))
    ext=$(printf '%s' "${file##*.}" | tr 'A-Z' 'a-z')
    cp "$file" "$work/src/$n.$ext"
    printf '%s\t%s\n' "$n" "$file" >>"$work/names.tsv"
done < <(find "$corpus" -type f \( -iname '*.xls' -o -iname '*.xlsb' -o -iname '*.ods' \) -print0 | sort -z)
echo "Splitting $n legacy workbooks..."
start=$(date +%s.%N)
"$build/bin/pellavine-split" -j 1 -n workbook-sheet -o "$work/out" "$work/src"/* \
    >"$work/split.log" 2>&1
split_status=$?
end=$(date +%s.%N)

echo "Split in $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') s (exit status $split_status)," \
    "$(find "$work/out" -type f | wc -l) outputs"
if [ "$as_shown" = true ]; then shown="as shown"; else shown="stored values"; fi
echo "Converting sources and outputs to CSV (cells: $shown)..."
# As pellavine-split does: LibreOffice gets a quarter of the memory (2 to 8 GiB), so a hostile
# workbook fails alone instead of growing until the system kills the batch, and a time limit.
mem_kb=$(awk '/^MemTotal:/ { print $2 }' /proc/meminfo)
limit_kb=$((mem_kb / 4))
[ "$limit_kb" -lt 2097152 ] && limit_kb=2097152
[ "$limit_kb" -gt 8388608 ] && limit_kb=8388608
# CSV filter tokens: separator, quote, UTF-8, first line, cell formats, language, quote all text,
# detect special numbers, save cell contents as shown, save formulas, trim spaces, every sheet.
to_csv() {  # seconds, files...
    local seconds=$1
    shift
    (
        ulimit -d "$limit_kb"
        timeout -k 10 "$seconds" "$soffice" --headless --norestore \
            "-env:UserInstallation=file://$work/profile" \
            --convert-to "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,$as_shown,false,false,-1" \
            --outdir "$work/csv" "$@" >/dev/null 2>&1
    )
}
# All in one start, bounded by PV_CSV_TIMEOUT seconds (3600); a file the batch did not reach or
# broke on is tried once more alone, for at most 120 seconds.
to_csv "${PV_CSV_TIMEOUT:-3600}" "$work/src"/* "$work/out"/*
has_csv() {
    local file
    for file in "$work/csv"/*; do
        [[ "${file##*/}" == "$1-"* ]] && return 0
    done
    return 1
}
retried=0
for file in "$work/src"/* "$work/out"/*; do
    name=${file##*/}
    if ! has_csv "${name%.*}"; then
        to_csv 120 "$file"
        retried=$((retried + 1))
    fi
done
echo "$retried files converted to CSV alone after the batch"

python3 - "$work" "$split_status" "$start" "$end" <<'PY'
import os, sys
work, status, start, end = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
names = dict(line.rstrip("\n").split("\t") for line in open(os.path.join(work, "names.tsv")))
csv = {f[:-4]: open(os.path.join(work, "csv", f), "rb").read() for f in os.listdir(os.path.join(work, "csv"))}
opened = {n for n in names if any(k.startswith(n + "-") for k in csv)}
compared = equal = not_xls = 0
differ = []
for out in sorted(os.listdir(os.path.join(work, "out"))):
    stem, ext = os.path.splitext(out)
    number, sheet = stem.split(" ", 1)
    source = next(f for f in os.listdir(os.path.join(work, "src")) if f.startswith(number + "."))
    if source.endswith(".xls"):
        with open(os.path.join(work, "out", out), "rb") as f:
            if f.read(4) != b"\xd0\xcf\x11\xe0":
                not_xls += 1
                differ.append(f"{names[number]} [{sheet}]: output {out} is no real .xls")
    # The output's one sheet, whatever LibreOffice calls it after its round trip.
    actual = [v for k, v in csv.items() if k.startswith(stem + "-")]
    expected = csv.get(f"{number}-{sheet}")
    compared += 1
    if len(actual) == 1 and expected is not None and actual[0] == expected:
        equal += 1
    else:
        differ.append(f"{names[number]} [{sheet}]: " + ("no CSV" if len(actual) != 1 or expected is None else "cells differ"))
print(f"Workbooks: {len(names)} legacy, {len(opened)} opened by LibreOffice")
print(f"Split: {end - start:.1f} s, pellavine-split exit status {status}")
print(f"Output sheets: {compared} compared, {equal} equal to their source through LibreOffice, {len(differ)} not")
for line in differ:
    print("  " + line)
PY
echo "Reports of the run (failures and notes):"
awk -v out="$work/out/" 'index($0, out) != 1 && $0 != "Done." { print "  " $0 }' "$work/split.log" |
    head -n 60
