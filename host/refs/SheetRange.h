#pragma once
// A formula that is nothing but a reference to one block of one named sheet: a chart series'
// "data!$B$2:$B$6", a cell's "+'Q1 data'!C7". What such a formula showed can be read back
// from that sheet's cells.
#include <optional>
#include <string>
#include <string_view>

#include "host/cells/CellRef.h"

namespace pv::host {

struct SheetRange {
    std::string sheet;  // unquoted, unescaped
    CellRef first;      // top-left
    CellRef last;       // bottom-right; first for a single cell
};

// The reference, with an optional leading "=" and "+" and surrounding blanks; nothing for any
// other formula (functions, operators, unions, names, external workbooks, 3-D spans, a block
// without a sheet).
std::optional<SheetRange> parseSheetRange(std::string_view formula);

}  // namespace pv::host
