#include "split/LegacyFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace pv::split::legacy {

namespace {

constexpr std::array<std::string_view, 4> kConvertedOnOpen = {".xls", ".xlsb", ".ods", ".xlt"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kExportFilters = {{
    {".xls", "MS Excel 97"},
    {".xlt", "MS Excel 97 Vorlage/Template"},
    {".ods", "calc8"},
}};

}  // namespace

std::string lowercaseExtension(const std::filesystem::path& path) {
    std::string extension = path.filename().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool isConvertedOnOpen(std::string_view extension) {
    return std::find(kConvertedOnOpen.begin(), kConvertedOnOpen.end(), extension) !=
           kConvertedOnOpen.end();
}

std::optional<std::string_view> exportFilter(std::string_view extension) {
    for (const auto& [known, filter] : kExportFilters) {
        if (known == extension) {
            return filter;
        }
    }
    return std::nullopt;
}

std::optional<GridLimits> gridLimits(std::string_view extension) {
    if (extension == ".xls" || extension == ".xlt") {
        return GridLimits{65536, 256};
    }
    return std::nullopt;
}

bool fitsGrid(std::string_view extension, int lastRow, int lastColumn) {
    const auto limits = gridLimits(extension);
    return !limits || (lastRow <= limits->rows && lastColumn <= limits->columns);
}

namespace {

// 65536 -> "65,536", as reports show sizes and limits.
std::string withThousands(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

}  // namespace

std::string tooLargeText(const std::string& sheetName, const std::string& source,
                         std::string_view extension, int lastRow, int lastColumn) {
    const GridLimits limits = gridLimits(extension).value_or(GridLimits{});
    return "Sheet \"" + sheetName + "\" of " + source + " has " + withThousands(lastRow) +
           " rows and " + withThousands(lastColumn) + " columns, more than an " +
           std::string(extension) + " workbook holds (" + withThousands(limits.rows) + " rows, " +
           withThousands(limits.columns) + " columns)";
}

}  // namespace pv::split::legacy
