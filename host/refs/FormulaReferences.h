#pragma once
// What a formula (or a defined name's text) refers to outside its own cells: sheet qualifiers
// ("Sheet2!", "'My Sheet'!", 3-D spans "S1:S3!"), external workbooks ("[1]Sheet!"), and bare
// identifiers that may be defined names or table names. String literals are skipped.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/CellRef.h"

namespace pv::host {

struct FormulaReferences {
    std::vector<std::string> sheets;             // unquoted, unescaped sheet names before "!"
    bool threeD = false;                         // a span of sheets ("S1:S3!A1")
    bool external = false;                       // a reference into another workbook ("[1]...")
    std::vector<std::string> identifiers;        // names, table names (not functions)
    std::vector<std::size_t> identifierOffsets;  // where each identifier starts in the formula
};

FormulaReferences scanFormula(std::string_view formula);

// A formula that is only a block of one sheet: "Sheet2!$A$1:$A$5", "'My ''s'!B3".
struct SheetBlock {
    std::string sheet;  // unquoted, unescaped
    CellRef first;
    CellRef last;
};
std::optional<SheetBlock> parseSheetBlock(std::string_view formula);

}  // namespace pv::host
