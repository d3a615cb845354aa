#!/usr/bin/env bash
# Runs the engine's fuzz targets for a bounded time each, seeded from the test corpus:
# pv_fuzz_open_extract with its packages, pv_fuzz_plain_xml with their XML parts.
#   fuzz/run.sh BUILD_DIR [SECONDS]
# Exits non-zero when libFuzzer finds a crash, leak, timeout, sanitizer report or a difference
# between the XML readers; the input that caused it is left in BUILD_DIR/fuzz-artifacts/.
set -euo pipefail
if [ $# -lt 1 ]; then
    sed -n '4p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
corpus=$here/../tests/corpus
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
shopt -s nullglob nocaseglob

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# fuzz TARGET SECONDS EXTRA_OPTIONS...: new inputs go to the first folder; the seeds stay.
fuzz() {
    local target=$1 time=$2
    shift 2
    mkdir -p "$build/fuzz-corpus/$target"
    echo "== $target for $time s"
    "$build/bin/$target" -max_total_time="$time" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" \
        "$build/fuzz-corpus/$target" "$build/fuzz-seeds/$target"
}

packages=$build/fuzz-seeds/pv_fuzz_open_extract
mkdir -p "$packages"
cp -f "$corpus"/calamine/*.xls[xm] "$corpus"/calamine/*.xlt[xm] "$packages"/

# The XML seeds: the first 16 KB of each package's XML parts.
parts=$build/fuzz-seeds/pv_fuzz_plain_xml
mkdir -p "$parts"
n=0
for book in "$packages"/*; do
    while IFS= read -r name; do
        n=$((n + 1))
        unzip -p "$book" "$name" 2>/dev/null | head -c 16384 >"$parts/$n.xml" || true
    done < <(unzip -Z1 "$book" 2>/dev/null | grep -Ei '\.(xml|rels)$' | head -n 8)
done

fuzz pv_fuzz_open_extract "$seconds"
fuzz pv_fuzz_plain_xml $(((seconds + 1) / 2)) -max_len=16384
