#pragma once
// The example workbooks that come with the program: together they show every output naming
// rule at work (sheet names that collide across workbooks, names in A1 and in C3, an empty A1,
// a formula and a number as names, a long name, sheets that are skipped).
#include <filesystem>

namespace pv::tools {

void writeSampleWorkbooks(const std::filesystem::path& dir);

}  // namespace pv::tools
