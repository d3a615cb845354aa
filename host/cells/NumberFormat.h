#pragma once
// A number as a cell with a plain number format shows it: fixed decimals, thousands separators,
// percentages, and the literal text around them (currency symbols, units). Formats beyond that
// (scientific, fractions, conditions, text between digits) are left to General.
#include <optional>
#include <string>
#include <string_view>

namespace pv::host {

// `value` through `formatCode` ("#,##0.00", "0%", "\"$\"#,##0.00;(\"$\"#,##0.00)"): the section
// for its sign, quoted and escaped text kept, colours dropped, "[$€-407]" giving its symbol,
// "_x" a blank, "*x" fills nothing. Grouping and decimal marks are "," and "." whatever the
// locale. Nothing when the code is General or has what this does not render.
std::optional<std::string> formatWithCode(double value, std::string_view formatCode);

}  // namespace pv::host
