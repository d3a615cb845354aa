#!/usr/bin/python3
"""The naive way to split workbooks, for comparison: for every sheet, load the whole workbook
with openpyxl, delete the other sheets, save.

Usage: openpyxl_split.py OUTDIR WORKBOOK...
Prints "total N" (sheets to save) first, then "loaded SECONDS" after each load and "done
SECONDS" (since the start) after each saved sheet, so a run cut short by a time limit still
tells how far it got and what one load costs.
"""
import os
import re
import sys
import time
import warnings
import zipfile

warnings.filterwarnings("ignore")
import openpyxl  # noqa: E402


def sheet_count(path):
    with zipfile.ZipFile(path) as z:
        return len(re.findall(rb"<sheet ", z.read("xl/workbook.xml")))


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip().splitlines()[3], file=sys.stderr)
        return 2
    outdir, books = argv[0], argv[1:]
    print("total %d" % sum(sheet_count(b) for b in books), flush=True)
    start = time.monotonic()
    for book in books:
        stem = os.path.splitext(os.path.basename(book))[0]
        names = None
        index = 0
        while names is None or index < len(names):
            before = time.monotonic()
            wb = openpyxl.load_workbook(book)
            print("loaded %.3f" % (time.monotonic() - before), flush=True)
            names = wb.sheetnames
            keep = names[index]
            for other in names:
                if other != keep:
                    del wb[other]
            wb.save(os.path.join(outdir, "%s-%s.xlsx" % (stem, keep)))
            print("done %.3f" % (time.monotonic() - start), flush=True)
            index += 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
