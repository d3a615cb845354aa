#pragma once
// Writes a worksheet part again for a workbook in which it is the only sheet: formulas that
// refer to other sheets become their cached values (whole shared-formula groups), and
// validations, conditional-format rules and hyperlinks that point to other sheets are dropped,
// and so are the slicer and timeline references whose relationships the sheet lost and form
// controls' links to other sheets. A formula that only reads one cell of another sheet and
// has no cached value gets that cell's. A validation list drawn from another sheet becomes the
// explicit list of the values it showed, and a name for one cell of another sheet in a
// validation or conditional format becomes that cell's value, when `otherSheets` can say.
// Shared-string cells can be renumbered on the way.
// Streams the part: rows go on to the deflater as they are rewritten, so the memory held does
// not grow with the sheet.
#include <set>
#include <string>

namespace pv::host {

class DeflateStream;
class OtherSheetCells;
class SheetScanEvents;
class SheetScope;
class StringRenumbering;
class ZipReader;

// `droppedRelationships`: ids of the sheet's relationships that the output leaves out;
// `otherSheets` (may be null): the cells formulas without a cached value read;
// `strings` (may be null): renumbers the shared-string cells; an index past the table, or no
// index at all, is written as it was. The new part goes to `out`.
// `facts` (may be null) is given every event of the pass, to learn the sheet's facts on the
// way. Returns false, with `facts` and `out` to be thrown away, when the part needs the
// general parser: a pass with `facts` does not read it a second time.
bool rewriteSheet(const ZipReader& zip, const std::string& part, const SheetScope& scope,
                  const std::set<std::string>& droppedRelationships, OtherSheetCells* otherSheets,
                  StringRenumbering* strings, DeflateStream& out, SheetScanEvents* facts = nullptr);

}  // namespace pv::host
