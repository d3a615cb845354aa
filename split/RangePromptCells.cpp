#include "split/RangePromptCells.h"

#include <algorithm>
#include <optional>

#include "core/Error.h"
#include "split/SplitErrors.h"

namespace pv::split {

CellTexts firstContentSheetTexts(host::SourceWorkbook& workbook, int rows, int columns) {
    std::optional<std::size_t> shown;
    host::UsedRange used;
    for (std::size_t sheet = 0; sheet < workbook.sheets().size(); ++sheet) {
        if (workbook.sheets()[sheet].kind != host::SheetKind::Worksheet)
            continue;
        const host::UsedRange range = workbook.usedRange(sheet);
        const bool hasContent = range.hasContentBeyondA1();
        if (!shown || hasContent) {
            shown = sheet;
            used = range;
        }
        if (hasContent)
            break;
    }
    if (!shown)
        throw Error(SplitError::NoWorksheetToShow,
                    workbook.path().string() +
                        ": the workbook has no worksheet whose cells "
                        "could be shown");
    CellTexts texts(static_cast<std::size_t>(std::clamp(used.lastRow, 0, rows)));
    for (std::size_t row = 0; row < texts.size(); ++row) {
        texts[row].resize(static_cast<std::size_t>(std::clamp(used.lastColumn, 0, columns)));
        for (std::size_t column = 0; column < texts[row].size(); ++column)
            texts[row][column] =
                workbook.cellText(*shown, static_cast<int>(row) + 1, static_cast<int>(column) + 1);
    }
    return texts;
}

}  // namespace pv::split
