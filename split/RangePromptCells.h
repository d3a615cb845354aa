#pragma once
// What the range prompt shows over a workbook the run has open.
#include "core/Dialogs.h"
#include "host/SpreadsheetHost.h"

namespace pv::split {

// The texts of the first sheet with content beyond A1 (as the run would save it), else of the
// first worksheet: at most `rows` × `columns` from A1, cut to the used range. Throws pv::Error
// when the workbook has no worksheet, or a sheet's cells cannot be read.
CellTexts firstContentSheetTexts(host::SourceWorkbook& workbook, int rows, int columns);

}  // namespace pv::split
