#pragma once
// Writes a worksheet part again for a workbook in which it is the only sheet: formulas that
// refer to other sheets become their cached values (whole shared-formula groups), and
// validations, conditional-format rules and hyperlinks that point to other sheets are dropped,
// and so are the slicer and timeline references whose relationships the sheet lost and form
// controls' links to other sheets. A formula that only reads one cell of another sheet and
// has no cached value gets that cell's. A validation list drawn from another sheet becomes the
// explicit list of the values it showed, and a name for one cell of another sheet in a
// validation or conditional format becomes that cell's value, when `otherSheets` can say.
// Streams the part: only the rewritten XML is held in memory.
#include <set>
#include <string>

namespace pv::host {

class OtherSheetCells;
class SheetScope;
class ZipReader;

// `droppedRelationships`: ids of the sheet's relationships that the output leaves out;
// `otherSheets` (may be null): the cells formulas without a cached value read.
std::string rewriteSheet(const ZipReader& zip, const std::string& part, const SheetScope& scope,
                         const std::set<std::string>& droppedRelationships = {},
                         OtherSheetCells* otherSheets = nullptr);

}  // namespace pv::host
