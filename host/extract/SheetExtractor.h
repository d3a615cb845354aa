#pragma once
// Builds the one-sheet workbook: the sheet's part and everything its relationships reach,
// copied compressed; the workbook-level parts it needs (styles, theme, the shared strings it
// uses); the workbook, relationships, content types and properties written for one sheet.
// Parts that would carry another sheet's data or name are left out.
#include <cstddef>
#include <filesystem>

namespace pv::host {

class ContentTypes;
class OtherSheetCells;
class SharedStrings;
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

void extractSheet(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                  const SheetScope& scope, const std::filesystem::path& output);

}  // namespace pv::host
