#!/usr/bin/env bash
# Benchmark: a run over 20 .xls workbooks (made from workload (b) of bench/run.sh by LibreOffice),
# every content sheet saved as .xls: the time spent in LibreOffice against the time in our engine.
# Usage: bench/legacy.sh BUILD_DIR
set -uo pipefail
if [ $# -ne 1 ]; then
    sed -n '4p' "$0"
    exit 2
fi
build=$(cd "$1" && pwd)
soffice=${PV_SOFFICE:-$(command -v soffice)}
if [ -z "$soffice" ] || [ ! -x "$soffice" ]; then
    echo "Legacy workbooks: skipped, LibreOffice (soffice) is not installed"
    exit 0
fi
work=$build/bench-work/legacy
rm -rf "$work"
mkdir -p "$work/gen" "$work/xlsx" "$work/xls" "$work/out" "$work/profile"
trap 'rm -rf "$work/profile"' EXIT

echo "Writing 20 .xls workbooks..."
"$build/tools/pv-make-workbooks" bench "$work/gen" >/dev/null || exit 1
mapfile -t sources < <(find "$work/gen/bench-b-many" -name '*.xlsx' | sort | head -n 20)
cp "${sources[@]}" "$work/xlsx/"
"$soffice" --headless --norestore "-env:UserInstallation=file://$work/profile" \
    --convert-to 'xls:MS Excel 97' --outdir "$work/xls" "$work/xlsx"/*.xlsx >/dev/null 2>&1
count=$(find "$work/xls" -name '*.xls' | wc -l)
[ "$count" -eq 20 ] || { echo "bench: LibreOffice made $count of 20 .xls workbooks"; exit 1; }
rm -rf "$work/gen"

echo "Splitting them, every sheet saved as .xls..."
/usr/bin/time -f "peak %M KB" "$build/bin/pv-legacy-bench" "$work/out" "$work/xls"/*.xls
echo "Outputs: $(find "$work/out" -name '*.xls' | wc -l) .xls files in $work/out"
