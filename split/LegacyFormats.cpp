#include "split/LegacyFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
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

}  // namespace pv::split::legacy
