#!/usr/bin/env bash
# Benchmark: pellavine-split against unpacking and repacking the same packages (unzip + zip -6,
# the physical reference, run right after each split so both see the same machine load) and
# against the naive openpyxl approach (load, delete the other sheets, save, per sheet), on the
# workloads written by pv-make-workbooks, each in two shapes: sheets the split copies as they are
# (raw) and sheets it must rewrite (mostly unique text, a formula reading another sheet, plus an
# empty, an A1-only and a hidden sheet):
#   (a) one workbook of 20 sheets x 20,000 rows x 10 columns
#   (b) 100 workbooks of 5 sheets x 200 rows x 8 columns
#   (c) one workbook with a sheet of 500,000 rows x 6 columns and 3 small sheets
# and (d), a small sheet whose formulas read the 2 sheets of 250,000 x 6 after it, copied as they are
# Usage: bench/run.sh BUILD_DIR
# PV_BENCH_REPEAT (default 1) measures each pair that many times and keeps the shortest of each;
# PV_BENCH_OPENPYXL_CAP (seconds, default 120; 0 skips openpyxl) bounds each openpyxl run, a
# capped run giving a lower bound on its time; PV_BENCH_ONLY (e.g. "a ra") runs only those keys;
# PV_BENCH_LEGACY=0 skips the legacy-format benchmark; PV_BENCH_LEVELS=0 skips the deflate
# levels on the biggest parts (also skipped with PV_BENCH_ONLY); PV_BENCH_KEEP_INPUT=1 reuses the
# last run's workloads.
set -uo pipefail
if [ $# -ne 1 ]; then
    sed -n '12p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cap=${PV_BENCH_OPENPYXL_CAP:-120}
repeat=${PV_BENCH_REPEAT:-1}
only=${PV_BENCH_ONLY:-}
work=$build/bench-work
for tool in /usr/bin/time unzip zip timeout; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing"; exit 1; }
done

if [ "${PV_BENCH_KEEP_INPUT:-0}" = 1 ] && [ -d "$work/in" ]; then
    rm -rf "$work/logs" "$work"/out-*
else
    rm -rf "$work"
    echo "Writing the workloads..."
    "$build/tools/pv-make-workbooks" bench "$work/in" || exit 1
fi
mkdir -p "$work/logs"

# measure LABEL COMMAND...: runs the command under /usr/bin/time; sets wall (s), peak (MB) and
# status, and keeps its output in logs/LABEL.log.
measure() {
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/logs/$label.time" "$@" >"$work/logs/$label.log" 2>&1
    status=$?
    read -r wall kb < <(tail -n 1 "$work/logs/$label.time")
    peak=$(awk -v kb="$kb" 'BEGIN { printf "%.0f", kb / 1024 }')
}

# /usr/bin/time reports hundredths; a zero divisor means "below 0.01 s", so use that.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.01; printf "%.2f", a / b }'; }
verdict() { awk -v x="$1" -v limit="$2" 'BEGIN { print (x + 0 <= limit + 0) ? "met" : "NOT met" }'; }

rows=()
pyrows=()
targets=()
row() { rows+=("$(printf '%-40s %8s %8s %6s %6s   %s' "$@")"); }
pyrow() { pyrows+=("$(printf '%-40s %10s %6s   %s' "$@")"); }
# smaller A B: the smaller of two times.
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }'; }

# run_workload KEY TITLE SPLIT_LIMIT FILES...: SPLIT_LIMIT is the largest acceptable ratio of
# our split's time to unzip + zip's.
run_workload() {
    local key=$1 title=$2 limit=$3
    shift 3
    if [ -n "$only" ] && [[ " $only " != *" $key "* ]]; then
        return
    fi
    echo "Workload $title..."

    local split_wall="" rezip_wall="" split_peak=0 split_status=0 outputs=0 round
    for ((round = 1; round <= repeat; round++)); do
        rm -rf "$work/out-$key-split"
        mkdir -p "$work/out-$key-split"  # the output folder must exist
        measure "$key-split" "$build/bin/pellavine-split" -q -o "$work/out-$key-split" "$@"
        [ "$status" -ne 0 ] && split_status=$status
        split_wall=$(smaller "$wall" "$split_wall")
        [ "$peak" -gt "$split_peak" ] && split_peak=$peak
        outputs=$(find "$work/out-$key-split" -type f | wc -l)

        measure "$key-rezip" "$here/rezip.sh" "$work/rezip-$key" "$@"
        rezip_wall=$(smaller "$wall" "$rezip_wall")
        rm -rf "$work/rezip-$key"
    done
    local note="$outputs files written"
    [ "$split_status" -ne 0 ] && note="$note; FAILED (status $split_status, see logs/$key-split.log)"
    local vs_rezip
    vs_rezip=$(ratio "$split_wall" "$rezip_wall")
    row "$title" "$split_wall" "$rezip_wall" "$vs_rezip" "$split_peak" "$note"

    if [ "$split_status" -ne 0 ]; then
        targets+=("$title: no figures, the split failed (see logs/$key-split.log)")
        return
    fi
    targets+=("$title: split / (unzip + zip) = $vs_rezip (target <= $limit: $(verdict "$vs_rezip" "$limit")); peak $split_peak MB (target <= 150 MB: $(verdict "$split_peak" 150))")

    [ "$cap" -eq 0 ] && return
    mkdir -p "$work/out-$key-openpyxl"
    measure "$key-openpyxl" timeout "$cap" /usr/bin/python3 "$here/openpyxl_split.py" \
        "$work/out-$key-openpyxl" "$@"
    local total saved py_wall=$wall py_note=""
    total=$(awk '/^total/ { print $2 }' "$work/logs/$key-openpyxl.log")
    saved=$(grep -c '^done' "$work/logs/$key-openpyxl.log")
    if [ "$status" -eq 124 ]; then
        # Every sheet costs at least one load of its workbook: the sheets not reached add a
        # load each, the shortest one seen (or, when none finished, the one cut short).
        py_wall=">=$(awk -v wall="$wall" -v total="${total:-0}" -v saved="$saved" '
            /^loaded/ { if (min == "" || $2 < min) min = $2 }
            /^done/ { finished = $2 }
            END {
                load = (min != "") ? min : wall - finished
                left = total - saved - 1
                printf "%.0f", wall + (left > 0 ? left * load : 0)
            }' "$work/logs/$key-openpyxl.log")"
        py_note="capped at ${cap} s after $saved of ${total:-?} sheets; lower bound from load times"
    elif [ "$status" -ne 0 ]; then
        py_note="failed (status $status)"
    else
        py_note="$saved sheets saved"
    fi
    rm -rf "$work/out-$key-openpyxl"
    local vs_py
    vs_py=$(ratio "${py_wall#>=}" "$split_wall")
    pyrow "$title" "$py_wall" "$peak" "$py_note; $([ "$status" -eq 124 ] && echo ">= ")${vs_py}x the split"
}

run_workload a "(a) raw 1 x 20 sheets x 20,000 x 10" 1.0 "$work/in/bench-a-wide.xlsx"
run_workload ra "(a) rewrite 1 x 20 sheets x 20,000 x 10" 0.3 "$work/in/bench-ra-wide.xlsx"
run_workload b "(b) raw 100 x 5 sheets x 200 x 8" 0.5 "$work/in/bench-b-many"/*.xlsx
run_workload rb "(b) rewrite 100 x 5 sheets x 200 x 8" 0.3 "$work/in/bench-rb-many"/*.xlsx
run_workload c "(c) raw 1 x 500,000 x 6 + 3 small" 0.5 "$work/in/bench-c-tall.xlsx"
run_workload rc "(c) rewrite 1 x 500,000 x 6 + 3 small" 0.3 "$work/in/bench-rc-tall.xlsx"
run_workload d "(d) a summary + 2 x 250,000 x 6 it reads" 0.5 "$work/in/bench-d-summary.xlsx"

echo
echo "Times in seconds (the shortest of $repeat), peak memory of the split in MB:"
printf '%-40s %8s %8s %6s %6s   %s\n' "Workload" "split" "unz+zip" "ratio" "peak" "Note"
printf '%s\n' "${rows[@]}"
if [ "${#pyrows[@]}" -gt 0 ]; then
    echo
    printf '%-40s %10s %6s   %s\n' "Workload" "openpyxl" "peak" "Note"
    printf '%s\n' "${pyrows[@]}"
fi
echo
echo "Targets:"
printf '%s\n' "${targets[@]}"
echo
echo "Inputs: $(du -sh "$work/in" | cut -f1) in all; logs in $work/logs"

if [ "${PV_BENCH_LEVELS:-1}" != 0 ] && [ -z "$only" ]; then
    # What deflate alone costs on the rewrite workloads' biggest parts (one core each).
    echo
    echo "Deflate levels on the biggest parts (one core, the fastest of 3 runs):"
    rm -rf "$work/levels"
    mkdir -p "$work/levels/a" "$work/levels/c"
    unzip -q "$work/in/bench-ra-wide.xlsx" xl/sharedStrings.xml xl/worksheets/sheet1.xml \
        -d "$work/levels/a"
    unzip -q "$work/in/bench-rc-tall.xlsx" xl/sharedStrings.xml xl/worksheets/sheet1.xml \
        -d "$work/levels/c"
    (cd "$work/levels" && "$build/bin/pv-deflate-levels" a/xl/worksheets/sheet1.xml \
        a/xl/sharedStrings.xml c/xl/worksheets/sheet1.xml c/xl/sharedStrings.xml)
    rm -rf "$work/levels"
fi

if [ "${PV_BENCH_LEGACY:-1}" != 0 ]; then
    echo
    "$here/legacy.sh" "$build"
fi
