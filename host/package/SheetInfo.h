#pragma once
// What a workbook says of each of its sheets, and how far a sheet's cells reach.
#include <string>

namespace pv::host {

enum class SheetKind { Worksheet, Chartsheet, Other };
enum class SheetVisibility { Visible, Hidden, VeryHidden };

struct SheetInfo {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    SheetVisibility visibility = SheetVisibility::Visible;
};

// Last row and last column of a sheet's used range, 1-based. An empty sheet reports 1, 1 (A1),
// as a spreadsheet application does.
struct UsedRange {
    int lastRow = 1;
    int lastColumn = 1;

    // A sheet whose used range is A1 alone counts as empty: it is not split.
    bool hasContentBeyondA1() const { return lastRow > 1 || lastColumn > 1; }
};

}  // namespace pv::host
