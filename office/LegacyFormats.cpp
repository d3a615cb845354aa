#include "office/LegacyFormats.h"

#include <array>
#include <utility>

#include "host/package/WorkbookFormats.h"

namespace pv::office::legacy {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kExportFilters = {{
    {".xls", "MS Excel 97"},
    {".xlt", "MS Excel 97 Vorlage/Template"},
    {".ods", "calc8"},
}};

}  // namespace

bool isConvertedOnOpen(std::string_view extension) {
    const host::WorkbookFormat* format = host::findWorkbookFormat(extension);
    return format != nullptr && format->reader == host::FormatHandler::Office;
}

std::optional<std::string_view> exportFilter(std::string_view extension) {
    for (const auto& [known, filter] : kExportFilters) {
        if (known == extension) {
            return filter;
        }
    }
    return std::nullopt;
}

}  // namespace pv::office::legacy
