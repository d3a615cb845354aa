#pragma once
// What a formula (or a defined name's text) refers to outside its own cells: sheet qualifiers
// ("Sheet2!", "'My Sheet'!", 3-D spans "S1:S3!"), external workbooks ("[1]Sheet!"), and bare
// identifiers that may be defined names or table names. String literals are skipped.
#include <string>
#include <string_view>
#include <vector>

namespace pv::host {

struct FormulaReferences {
    std::vector<std::string> sheets;             // unquoted, unescaped sheet names before "!"
    bool threeD = false;                         // a span of sheets ("S1:S3!A1")
    bool external = false;                       // a reference into another workbook ("[1]...")
    std::vector<std::string> identifiers;        // names, table names (not functions)
    std::vector<std::size_t> identifierOffsets;  // where each identifier starts in the formula
};

FormulaReferences scanFormula(std::string_view formula);

// `text` as a formula quotes it: within `quote` (' for a sheet name, " for a string), each
// `quote` inside doubled.
std::string quotedInFormula(std::string_view text, char quote);

}  // namespace pv::host
