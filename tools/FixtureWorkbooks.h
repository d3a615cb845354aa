#pragma once
// Test fixtures for the engine: a workbook with every feature a faithful one-sheet copy must
// keep or cut (in .xlsx, .xlsm, .xltx and .xltm packages), and one in the 1904 date system.
// Every sheet holds a unique marker text ("MARKER-<sheet>-<tag>") so a leak is easy to find.
#include <filesystem>

namespace pv::tools {

void writeFixtureWorkbooks(const std::filesystem::path& dir);

}  // namespace pv::tools
