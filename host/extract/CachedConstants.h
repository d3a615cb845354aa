#pragma once
// Validation and conditional-format formulas that reach another sheet, made to stand alone with
// what that sheet showed: a list's source range becomes the explicit list of its values, and a
// name for one cell of another sheet becomes that cell's value. Nothing when the formula cannot
// be made so (the caller then drops the rule).
#include <optional>
#include <string>
#include <string_view>

namespace pv::host {

class OtherSheetCells;
class SheetScope;

// `formula` is a list validation's source: a block of another sheet, directly or through a
// name. The quoted list "a,b,c" of its non-empty cells' values, in order, when no value holds
// a comma and the list fits the 255 characters an explicit list may have.
std::optional<std::string> explicitListFor(std::string_view formula, const SheetScope& scope,
                                           OtherSheetCells& cells);

// `formula` with each name that stands for one cell of another sheet replaced by that cell's
// cached value as a constant; nothing when no name was replaced.
std::optional<std::string> withCellNamesAsValues(std::string_view formula, const SheetScope& scope,
                                                 OtherSheetCells& cells);

}  // namespace pv::host
