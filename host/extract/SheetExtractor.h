#pragma once
// Builds the one-sheet workbook: the sheet's part and everything its relationships reach,
// copied compressed; the workbook-level parts it needs (styles, theme, the shared strings it
// uses); the workbook, relationships, content types and properties written for one sheet.
// Parts that would carry another sheet's data or name are left out.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/zip/DeflateStream.h"

namespace pv::host {

class ContentTypes;
class OtherSheetCells;
class SharedStrings;
class SheetScanEvents;
class SheetScope;
class ZipReader;
struct SheetFacts;
struct WorkbookModel;

struct ExtractionSource {
    const ZipReader& zip;
    const WorkbookModel& model;
    const ContentTypes& types;
    const SharedStrings* strings;  // nullptr when the workbook has none
    // The other sheets' cached values, for what showed them without a cache of its own.
    OtherSheetCells* otherSheets = nullptr;
};

// A sheet rewritten by the pass that learnt its facts, before its part graph could say whether
// it is rewritten and how: kept for when the graph asks for the very rewrite it was made for.
struct PreparedSheet {
    std::set<std::string> droppedRelationships;  // the rewrite's input from the graph
    DeflatedPart part;
    std::vector<std::uint32_t> stringOrder;  // see StringRenumbering
};

// `prepared` (may be null): used instead of rewriting the sheet again when it fits the graph.
void extractSheet(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                  const SheetScope& scope, const std::filesystem::path& output,
                  PreparedSheet* prepared = nullptr);

// Rewrites the sheet as extractSheet() would if its graph rewrites it, giving `facts` every
// event of that one pass. Nothing when the part needs the general parser (`facts` is then
// incomplete). Throws what the rewrite or the scan throws.
std::optional<PreparedSheet> prepareSheet(const ExtractionSource& source, std::size_t sheet,
                                          const SheetScope& scope, SheetScanEvents& facts);

}  // namespace pv::host
