# Saves single sheets of workbooks as workbooks of their own, inside LibreOffice: run by soffice
# headless as a user script, it loads each workbook once and, for each sheet asked for, turns the
# formulas that read other sheets or other workbooks into the values they showed, removes every
# other sheet, saves the document with the filter asked for, and undoes the changes before the
# next sheet. The job comes as a JSON file named by the environment variable PV_INOFFICE_JOB:
#   {"results": PATH, "workbooks": [{"source": PATH, "macros": BOOL, "outputs": [
#       {"sheet": INDEX, "name": NAME, "file": PATH, "filter": NAME}, ...]}, ...]}
# Each output gets a line in the results file as soon as it is done: "ok<TAB>FILE" or
# "fail<TAB>FILE<TAB>WHY". Nothing is written under an output's name but the finished file.
import json
import os
import traceback

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.sheet.ReferenceFlags import SHEET_3D, SHEET_RELATIVE

FORMULA = 3  # com.sun.star.table.CellContentType.FORMULA
FORMULA_CELLS = 16  # com.sun.star.sheet.CellFlags.FORMULA
ERROR_RESULT = 4  # com.sun.star.sheet.FormulaResult.ERROR
VALUE_RESULT = 1

# Formulas LibreOffice keeps in .xls that yield an error a frozen cell showed (as the engine's
# own error cells bound for .xls get); an error without one keeps #N/A.
ERROR_FORMULAS = {
    "#REF!": '=INDIRECT("")',
    "#VALUE!": '="a"+1',
    "#DIV/0!": "=1/0",
    "#NUM!": "=10^400",
    "#N/A": "=NA()",
}


def props(**values):
    result = []
    for name, value in values.items():
        p = PropertyValue()
        p.Name = name
        p.Value = value
        result.append(p)
    return tuple(result)


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def reads_elsewhere(tokens, own):
    """True when a formula's tokens reach another sheet or another workbook."""
    for token in tokens:
        data = token.Data
        kind = getattr(data, "typeName", "")
        if kind == "com.sun.star.sheet.ExternalReference":
            return True
        refs = []
        if kind == "com.sun.star.sheet.SingleReference":
            refs = [data]
        elif kind == "com.sun.star.sheet.ComplexReference":
            refs = [data.Reference1, data.Reference2]
        for ref in refs:
            if not ref.Flags & SHEET_3D:
                continue
            sheet = own + ref.RelativeSheet if ref.Flags & SHEET_RELATIVE else ref.Sheet
            if sheet != own:
                return True
    return False


def formula_cells(sheet):
    cells = []
    ranges = sheet.queryContentCells(FORMULA_CELLS)
    enum = ranges.getCells().createEnumeration()
    while enum.hasMoreElements():
        cells.append(enum.nextElement())
    return cells


def shown_result(cell):
    """What the cell holds as a value: ("error", text), ("value", number) or ("text", text)."""
    if cell.FormulaResultType2 == ERROR_RESULT:
        return ("error", cell.getString())
    if cell.FormulaResultType2 == VALUE_RESULT:
        return ("value", cell.getValue())
    return ("text", cell.getString())


def position(cell):
    address = cell.getCellAddress()
    return (address.Column, address.Row)


def freeze(cell, result, shown_before):
    if cell.getArrayFormula():
        # A cell of an array formula changes only with the whole array: the array becomes the
        # values it showed, each cell's as it is frozen alone.
        cursor = cell.getSpreadsheet().createCursorByRange(cell)
        cursor.collapseToCurrentArray()
        area = cursor.getRangeAddress()
        shown = [
            [(each, shown_before(each)) for each in
             (cursor.getCellByPosition(c, r) for c in range(area.EndColumn - area.StartColumn + 1))]
            for r in range(area.EndRow - area.StartRow + 1)
        ]
        cursor.setArrayFormula("")
        for row in shown:
            for each, value in row:
                freeze_alone(each, value)
        return
    freeze_alone(cell, result)


def freeze_alone(cell, result):
    kind, value = result
    if kind == "error":
        cell.setFormula(ERROR_FORMULAS.get(value, "=NA()"))
    elif kind == "value":
        cell.setValue(value)
    else:
        cell.setString(value)


def results_of(sheet):
    """What each formula cell of the sheet shows, by position."""
    return {position(cell): shown_result(cell) for cell in formula_cells(sheet)}


def keep_only(doc, index, source_results):
    """`source_results`: what the sheet's formulas showed when the workbook was loaded (undoing
    a removal recalculates some of them, a formula LibreOffice could not read among them)."""
    sheets = doc.getSheets()
    kept = sheets.getByIndex(index)
    cells = formula_cells(kept)

    def shown_before(cell):
        return source_results.get(position(cell)) or shown_result(cell)

    # A formula LibreOffice could not read ("=" alone) is written to .xls as #N/A, whatever it
    # showed: it is frozen too.
    before = [
        (cell, shown_before(cell),
         reads_elsewhere(cell.getTokens(), index) or cell.getFormula().strip() == "=")
        for cell in cells
    ]
    # Frozen first, while the sheets they read are still there.
    for cell, result, elsewhere in before:
        if elsewhere:
            freeze(cell, result, shown_before)
    names = doc.NamedRanges
    broken_before = {n for n in names.getElementNames() if "#REF!" in names.getByName(n).getContent()}
    name = kept.getName()
    # A workbook shows at least one sheet: a hidden one kept alone is shown, as our engine does.
    kept.IsVisible = True
    for other in list(sheets.getElementNames()):
        if other != name:
            sheets.removeByName(other)
    doc.calculateAll()
    # What read the removed sheets some other way (a name, INDIRECT) now shows an error.
    for cell, result, elsewhere in before:
        if not elsewhere and cell.getType().value == "FORMULA":
            after = shown_result(cell)
            if after != result and after[0] == "error":
                freeze(cell, result, shown_before)
    # Names that stood for cells of the removed sheets now stand for nothing.
    for n in list(names.getElementNames()):
        if n not in broken_before and "#REF!" in names.getByName(n).getContent():
            names.removeByName(n)


# What a workbook's calculation rests on, given to a new document that takes its one sheet.
CALCULATION_SETTINGS = (
    "NullDate", "IsIterationEnabled", "IterationCount", "IterationEpsilon", "StandardDecimals",
    "IsIgnoreCase", "CalcAsShown", "LookUpLabels", "MatchWholeCell", "RegularExpressions",
    "Wildcards",
)


def store_alone(desktop, doc, url_, filter_):
    """Stores the document's one sheet through a new document. LibreOffice writes an .xls sheet
    entry for each sheet a VBA project named when the workbook was read, sheets removed or not:
    a document of its own knows only the one sheet."""
    sheets = doc.getSheets()
    kept = sheets.getByIndex(0).getName()
    alone = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, props(Hidden=True))
    try:
        fresh = alone.getSheets()
        placeholder = fresh.getByIndex(0)
        placeholder.setName(kept + "~")
        fresh.importSheet(doc, kept, 0)
        fresh.removeByName(kept + "~")
        for setting in CALCULATION_SETTINGS:
            try:
                alone.setPropertyValue(setting, doc.getPropertyValue(setting))
            except Exception:
                pass
        alone.storeToURL(url_, props(FilterName=filter_, Overwrite=True))
    finally:
        alone.close(True)


def save_sheet(desktop, doc, book, output, last, source_results):
    """Saves the sheet; the document to go on with (`last`: none follows, nothing is undone)."""
    sheets = doc.getSheets()
    before = sheets.getElementNames()
    index = output["sheet"]
    found = before[index] if index < len(before) else None
    # .xlsx holds names of up to 31 characters: a longer one reached the run cut short.
    expected = output["name"]
    if found != expected and not (found and len(expected) == 31 and found.startswith(expected)):
        raise RuntimeError("LibreOffice finds %s, not sheet \"%s\", at that place"
                           % ("sheet \"%s\"" % found if found else "no sheet", expected))
    # LibreOffice can crash undoing the removal of sheets holding drawings or form controls:
    # the next sheet then starts from the file.
    restorable = all(
        sheets.getByIndex(i).getDrawPage().getCount() == 0 for i in range(len(before)) if i != index
    )
    temporary = output["file"] + ".part"
    undo = doc.getUndoManager()
    undo.enterUndoContext("single sheet")
    try:
        keep_only(doc, index, source_results)
    finally:
        undo.leaveUndoContext()
    try:
        if book.get("macros") and output["filter"].startswith("MS Excel"):
            store_alone(desktop, doc, url(temporary), output["filter"])
        else:
            doc.storeToURL(url(temporary), props(FilterName=output["filter"], Overwrite=True))
        os.replace(temporary, output["file"])
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)
    if last:
        return doc
    # A workbook of one sheet may have nothing to undo.
    if restorable and undo.isUndoPossible():
        undo.undo()
    # Undo brings the sheets back; should it ever not, the next sheet starts from the file.
    if doc.getSheets().getElementNames() != before:
        doc.close(True)
        return load(desktop, book["source"])
    return doc


def load(desktop, source):
    doc = desktop.loadComponentFromURL(
        url(source), "_blank", 0, props(Hidden=True, MacroExecutionMode=0, UpdateDocMode=0)
    )
    if doc is None:
        raise RuntimeError("LibreOffice could not load it")
    return doc


def leave_macros_out():
    """A workbook's VBA project holds a module for each of its sheets and LibreOffice writes it
    whole: a one-sheet output would carry the other sheets' modules (and shows them as sheets
    when read again). It is left unread, as the round trip through .xlsx leaves it."""
    ctx = XSCRIPTCONTEXT.getComponentContext()
    provider = ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", ctx
    )
    access = provider.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationUpdateAccess",
        props(nodepath="/org.openoffice.Office.Calc/Filter/Import/VBA"),
    )
    for setting in ("Load", "Save", "UseExport"):
        access.setPropertyValue(setting, False)
    access.commitChanges()


def main(*_):
    desktop = XSCRIPTCONTEXT.getDesktop()
    try:
        leave_macros_out()
        with open(os.environ["PV_INOFFICE_JOB"], encoding="utf-8") as f:
            job = json.load(f)
        with open(job["results"], "a", encoding="utf-8") as results:

            def report(output, why=None):
                line = "ok\t" + output["file"] if why is None else "fail\t" + output["file"] + "\t" + why
                results.write(line.replace("\n", " ") + "\n")
                results.flush()

            for book in job["workbooks"]:
                try:
                    doc = load(desktop, book["source"])
                except Exception as e:
                    for output in book["outputs"]:
                        report(output, "the workbook could not be loaded: " + str(e))
                    continue
                try:
                    sheets = doc.getSheets()
                    source_results = {
                        output["sheet"]: results_of(sheets.getByIndex(output["sheet"]))
                        for output in book["outputs"]
                        if output["sheet"] < sheets.getCount()
                    }
                    for number, output in enumerate(book["outputs"], 1):
                        last = number == len(book["outputs"])
                        try:
                            doc = save_sheet(desktop, doc, book, output, last,
                                             source_results.get(output["sheet"], {}))
                        except Exception as e:
                            report(output, str(e) or traceback.format_exc(limit=1))
                            if not last:
                                doc.close(True)
                                doc = load(desktop, book["source"])
                        else:
                            report(output)
                finally:
                    try:
                        doc.close(True)
                    except Exception:
                        pass
    finally:
        desktop.terminate()


g_exportedScripts = (main,)
