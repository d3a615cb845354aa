#pragma once
// The number formats a workbook names by their id alone, with no numFmt of its own: their en-US
// codes, one table for the plain number formats and the dates and times alike.
#include <string_view>

namespace pv::host {

// The code of built-in format `id`; empty for General (0) and for the ids whose code this
// engine does not render (fractions, scientific, locale-dependent dates).
std::string_view builtInFormatCode(int id);

}  // namespace pv::host
