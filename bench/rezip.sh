#!/usr/bin/env bash
# The physical reference: unpack each package and pack it again with zip -6.
#   bench/rezip.sh WORKDIR WORKBOOK...
set -euo pipefail
work=$1
shift
n=0
for book in "$@"; do
    n=$((n + 1))
    mkdir -p "$work/$n"
    unzip -q "$book" -d "$work/$n/content"
    (cd "$work/$n/content" && zip -q -6 -r -X ../repacked.zip .)
done
