#!/usr/bin/python3
"""Judges the structure of spreadsheet packages (.xlsx, .xlsm, .xltx, .xltm) as a strict reader would.

Usage: check_package.py [--against SOURCE] PACKAGE...

  - the archive opens; entry names are relative, free of "..", backslashes and case-blind repeats;
  - [Content_Types].xml and every relationships part validate against the package schemas; each
    part has a content type, each override names a part, each internal relationship target exists
    and relationship ids are unique within their part;
  - every XML part is well formed, and those with a schema in tests/schemas (workbook, sheets,
    styles, strings, comments, tables, pivot parts, drawings, charts, theme, app properties)
    validate against it once markup compatibility is resolved for a reader of the base schemas
    (ignorable namespaces dropped, mc:AlternateContent reduced to the branch such a reader takes);
  - the workbook: at least one sheet and one visible, names legal and unique, sheet ids unique,
    every sheet's relationship known, local names and the view's tabs in range, every cell's
    style and shared-string index inside the tables.

With --against, problems of the kind SOURCE shows too are not reported: the answer is whether
making the packages added a problem. One line per problem, "PACKAGE: PART: what"; exit status
0 when no package has one, 1 otherwise, 2 on wrong usage. Reads with python3-lxml.
"""
import os
import posixpath
import re
import sys
import zipfile

from lxml import etree

SCHEMA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "schemas")

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
TYPES = "http://schemas.openxmlformats.org/package/2006/content-types"
MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
XML_NS = "http://www.w3.org/XML/1998/namespace"

# What a reader that knows only the base schemas understands.
BASE_NAMESPACES = frozenset({
    MAIN, REL, PKG_REL, TYPES, MC, XML_NS,
    "http://schemas.openxmlformats.org/drawingml/2006/main",
    "http://schemas.openxmlformats.org/drawingml/2006/chart",
    "http://schemas.openxmlformats.org/drawingml/2006/chartDrawing",
    "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing",
    "http://schemas.openxmlformats.org/drawingml/2006/picture",
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
    "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes",
})

_SML_TYPES = ("sheet.main", "template.main", "worksheet", "chartsheet", "styles", "sharedStrings",
              "comments", "table", "calcChain", "pivotTable", "pivotCacheDefinition",
              "pivotCacheRecords", "externalLink")
SCHEMA_OF = {"application/vnd.openxmlformats-officedocument.spreadsheetml.%s+xml" % t: "sml.xsd"
             for t in _SML_TYPES}
SCHEMA_OF.update({
    "application/vnd.ms-excel.sheet.macroEnabled.main+xml": "sml.xsd",
    "application/vnd.ms-excel.template.macroEnabled.main+xml": "sml.xsd",
    "application/vnd.openxmlformats-officedocument.drawing+xml": "dml-spreadsheetDrawing.xsd",
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml": "dml-chart.xsd",
    "application/vnd.openxmlformats-officedocument.theme+xml": "dml-main.xsd",
    "application/vnd.openxmlformats-officedocument.extended-properties+xml":
        "shared-documentPropertiesExtended.xsd",
})

_loaded_schemas = {}


def xml_schema(name):
    found = _loaded_schemas.get(name)
    if found is None:
        found = etree.XMLSchema(etree.parse(os.path.join(SCHEMA_DIR, name)))
        _loaded_schemas[name] = found
    return found


def parse(data):
    # A package part has no business declaring entities; refusing them keeps the check safe.
    if b"<!DOCTYPE" in data[:4096] or b"<!ENTITY" in data[:65536]:
        raise ValueError("a document type declaration in a package part")
    parser = etree.XMLParser(resolve_entities=False, no_network=True, load_dtd=False,
                             huge_tree=True)
    return etree.fromstring(data, parser)


def namespace_of(name):
    return name[1:name.index("}")] if name.startswith("{") else ""


def resolve_compatibility(element, ignored=frozenset()):
    """Rewrites `element` in place into what a reader of the base schemas sees."""
    declared = element.get("{%s}Ignorable" % MC)
    if declared:
        ignored = set(ignored)
        for prefix in declared.split():
            uri = element.nsmap.get(prefix)
            if uri and uri not in BASE_NAMESPACES:
                ignored.add(uri)
        ignored = frozenset(ignored)
    for attribute in list(element.attrib):
        uri = namespace_of(attribute)
        # xml:space is allowed anywhere; the base schemas merely leave xml.xsd out.
        if uri == MC or uri == XML_NS or (uri and uri in ignored):
            del element.attrib[attribute]
    if element.tag.endswith("}ext"):
        return  # an extension's content is checked laxly by the schemas; left as written
    for child in list(element):
        if not isinstance(child.tag, str):
            continue
        if child.tag == "{%s}AlternateContent" % MC:
            chosen = _branch_taken(child)
            position = element.index(child)
            element.remove(child)
            for offset, grandchild in enumerate(list(chosen) if chosen is not None else []):
                element.insert(position + offset, grandchild)
                if isinstance(grandchild.tag, str):
                    resolve_compatibility(grandchild, ignored)
        elif namespace_of(child.tag) in ignored:
            element.remove(child)
        else:
            resolve_compatibility(child, ignored)


def _branch_taken(alternate):
    for branch in alternate:
        if branch.tag == "{%s}Choice" % MC:
            needs = [branch.nsmap.get(p) for p in (branch.get("Requires") or "").split()]
            if needs and all(uri in BASE_NAMESPACES for uri in needs):
                return branch
        elif branch.tag == "{%s}Fallback" % MC:
            return branch
    return None


def number(text):
    """An index as written; -1, which no table holds, when it is no whole number."""
    try:
        return int(text)
    except ValueError:
        return -1


def target_of(owner, target):
    if target.startswith("/"):
        return target[1:]
    return posixpath.normpath(posixpath.join(posixpath.dirname(owner), target))


def owner_of(rels_part):
    """The part a relationships part describes ("" for the package's own)."""
    folder, name = posixpath.split(rels_part)
    return posixpath.join(posixpath.dirname(folder), name[:-len(".rels")])


class Package:
    def __init__(self, path):
        self.path = path
        self.problems = []

    def problem(self, part, what):
        self.problems.append((part, what))

    def check(self):
        try:
            archive = zipfile.ZipFile(self.path)
        except Exception as e:  # noqa: BLE001 - whatever stops the archive opening is the answer
            self.problem("-", "the archive does not open: %s" % e)
            return self.problems
        with archive:
            self.archive = archive
            self._names()
            if self._content_types():
                self._relationships()
                self._parts()
                self._workbook()
        return self.problems

    def read(self, part):
        return self.archive.read(part)

    def _names(self):
        seen = {}
        for name in self.archive.namelist():
            if name.startswith("/") or "\\" in name or ".." in name.split("/"):
                self.problem(name, "entry name reaches outside the package")
            folded = name.lower()
            if folded in seen:
                self.problem(name, "entry name repeats %s, case aside" % seen[folded])
            seen[folded] = name
        self.parts = sorted(n for n in self.archive.namelist() if not n.endswith("/"))
        self.part_set = set(self.parts)

    def _content_types(self):
        name = "[Content_Types].xml"
        if name not in self.part_set:
            self.problem(name, "missing")
            return False
        try:
            root = parse(self.read(name))
            xml_schema("opc-xsd/opc-contentTypes.xsd").assertValid(root)
        except Exception as e:  # noqa: BLE001
            self.problem(name, "not a valid content-type list: %s" % e)
            return False
        self.by_extension = {d.get("Extension").lower(): d.get("ContentType")
                             for d in root.iter("{%s}Default" % TYPES)}
        self.by_part = {o.get("PartName")[1:] if o.get("PartName").startswith("/")
                        else o.get("PartName"): o.get("ContentType")
                        for o in root.iter("{%s}Override" % TYPES)}
        for part in sorted(self.by_part):
            if part not in self.part_set:
                self.problem(name, "override names no part: /%s" % part)
        for part in self.parts:
            if part != name and self.content_type(part) is None:
                self.problem(part, "no content type")
        return True

    def content_type(self, part):
        if part in self.by_part:
            return self.by_part[part]
        extension = part.rsplit(".", 1)[1].lower() if "." in posixpath.basename(part) else ""
        return self.by_extension.get(extension)

    def _relationships(self):
        self.links = {}  # owner part -> {id: (type, target part or None when external)}
        for part in self.parts:
            if not part.endswith(".rels"):
                continue
            try:
                root = parse(self.read(part))
                xml_schema("opc-xsd/opc-relationships.xsd").assertValid(root)
            except Exception as e:  # noqa: BLE001
                self.problem(part, "not a valid relationships part: %s" % e)
                continue
            owner = owner_of(part)
            links = {}
            for rel in root.iter("{%s}Relationship" % PKG_REL):
                rid, target = rel.get("Id"), rel.get("Target") or ""
                if rid in links:
                    self.problem(part, "relationship id %s used twice" % rid)
                if rel.get("TargetMode") == "External":
                    links[rid] = (rel.get("Type"), None)
                elif not target.startswith("#"):
                    resolved = target_of(owner, target)
                    links[rid] = (rel.get("Type"), resolved)
                    if resolved not in self.part_set:
                        self.problem(part, "relationship %s targets a missing part /%s"
                                     % (rid, resolved))
            self.links[owner] = links

    def _parts(self):
        for part in self.parts:
            kind = self.content_type(part) or ""
            schema_name = SCHEMA_OF.get(kind)
            if schema_name is None and not (kind.endswith("+xml") or kind.endswith("/xml")):
                continue
            if part.endswith(".rels") or part == "[Content_Types].xml":
                continue
            try:
                root = parse(self.read(part))
            except Exception as e:  # noqa: BLE001
                self.problem(part, "not well-formed XML: %s" % e)
                continue
            if schema_name is None:
                continue
            resolve_compatibility(root)
            schema = xml_schema(schema_name)
            if not schema.validate(root):
                shown = set()
                for error in schema.error_log:
                    if error.message not in shown:
                        shown.add(error.message)
                        self.problem(part, "breaks its schema: line %s: %s"
                                     % (error.line, error.message))

    def _workbook(self):
        workbook = next((target for kind, target in self.links.get("", {}).values()
                         if target and (kind or "").endswith("/officeDocument")), None)
        if workbook is None or workbook not in self.part_set:
            self.problem("_rels/.rels", "names no workbook part")
            return
        try:
            root = parse(self.read(workbook))
        except Exception as e:  # noqa: BLE001
            self.problem(workbook, "unreadable: %s" % e)
            return
        links = self.links.get(workbook, {})
        sheets = root.findall("{%s}sheets/{%s}sheet" % (MAIN, MAIN))
        if not sheets:
            self.problem(workbook, "the workbook lists no sheet")
        names, ids, visible, sheet_parts = set(), set(), 0, []
        for sheet in sheets:
            name = sheet.get("name") or ""
            if not name or len(name) > 31 or re.search(r"[\[\]:*?/\\]", name):
                self.problem(workbook, "sheet name %r is not allowed" % name)
            if name.lower() in names:
                self.problem(workbook, "sheet name %r used twice" % name)
            names.add(name.lower())
            if sheet.get("sheetId") in ids:
                self.problem(workbook, "sheetId %s used twice" % sheet.get("sheetId"))
            ids.add(sheet.get("sheetId"))
            visible += sheet.get("state", "visible") == "visible"
            rid = sheet.get("{%s}id" % REL)
            if rid in links:
                sheet_parts.append(links[rid][1])
            else:
                self.problem(workbook, "sheet %r names unknown relationship %s" % (name, rid))
        if sheets and not visible:
            self.problem(workbook, "every sheet is hidden")
        for defined in root.iter("{%s}definedName" % MAIN):
            local = defined.get("localSheetId")
            if local is not None and not 0 <= number(local) < len(sheets):
                self.problem(workbook, "name %r belongs to sheet %s, which is not there"
                             % (defined.get("name"), local))
        for view in root.iter("{%s}workbookView" % MAIN):
            for attribute in ("activeTab", "firstSheet"):
                tab = number(view.get(attribute, "0"))
                if sheets and not 0 <= tab < len(sheets):
                    self.problem(workbook, "%s %d is past the sheets" % (attribute, tab))
        self._indexes(links, sheet_parts)

    def _indexes(self, links, sheet_parts):
        strings = formats = None
        for kind, target in links.values():
            if not target or target not in self.part_set:
                continue
            try:
                if kind.endswith("/sharedStrings"):
                    strings = len(parse(self.read(target)).findall("{%s}si" % MAIN))
                elif kind.endswith("/styles"):
                    table = parse(self.read(target)).find("{%s}cellXfs" % MAIN)
                    formats = 0 if table is None else len(table)
            except Exception as e:  # noqa: BLE001
                self.problem(target, "unreadable: %s" % e)
        for part in sheet_parts:
            if not part or part not in self.part_set:
                continue
            try:
                root = parse(self.read(part))
            except Exception:  # noqa: BLE001 - told when the parts were read
                continue
            for cell in root.iter("{%s}c" % MAIN):
                style = cell.get("s")
                if style is not None and formats is not None and not 0 <= number(style) < formats:
                    self.problem(part, "cell %s has style %s of %d" % (cell.get("r"), style, formats))
                value = cell.find("{%s}v" % MAIN)
                if cell.get("t") == "s" and value is not None and value.text is not None:
                    if strings is None or not 0 <= number(value.text) < strings:
                        self.problem(part, "cell %s has shared string %s of %s"
                                     % (cell.get("r"), value.text, strings))


def kind_of(problem):
    """What a problem is, apart from where: part numbers and counts do not tell kinds apart."""
    part, what = problem
    return re.sub(r"[0-9]+", "#", posixpath.basename(part)), re.sub(r"[0-9]+", "#", what)


def main(argv):
    source, packages = None, []
    args = iter(argv)
    for arg in args:
        if arg == "--against":
            source = next(args, None)
            if source is None:
                packages = []
                break
        else:
            packages.append(arg)
    if not packages:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    known = {kind_of(p) for p in Package(source).check()} if source else set()
    status = 0
    for path in packages:
        told = {}  # part -> problems told; a broken part is shown by its first few
        for part, what in Package(path).check():
            if kind_of((part, what)) in known:
                continue
            status = 1
            told[part] = told.get(part, 0) + 1
            if told[part] <= 5:
                print("%s: %s: %s" % (path, part, what))
        for part, count in sorted(told.items()):
            if count > 5:
                print("%s: %s: %d problems in all" % (path, part, count))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
