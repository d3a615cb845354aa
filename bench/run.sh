#!/usr/bin/env bash
# Benchmark: pellavine-split against unpacking and repacking the same packages (unzip + zip -6,
# the physical reference) and against the naive openpyxl approach (load, delete the other
# sheets, save, per sheet), on three workloads written by pv-make-workbooks:
#   (a) one workbook of 20 sheets x 20,000 rows x 10 columns
#   (b) 100 workbooks of 5 sheets x 200 rows x 8 columns
#   (c) one workbook with a sheet of 500,000 rows x 6 columns and 3 small sheets
# Usage: bench/run.sh BUILD_DIR
# PV_BENCH_OPENPYXL_CAP (seconds, default 120) bounds each openpyxl run; a capped run gives a
# lower bound on its time.
set -uo pipefail
if [ $# -ne 1 ]; then
    sed -n '8p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cap=${PV_BENCH_OPENPYXL_CAP:-120}
work=$build/bench-work
for tool in /usr/bin/time unzip zip timeout; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/logs"
echo "Writing the workloads..."
"$build/tools/pv-make-workbooks" bench "$work/in" || exit 1

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
targets=()
row() { rows+=("$(printf '%-34s %-16s %10s %10s   %s' "$1" "$2" "$3" "$4" "$5")"); }

# run_workload KEY TITLE SPLIT_LIMIT FILES...: SPLIT_LIMIT is the largest acceptable ratio of
# our split's time to unzip + zip's.
run_workload() {
    local key=$1 title=$2 limit=$3
    shift 3
    echo "Workload $title..."

    mkdir -p "$work/out-$key-split"  # the output folder must exist
    measure "$key-split" "$build/bin/pellavine-split" -q -o "$work/out-$key-split" "$@"
    local split_wall=$wall split_peak=$peak split_status=$status split_note="" outputs
    outputs=$(find "$work/out-$key-split" -type f | wc -l)
    split_note="$outputs files written"
    [ "$status" -ne 0 ] && split_note="$split_note; FAILED (status $status, see logs/$key-split.log)"
    row "$title" "pellavine-split" "$split_wall" "$split_peak" "$split_note"

    measure "$key-rezip" "$here/rezip.sh" "$work/rezip-$key" "$@"
    local rezip_wall=$wall
    rm -rf "$work/rezip-$key"
    row "" "unzip + zip -6" "$wall" "$peak" ""

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
    row "" "openpyxl" "$py_wall" "$peak" "$py_note"

    if [ "$split_status" -ne 0 ]; then
        targets+=("$title: no figures, the split failed (see logs/$key-split.log)")
        return
    fi
    local vs_rezip vs_py
    vs_rezip=$(ratio "$split_wall" "$rezip_wall")
    vs_py=$(ratio "${py_wall#>=}" "$split_wall")
    targets+=("$title: split / (unzip + zip) = $vs_rezip (target <= $limit: $(verdict "$vs_rezip" "$limit"))")
    local py_target=""
    [ "$key" = a ] && py_target=" (target >= 100x: $(awk -v x="$vs_py" \
        'BEGIN { print (x + 0 >= 100) ? "met" : "NOT met" }'))"
    targets+=("    openpyxl / split = $([ "$status" -eq 124 ] && echo ">= ")${vs_py}x$py_target")
    targets+=("    split peak memory = $split_peak MB (target < 300 MB: $(verdict "$split_peak" 299))")
}

run_workload a "(a) 1 x 20 sheets x 20,000 x 10" 1.0 "$work/in/bench-a-wide.xlsx"
run_workload b "(b) 100 x 5 sheets x 200 x 8" 0.5 "$work/in/bench-b-many"/*.xlsx
run_workload c "(c) 1 x 500,000 x 6 + 3 small" 0.5 "$work/in/bench-c-tall.xlsx"

echo
printf '%-34s %-16s %10s %10s   %s\n' "Workload" "Approach" "Wall (s)" "Peak (MB)" "Note"
printf '%s\n' "${rows[@]}"
echo
echo "Targets (the engine aims at half the unzip + zip time for (a) too):"
printf '%s\n' "${targets[@]}"
echo
echo "Inputs: $(du -sh "$work/in/bench-a-wide.xlsx" | cut -f1) (a), $(du -sh "$work/in/bench-b-many" |
    cut -f1) (b), $(du -sh "$work/in/bench-c-tall.xlsx" | cut -f1) (c); logs in $work/logs"

echo
"$here/legacy.sh" "$build"
