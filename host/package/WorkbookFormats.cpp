#include "host/package/WorkbookFormats.h"

#include <array>
#include <vector>

namespace pv::host {

namespace {

constexpr GridLimits kBinaryGrid{65536, 256};

constexpr std::array kFormats = {
    WorkbookFormat{".xlsx",
                   "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
                   FormatHandler::Engine, FormatHandler::Engine, std::nullopt},
    WorkbookFormat{".xlsm", "application/vnd.ms-excel.sheet.macroEnabled.main+xml",
                   FormatHandler::Engine, FormatHandler::Engine, std::nullopt},
    WorkbookFormat{".xltx",
                   "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml",
                   FormatHandler::Engine, FormatHandler::Engine, std::nullopt},
    WorkbookFormat{".xltm", "application/vnd.ms-excel.template.macroEnabled.main+xml",
                   FormatHandler::Engine, FormatHandler::Engine, std::nullopt},
    WorkbookFormat{".xls", "", FormatHandler::Office, FormatHandler::Office, kBinaryGrid},
    WorkbookFormat{".xlt", "", FormatHandler::Office, FormatHandler::Office, kBinaryGrid},
    WorkbookFormat{".ods", "", FormatHandler::Office, FormatHandler::Office, std::nullopt},
    // LibreOffice reads the binary workbook but cannot write it.
    WorkbookFormat{".xlsb", "", FormatHandler::Office, FormatHandler::Nobody, std::nullopt},
};

// 65536 -> "65,536", as reports show sizes and limits.
std::string withThousands(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

}  // namespace

const WorkbookFormat* findWorkbookFormat(std::string_view extension) {
    for (const WorkbookFormat& format : kFormats) {
        if (format.extension == extension) {
            return &format;
        }
    }
    return nullptr;
}

std::string_view mainContentTypeFor(std::string_view extension) {
    const WorkbookFormat* format = findWorkbookFormat(extension);
    return format != nullptr && format->writer == FormatHandler::Engine ? format->mainContentType
                                                                        : std::string_view();
}

bool isEngineReadable(std::string_view extension) {
    const WorkbookFormat* format = findWorkbookFormat(extension);
    return format != nullptr && format->reader == FormatHandler::Engine;
}

std::string readableExtensionsText(bool withOffice) {
    std::vector<std::string_view> readable;
    for (const WorkbookFormat& format : kFormats) {
        if (format.reader == FormatHandler::Engine ||
            (withOffice && format.reader == FormatHandler::Office)) {
            readable.push_back(format.extension);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < readable.size(); ++i) {
        if (i > 0) {
            text += i + 1 == readable.size() ? " and " : ", ";
        }
        text += readable[i];
    }
    return text;
}

bool hasGridLimits(std::string_view extension) {
    const WorkbookFormat* format = findWorkbookFormat(extension);
    return format != nullptr && format->grid.has_value();
}

bool fitsGrid(std::string_view extension, int lastRow, int lastColumn) {
    const WorkbookFormat* format = findWorkbookFormat(extension);
    return format == nullptr || !format->grid ||
           (lastRow <= format->grid->rows && lastColumn <= format->grid->columns);
}

std::string tooLargeText(const std::string& sheetName, const std::string& source,
                         std::string_view extension, int lastRow, int lastColumn) {
    const WorkbookFormat* format = findWorkbookFormat(extension);
    const GridLimits limits =
        format != nullptr ? format->grid.value_or(GridLimits{}) : GridLimits{};
    return "Sheet \"" + sheetName + "\" of " + source + " has " + withThousands(lastRow) +
           " rows and " + withThousands(lastColumn) + " columns, more than an " +
           std::string(extension) + " workbook holds (" + withThousands(limits.rows) + " rows, " +
           withThousands(limits.columns) + " columns)";
}

}  // namespace pv::host
