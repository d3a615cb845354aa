#!/usr/bin/python3
"""Compares one-sheet workbooks split from a source workbook with their source sheets, through an
independent reader (python3-openpyxl).

Usage:
  check_split.py SOURCE OUTPUT_DIR     every sheet of SOURCE with content must be in OUTPUT_DIR as
                                       "<sheet name><extension of SOURCE>", and no other sheet
  check_split.py SOURCE SHEET OUTPUT   one output against one source sheet

An output passes when:
  - it opens and holds one worksheet, visible, named as the source sheet;
  - each cell has the source's value (formulas' cached values included; an empty text is an
    empty cell), keeps a formula that stays on the sheet, and has no formula naming a sheet the
    output lacks; a formula reaching another sheet, directly, through a name or through another
    sheet's table, may become its value;
  - each cell keeps its number format, font, fill, borders, alignment and protection;
  - the sheet keeps its merged ranges, column widths and row heights (and hidden ones), frozen
    panes, filter range, data validations (apart from lists drawn from other sheets, which may
    be dropped or written out), conditional-format ranges and rule counts, hyperlinks (apart from
    those into other sheets), comments, tables, as many pictures and charts, sheet protection,
    page orientation and paper size;
  - nothing of the other sheets is in it: no text (of 4 characters or more, not a number, an
    error or a truth value) that only other sheets' cells hold and the kept sheet's own parts do
    not, in any text or attribute of its XML; no other sheet's name; no reference to another
    sheet ("Name!A1", "'My name'!A1"); references into external workbooks ("[1]Sheet!A1") are
    not other sheets.
A sheet has content when the reader's used range goes beyond A1.

Prints one line per difference, "OUTPUT: what", then "checked N: P passed, F failed" (and
"S unread" when the reader cannot open the source, which is then not judged). Exit status 0 when
nothing failed, 1 otherwise, 2 on wrong usage.
"""
import math
import os
import posixpath
import re
import sys
import warnings
import zipfile

warnings.filterwarnings("ignore")
import openpyxl  # noqa: E402
from lxml import etree  # noqa: E402

UNREAD = "the reader cannot open the source"
SHOWN = 5  # differences told one by one per kind, per output

ERROR_VALUES = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A",
                "#GETTING_DATA", "#SPILL!", "#CALC!"}
EXTERNAL_REFERENCE = re.compile(r"'?\[[0-9]+\][^!\n]*!")
IDENTIFIER = re.compile(r"[A-Za-z_\\][\w.]*")
STRING_LITERAL = re.compile(r'"[^"]*"')


def open_workbook(path, values):
    return openpyxl.load_workbook(path, data_only=values, keep_links=True,
                                  keep_vba=path.lower().endswith((".xlsm", ".xltm")))


class Workbook:
    """A workbook read twice, once for formulas and once for the values they showed."""

    def __init__(self, path):
        self.path = path
        self.formulas = open_workbook(path, False)
        self.values = open_workbook(path, True)


def has_content(sheet):
    return sheet.max_row > 1 or sheet.max_column > 1


def equal_values(a, b):
    if a in (None, "") or b in (None, ""):
        return a in (None, "") and b in (None, "")
    if isinstance(a, float) or isinstance(b, float):
        try:
            return math.isclose(float(a), float(b), rel_tol=1e-12, abs_tol=1e-12)
        except (TypeError, ValueError):
            return False
    return a == b


def names_in(formula):
    """The identifiers a formula uses, lower case, string literals aside."""
    return {word.lower() for word in IDENTIFIER.findall(STRING_LITERAL.sub("", formula or ""))}


def sheets_referred(text, sheet_names):
    """Those of `sheet_names` that `text` refers to as "Name!" or "'Name'!"."""
    text = EXTERNAL_REFERENCE.sub("", text)
    return [name for name in sheet_names
            if name + "!" in text or "'%s'!" % name.replace("'", "''") in text]


def colour(c):
    if c is None:
        return None
    return c.rgb if c.type == "rgb" else (c.type, c.value)


def look(cell):
    """What a reader shows of a cell's formatting."""
    font, fill, border = cell.font, cell.fill, cell.border
    align, guard = cell.alignment, cell.protection
    sides = []
    for side in (border.left, border.right, border.top, border.bottom):
        sides.append(None if side is None else side.style)
    return (cell.number_format,
            (font.name, font.sz, font.b, font.i, font.u, font.strike, colour(font.color)),
            (fill.fill_type, colour(getattr(fill, "fgColor", None))),
            tuple(sides),
            (align.horizontal, align.vertical, align.wrap_text, align.indent, align.text_rotation),
            (guard.locked, guard.hidden))


def xml_texts(archive, parts):
    """Every non-blank text and every attribute value of the XML among `parts`."""
    found = set()
    parser = etree.XMLParser(recover=True, resolve_entities=False, no_network=True,
                             load_dtd=False, huge_tree=True)
    for info in archive.infolist():
        lower = info.filename.lower()
        if info.filename not in parts or not lower.endswith((".xml", ".rels", ".vml")):
            continue
        if info.file_size > 200 << 20:
            continue
        try:
            root = etree.fromstring(archive.read(info.filename), parser)
        except Exception:  # noqa: BLE001 - a part no parser reads holds no text to judge
            continue
        if root is None:
            continue
        for element in root.iter():
            for text in (element.text, element.tail):
                if text and text.strip():
                    found.add(text.strip())
            found.update(value for value in element.attrib.values() if value)
    return found


def part_target(owner, target):
    if target.startswith("/"):
        return target[1:]
    return posixpath.normpath(posixpath.join(posixpath.dirname(owner), target))


def internal_links(archive, by_lower, part):
    folder, name = posixpath.split(part)
    rels = by_lower.get(posixpath.join(folder, "_rels", name + ".rels").lower())
    if rels is None:
        return []
    links = []
    for rel in etree.fromstring(archive.read(rels)):
        target = rel.get("Target") or ""
        if rel.get("TargetMode") != "External" and target and not target.startswith("#"):
            links.append((rel.get("Id"), part_target(part, target)))
    return links


def parts_of_sheet(archive, sheet):
    """The source parts that are the sheet's own: its part and all its relationships reach."""
    by_lower = {name.lower(): name for name in archive.namelist()}
    workbook = None
    package_rels = etree.fromstring(archive.read(by_lower["_rels/.rels"]))
    for rel in package_rels:
        if (rel.get("Type") or "").endswith("/officeDocument"):
            workbook = part_target("", rel.get("Target"))
    if workbook is None or workbook.lower() not in by_lower:
        return set()
    workbook = by_lower[workbook.lower()]
    root = etree.fromstring(archive.read(workbook))
    rid = None
    for element in root.iter("{*}sheet"):
        if element.get("name") == sheet:
            rid = next((v for k, v in element.attrib.items() if k.endswith("}id")), None)
    pending = [t for i, t in internal_links(archive, by_lower, workbook) if i == rid]
    own = set()
    while pending:
        part = by_lower.get(pending.pop().lower())
        if part is not None and part not in own:
            own.add(part)
            pending.extend(t for _, t in internal_links(archive, by_lower, part))
    return own


class Comparison:
    def __init__(self, source, sheet, output):
        self.source, self.sheet, self.output = source, sheet, output
        self.found = []
        self.counts = {}

    def differs(self, what, kind=None):
        if kind is not None:
            self.counts[kind] = self.counts.get(kind, 0) + 1
            if self.counts[kind] > SHOWN:
                return
        self.found.append("%s: %s" % (self.output, what))

    def run(self):
        try:
            out = Workbook(self.output)
        except Exception as e:  # noqa: BLE001 - an output the reader refuses is the answer
            self.differs("the output does not open: %s" % e)
            return self.found
        if out.formulas.sheetnames != [self.sheet]:
            self.differs("holds sheets %s, not just %r" % (out.formulas.sheetnames, self.sheet))
        if self.sheet not in out.formulas.sheetnames:
            return self.found
        src = self.source
        self.others = [n for n in src.formulas.sheetnames if n != self.sheet]
        self.foreign_names = self._names_reaching_out()
        s, s_val = src.formulas[self.sheet], src.values[self.sheet]
        o, o_val = out.formulas[self.sheet], out.values[self.sheet]
        if o.sheet_state != "visible":
            self.differs("the sheet is %s" % o.sheet_state)
        self._cells(s, s_val, o, o_val)
        self._sheet(s, o)
        self._leaks(s_val)
        return self.found

    def _names_reaching_out(self):
        """Lower-case names of tables and defined names that stand for cells of other sheets."""
        book = self.source.formulas
        index = book.sheetnames.index(self.sheet)
        outside = set()
        for ws in book.worksheets:
            if ws.title != self.sheet:
                outside.update(name.lower() for name in ws.tables.keys())
        visible = [(d.name.lower(), d.attr_text or "") for d in book.defined_names.definedName
                   if d.localSheetId is None or int(d.localSheetId) == index]
        grew = True
        while grew:
            grew = False
            for name, formula in visible:
                if name not in outside and (sheets_referred(formula, self.others) or
                                            names_in(formula) & outside):
                    outside.add(name)
                    grew = True
        return outside

    def _cells(self, s, s_val, o, o_val):
        # Only the cells either reading holds: a stray cell far out does not make this walk
        # the whole grid.
        keys = set(s._cells) | set(o._cells) | set(s_val._cells) | set(o_val._cells)
        for key in sorted(keys):
            want, got = s_val.cell(*key), o_val.cell(*key)
            link = want.hyperlink
            # The reader fills an empty linked cell with its link's target.
            filled = link is not None and want.value in (link.target, link.location) and \
                got.value in (None, link.target, link.location)
            if not filled and not equal_values(want.value, got.value):
                self.differs("%s value %r, source %r" % (want.coordinate, got.value, want.value),
                             "values")
            source_cell, output_cell = s.cell(*key), o.cell(*key)
            written, kept = source_cell.value, output_cell.value
            if isinstance(kept, str) and kept.startswith("="):
                for name in sheets_referred(kept, self.others):
                    self.differs("%s formula %r refers to sheet %r, which the output lacks"
                                 % (output_cell.coordinate, kept, name), "formulas")
            stays = isinstance(written, str) and written.startswith("=") and \
                "!" not in written and "[" not in written and \
                not names_in(written) & self.foreign_names
            if stays and kept != written:
                olink = output_cell.hyperlink
                if not (olink is not None and kept in (olink.target, olink.location)):
                    self.differs("%s formula %r, source %r" % (output_cell.coordinate, kept,
                                                              written), "formulas")
            if (source_cell.has_style or output_cell.has_style) and \
                    look(source_cell) != look(output_cell):
                self.differs("%s style differs: %s vs source %s"
                             % (output_cell.coordinate, look(output_cell), look(source_cell)),
                             "styles")
        for kind, count in sorted(self.counts.items()):
            if count > SHOWN:
                self.found.append("%s: %d cells differ in %s in all" % (self.output, count, kind))

    def _sheet(self, s, o):
        def same(what, of):
            got, want = of(o), of(s)
            if got != want:
                self.differs("%s differ: %r vs source %r" % (what, got, want))

        def sizes(dimensions, size):
            return {key: (round(getattr(d, size) or 0, 4), bool(d.hidden))
                    for key, d in dimensions.items() if getattr(d, size) or d.hidden}

        def reaches_out(formula):
            return bool(formula) and ("!" in formula or bool(names_in(formula) & self.foreign_names))

        drawn_from_outside = {str(v.sqref) for v in s.data_validations.dataValidation
                              if reaches_out(v.formula1)}

        def validations(ws):
            return sorted((str(v.sqref), v.type, v.formula1) for v in ws.data_validations.dataValidation
                          if str(v.sqref) not in drawn_from_outside and not reaches_out(v.formula1))

        def links(ws):
            return sorted((c.coordinate, c.hyperlink.target, c.hyperlink.location)
                          for c in list(ws._cells.values()) if c.hyperlink is not None and
                          not sheets_referred(c.hyperlink.location or "", self.others))

        same("merged ranges", lambda ws: sorted(str(r) for r in ws.merged_cells.ranges))
        same("column widths", lambda ws: sizes(ws.column_dimensions, "width"))
        same("row heights", lambda ws: sizes(ws.row_dimensions, "ht"))
        same("freeze panes", lambda ws: ws.freeze_panes)
        same("autofilter", lambda ws: ws.auto_filter.ref)
        same("data validations", validations)
        same("conditional formats",
             lambda ws: sorted((str(r.sqref), len(r.rules)) for r in ws.conditional_formatting))
        same("hyperlinks", links)
        same("comments", lambda ws: sorted((c.coordinate, c.comment.text)
                                           for c in list(ws._cells.values()) if c.comment))
        same("tables", lambda ws: sorted((t.name, t.ref) for t in ws.tables.values()))
        same("image count", lambda ws: len(ws._images))
        same("chart count", lambda ws: len(ws._charts))
        same("sheet protection", lambda ws: bool(ws.protection.sheet))
        same("page setup", lambda ws: (ws.page_setup.orientation, ws.page_setup.paperSize))

    def _own_text(self, s_val):
        """What the kept sheet itself says in the source: nothing of it can leak."""
        book = self.source.formulas
        index = book.sheetnames.index(self.sheet)
        own = {c.value for c in list(s_val._cells.values()) if isinstance(c.value, str)}
        own.add(self.sheet)
        own.update(d.name for d in book.defined_names.definedName
                   if d.localSheetId is None or int(d.localSheetId) == index)
        try:
            with zipfile.ZipFile(self.source.path) as archive:
                parts = parts_of_sheet(archive, self.sheet)
                common = {n for n in archive.namelist()
                          if n.lower().endswith("styles.xml") or "/theme/" in n.lower()}
                own |= xml_texts(archive, parts | common)
                own |= self._connections_used(archive, parts)
        except Exception:  # noqa: BLE001 - the cells alone then say what is the sheet's
            pass
        return own

    @staticmethod
    def _connections_used(archive, parts):
        """The attributes of the data connections the sheet's query tables draw on."""
        used = set()
        for part in parts:
            if "querytable" in part.lower():
                used.add(etree.fromstring(archive.read(part)).get("connectionId"))
        said = set()
        if not used:
            return said
        for name in archive.namelist():
            if name.lower().endswith("connections.xml"):
                for connection in etree.fromstring(archive.read(name)):
                    if connection.get("id") in used:
                        for element in connection.iter():
                            said.update(element.attrib.values())
        return said

    def _leaks(self, s_val):
        own = self._own_text(s_val)
        own_blob = "\n".join(own)

        def looks_numeric(text):
            return text.replace(",", "").replace("-", "", 1).replace(".", "", 1).isdigit()

        theirs = set()
        for name in self.others:
            ws = self.source.values[name]
            for cell in list(getattr(ws, "_cells", {}).values()):
                text = cell.value
                if isinstance(text, str) and len(text) >= 4 and not looks_numeric(text) and \
                        text not in ERROR_VALUES and text.lower() not in ("true", "false") and \
                        text not in own_blob:
                    theirs.add(text)
        with zipfile.ZipFile(self.output) as archive:
            parts = {n for n in archive.namelist() if not n.lower().startswith("xl/externallinks/")}
            texts = xml_texts(archive, parts)
        blob = "\n".join(texts)
        leaked = sorted(t for t in theirs if t in texts or (len(t) >= 12 and t in blob))
        if leaked:
            self.differs("holds %d text(s) found only on other sheets, e.g. %r"
                         % (len(leaked), leaked[:3]))
        own_cells = {c.value for c in list(s_val._cells.values()) if isinstance(c.value, str)}
        referred = sheets_referred("\n".join(t for t in texts if t not in own_cells), self.others)
        if referred:
            self.differs("refers to missing sheet(s) %s" % referred)
        named = [n for n in self.others if n in texts and n not in own and n not in referred]
        if named:
            self.differs("names other sheet(s) %s" % named)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip().splitlines()[3], file=sys.stderr)
        return 2
    source_path = argv[0]
    passed = failed = unread = 0
    try:
        source = Workbook(source_path)
    except Exception as e:  # noqa: BLE001
        print("%s: %s (%s); not judged" % (source_path, UNREAD, e))
        unread = 1
        source = None
    pairs = []
    if source is not None and len(argv) == 3:
        pairs = [(argv[1], argv[2])]
    elif source is not None:
        extension = os.path.splitext(source_path)[1]
        for ws in source.values.worksheets:
            target = os.path.join(argv[1], ws.title + extension)
            if has_content(ws):
                pairs.append((ws.title, target))
            elif os.path.exists(target):
                print("%s: written for a sheet without content" % target)
                failed += 1
    for sheet, output in pairs:
        if not os.path.exists(output):
            print("%s: missing, though sheet %r has content" % (output, sheet))
            failed += 1
            continue
        differences = Comparison(source, sheet, output).run()
        for line in differences:
            print(line)
        failed += bool(differences)
        passed += not differences
    print("checked %d: %d passed, %d failed%s" % (passed + failed, passed, failed,
                                                   ", %d unread" % unread if unread else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
