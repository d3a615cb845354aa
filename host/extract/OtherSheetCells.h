#pragma once
// The cached values of other sheets' cells, for parts of the one-sheet workbook that keep what
// another sheet showed in place of a reference to it (validation lists, chart data). The
// engine reads them on demand, only the rows asked for; extraction asks only when a part
// needs them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/CellRef.h"

namespace pv::host {

struct CachedValue {
    enum class Kind { Empty, Number, Text, Boolean, Error };
    Kind kind = Kind::Empty;
    std::string value;  // the number as stored, the text, "1" or "0", the error ("#N/A")
    std::string shown;  // as the sheet displays it (number formats applied)
};

class OtherSheetCells {
  public:
    virtual ~OtherSheetCells() = default;
    // The cells first..last of the worksheet named `sheet` (compared without case), row by
    // row; nothing when the workbook has no such worksheet. Callers keep blocks small.
    virtual std::optional<std::vector<CachedValue>> block(std::string_view sheet, CellRef first,
                                                          CellRef last) = 0;
};

}  // namespace pv::host
