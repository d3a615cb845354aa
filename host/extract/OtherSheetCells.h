#pragma once
// The cached values of the workbook's other sheets, for parts of the kept sheet that showed
// them and must now hold them as constants (chart series, formulas, validation lists). An
// implementation reads a sheet only when asked, and only the rows asked for.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/CellRef.h"

namespace pv::host {

struct CachedCell {
    enum class Kind : unsigned char { Empty, Number, Text, Boolean, Error };
    Kind kind = Kind::Empty;
    // The number or boolean as stored ("12.5", "1"), the error ("#N/A"), the text (shared
    // strings resolved, escapes decoded).
    std::string value;
};

// The cell as a constant in a chart literal or an explicit list shows it: booleans as TRUE or
// FALSE, everything else as stored ("" when empty).
inline std::string literalText(const CachedCell& cell) {
    if (cell.kind == CachedCell::Kind::Boolean) {
        return cell.value == "0" ? "FALSE" : "TRUE";
    }
    return cell.value;
}

// A block of cached values, row by row.
struct CachedBlock {
    int rows = 0;
    int columns = 0;
    std::vector<CachedCell> cells;  // rows * columns

    const CachedCell& at(int row, int column) const {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)];
    }
};

class OtherSheetCells {
  public:
    virtual ~OtherSheetCells() = default;

    // The cells first..last of the worksheet named `sheet` (compared as the application does,
    // ignoring case). Rows past the sheet's last row with a value in the block are left out,
    // so a whole column gives only its filled part. Nothing when no worksheet has that name
    // or the block is too large to hold.
    virtual std::optional<CachedBlock> block(std::string_view sheet, CellRef first,
                                             CellRef last) = 0;

    // One cell; Empty when the sheet or the cell has no value.
    CachedCell cell(std::string_view sheet, CellRef at) {
        auto one = block(sheet, at, at);
        return one && one->rows == 1 ? std::move(one->cells.front()) : CachedCell{};
    }
};

}  // namespace pv::host
