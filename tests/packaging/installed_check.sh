#!/usr/bin/env bash
# Checks an installed Pellavine as a user meets it: the menu's files are there, the installed
# pellavine-split splits the installed samples, and the window, started offscreen from its
# installed path, takes its samples and optional files from the installed data folder.
#   installed_check.sh PREFIX      (PREFIX: /usr after dpkg -i, or a cmake --install prefix)
set -euo pipefail
prefix=$1
bin=$prefix/bin
data=$prefix/share/pellavine
id=com.orvantis.Pellavine
for file in bin/pellavine bin/pellavine-split share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png share/man/man1/pellavine.1.gz \
    share/man/man1/pellavine-split.1.gz share/bash-completion/completions/pellavine-split \
    share/doc/pellavine/copyright; do
    [ -e "$prefix/$file" ] || { echo "missing: $prefix/$file"; exit 1; }
done

bash "$(dirname "$0")/completion_test.sh" "$prefix/share/bash-completion/completions/pellavine-split"

shopt -s nullglob
samples=("$data"/Samples/*.xls*)
[ ${#samples[@]} -gt 0 ] || { echo "no sample workbooks in $data/Samples"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
"$bin/pellavine-split" -q -o "$work/out" "$data/Samples"
outputs=("$work"/out/*.xlsx)
[ ${#outputs[@]} -ge ${#samples[@]} ] ||
    { echo "${#samples[@]} samples gave only ${#outputs[@]} outputs"; exit 1; }
echo "installed pellavine-split: ${#samples[@]} samples -> ${#outputs[@]} workbooks"

mkdir -p -m 700 "$work/runtime"
HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES=pellavine.start.info=true "$bin/pellavine" >"$work/window.log" 2>&1 &
pid=$!
for _ in $(seq 200); do
    grep -q "application folder" "$work/window.log" && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
expected="application folder $(realpath -m "$data")"
grep -qxF "pellavine.start: $expected" "$work/window.log" ||
    { echo "the window did not take $data:"; cat "$work/window.log"; exit 1; }
echo "installed pellavine: $expected"
