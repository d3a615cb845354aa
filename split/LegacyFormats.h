#pragma once
// The workbook formats that reach our engine through LibreOffice: which ones it opens for us,
// which ones it writes (and with which export filter), and the grid limits of the old binary
// format.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pv::split::legacy {

// ".XLS" -> ".xls"; the empty text when the file name has no extension.
std::string lowercaseExtension(const std::filesystem::path& path);

// .xls, .xlsb, .ods and .xlt: read by converting them to .xlsx first.
bool isConvertedOnOpen(std::string_view lowercaseExtension);

// LibreOffice's export filter for an output extension our engine does not write
// (".xls" -> "MS Excel 97"); nothing when LibreOffice cannot write it either (.xlsb).
std::optional<std::string_view> exportFilter(std::string_view lowercaseExtension);

struct GridLimits {
    int rows = 0;
    int columns = 0;
};

// The largest sheet a format holds, when it is smaller than our engine's: .xls and .xlt hold
// 65,536 rows and 256 columns.
std::optional<GridLimits> gridLimits(std::string_view lowercaseExtension);

// Whether a sheet whose cells end at lastRow, lastColumn fits a format: always when it has no
// limits of its own.
bool fitsGrid(std::string_view lowercaseExtension, int lastRow, int lastColumn);

// Why a sheet was not saved in a format: "Sheet "Wide" of /in/w.xlsx has 2 rows and 257 columns,
// more than an .xls workbook holds (65,536 rows, 256 columns)". `extension` must have limits.
std::string tooLargeText(const std::string& sheetName, const std::string& source,
                         std::string_view lowercaseExtension, int lastRow, int lastColumn);

}  // namespace pv::split::legacy
