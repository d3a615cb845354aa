#pragma once
// The benchmark's workloads: (a) bench-a-wide.xlsx, 20 sheets x 20,000 rows x 10 columns;
// (b) bench-b-many/ with 100 workbooks of 5 sheets x 200 rows x 8 columns; (c) bench-c-tall.xlsx,
// one sheet of 500,000 rows x 6 columns and 3 small sheets. About half the cells are strings, most
// of them repeated, and no sheet refers to another, so a split copies the sheets as they are.
// bench-ra-wide.xlsx, bench-rb-many/ and bench-rc-tall.xlsx have the same sizes in sheets the
// split must rewrite: mostly unique text, one formula reading another sheet, and an empty, an
// A1-only and a hidden sheet each. bench-d-summary.xlsx is a small sheet of figures read from the
// two data sheets of 250,000 x 6 after it, which refer to no other.
#include <filesystem>

namespace pv::tools {

void writeBenchWorkbooks(const std::filesystem::path& dir);

}  // namespace pv::tools
