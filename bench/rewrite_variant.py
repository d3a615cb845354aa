#!/usr/bin/env python3
# Usage: bench/rewrite_variant.py SOURCE.xlsx COPY.xlsx (a workload of pv-make-workbooks bench).
# Makes a copy of a workload whose every sheet but the first has one formula reaching the first
# sheet (with its cached value), so the split must rewrite those sheets instead of copying them.
import re, sys, zipfile
src, dst = sys.argv[1], sys.argv[2]
zin = zipfile.ZipFile(src)
wb = zin.read("xl/workbook.xml").decode()
first = re.search(r'<sheet [^>]*name="([^"]+)"', wb).group(1)
zout = zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED, compresslevel=6)
for info in zin.infolist():
    data = zin.read(info.filename)
    m = re.match(r"xl/worksheets/sheet(\d+)\.xml$", info.filename)
    if m and m.group(1) != "1":
        text = data.decode()
        text = text.replace("</row>", "<c r=\"Z1\"><f>'%s'!A2</f><v>0</v></c></row>" % first, 1)
        data = text.encode()
    zout.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED)
zout.close()
