#pragma once
// Cached values of a workbook's sheets read back from its package, for the parts of a sheet
// being extracted that showed another sheet's cells. Each read parses that sheet only up to
// the last row asked for, and the last window read is kept for the next lookups.
#include <cstddef>
#include <optional>

#include "host/cells/SheetScan.h"
#include "host/extract/OtherSheetCells.h"

namespace pv::host {

class SharedStrings;
class ZipReader;
struct WorkbookModel;

// The cached value of a scanned cell, shared strings resolved through `strings` (may be null).
CachedCell cachedValueOf(const ScannedCell& cell, const SharedStrings* strings);

class SourceSheetCells final : public OtherSheetCells {
  public:
    SourceSheetCells(const ZipReader& zip, const WorkbookModel& model, const SharedStrings* strings)
        : zip_(zip), model_(model), strings_(strings) {}

    std::optional<CachedBlock> block(std::string_view sheet, CellRef first, CellRef last) override;

  private:
    // The scan of `sheet` holding rows first..last, read anew unless the last one holds them.
    const SheetScan* rows(std::size_t sheet, int first, int last);

    const ZipReader& zip_;
    const WorkbookModel& model_;
    const SharedStrings* strings_;
    std::optional<std::size_t> scanSheet_;
    int scanFirstRow_ = 0;
    int scanLastRow_ = 0;
    SheetScan scan_;
};

}  // namespace pv::host
