#include "office/LegacyFormats.h"

#include <array>
#include <string>
#include <utility>

#include "core/Error.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "office/OfficeErrors.h"

namespace pv::office::legacy {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kExportFilters = {{
    {".xls", "MS Excel 97"},
    {".xlt", "MS Excel 97 Vorlage/Template"},
    {".ods", "calc8"},
    // Not a workbook: the sheet printed, as its print area, orientation and scaling lay it out.
    {".pdf", "calc_pdf_Export"},
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

bool losesErrorValues(std::string_view extension) {
    return extension == ".xls" || extension == ".xlt";
}

void refuseIfNotWorkbook(const std::filesystem::path& file, std::string_view extension) {
    bool workbook = true;
    if (extension == ".xls" || extension == ".xlt") {
        workbook = host::hasCompoundStream(file, {u"Workbook", u"Book"});
    } else if (extension == ".xlsb" || extension == ".ods") {
        try {
            const host::ZipReader zip(file);
            if (extension == ".xlsb") {
                workbook = zip.contains("xl/workbook.bin");
            } else {
                constexpr std::string_view kSpreadsheet =
                    "application/vnd.oasis.opendocument.spreadsheet";
                workbook =
                    zip.contains("content.xml") &&
                    (!zip.contains("mimetype") || zip.read("mimetype").starts_with(kSpreadsheet));
            }
        } catch (const Error& e) {
            // A package with a duplicate or unsafe entry name, or parts too large, is one: what
            // is wrong with it says more than that it is no workbook.
            if (e.number() == number(host::ZipError::UnsafeEntry) ||
                e.number() == number(host::ZipError::ZipBomb)) {
                throw;
            }
            workbook = false;
        }
    }
    if (!workbook) {
        throw Error(OfficeError::NotAWorkbook,
                    file.string() + ": not a " + std::string(extension) +
                        " workbook (its content is not that of the format its name gives)");
    }
}

}  // namespace pv::office::legacy
