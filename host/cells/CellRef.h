#pragma once
// A1-style cell and range references, within a worksheet's 1048576 rows and 16384 columns.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pv::host {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;  // XFD

struct CellRef {
    int row;     // 1-based
    int column;  // 1-based
    bool operator==(const CellRef&) const = default;
};

// "B12", "$B$12", "b12", "$b12": column letters then a row number without leading zeros, each
// optionally preceded by "$". Rejects row 0, rows or columns past the sheet's limits, blanks and
// anything after the row.
std::optional<CellRef> parseCellRef(std::string_view text);

// "B2:D5", "$B$2:$D$5" or a single cell "C7" (first == last); also whole columns "$B:$D" and
// whole rows "$2:$5", as an application gives them for a selection of whole columns or rows.
// The corners are put in order, so `first` is always the top-left cell: "D5:B2" is B2 to D5.
std::optional<std::pair<CellRef, CellRef>> parseRangeRef(std::string_view text);

// 1 -> "A", 28 -> "AB", 16384 -> "XFD"; the empty text for a column outside 1..16384.
std::string columnLetters(int column);

// {7, 3} -> "$C$7".
std::string absoluteAddress(CellRef cell);

// "$B$2:$D$5"; a single cell gives "$C$7"; a block spanning every row gives "$B:$D", one
// spanning every column "$2:$5", as an application writes such addresses.
std::string absoluteAddress(CellRef first, CellRef last);

}  // namespace pv::host
