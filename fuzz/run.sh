#!/usr/bin/env bash
# Runs the engine's fuzz target for a bounded time, seeded with the shared corpus's packages.
#   fuzz/run.sh BUILD_DIR [SECONDS]
# Exits non-zero when libFuzzer finds a crash, leak, timeout or sanitizer report; the input
# that caused it is left in BUILD_DIR/fuzz-artifacts/.
set -euo pipefail
if [ $# -lt 1 ]; then
    sed -n '3p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
shared=${PV_SHARED_DIR:-$here/../../shared}

target=$build/bin/pv_fuzz_open_extract
seeds=$build/fuzz-seeds
corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
mkdir -p "$seeds" "$corpus" "$artifacts"
shopt -s nullglob nocaseglob
cp -f "$shared"/corpus/calamine/*.xls[xm] "$shared"/corpus/calamine/*.xlt[xm] "$seeds"/

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# New inputs go to the first folder; the seeds stay as they are.
"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" "$seeds"
