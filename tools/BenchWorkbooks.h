#pragma once
// The benchmark's workloads: (a) bench-a-wide.xlsx, 20 sheets x 20,000 rows x 10 columns;
// (b) bench-b-many/ with 100 workbooks of 5 sheets x 200 rows x 8 columns; (c) bench-c-tall.xlsx,
// one sheet of 500,000 rows x 6 columns and 3 small sheets. About half the cells are strings.
#include <filesystem>

namespace pv::tools {

void writeBenchWorkbooks(const std::filesystem::path& dir);

}  // namespace pv::tools
