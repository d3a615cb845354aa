#include "split/OutputTarget.h"

#include <string_view>

#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "split/OutputNaming.h"
#include "split/SplitErrors.h"

namespace pv::split {

OutputTarget fitOutputToWriter(const std::string& name, const std::string& sourcePath,
                               const host::SpreadsheetHost& host, LazyUsedRange& used) {
    const auto fits = [&](const std::string& extension) {
        const std::string lower = host::lowercase(extension);
        if (!host::hasGridLimits(lower)) {
            return true;  // any sheet the engine reads fits: no need to read the range
        }
        const auto& range = used.get();
        return !range || host::fitsGrid(lower, range->lastRow, range->lastColumn);
    };
    const std::size_t dot = extensionDot(name);
    bool tooLarge = false;
    if (dot == std::string::npos) {
        const std::string byDefault = host.defaultExtension();
        if (host.canWrite(sourcePath, byDefault))
            return {name + byDefault, false};
    } else if (host.canWrite(sourcePath, name.substr(dot))) {
        if (fits(name.substr(dot)))
            return {name, false};
        tooLarge = true;
    }
    std::string own = sourceExtension(sourcePath);
    bool sourceFormat = true;
    bool sourceTooSmall = false;
    // A format that is read but never written (.xlsb), or too small, falls back to the default.
    if (!host.canWrite(sourcePath, own)) {
        sourceFormat = false;
    } else if (!fits(own)) {
        sourceFormat = false;
        sourceTooSmall = true;
    }
    if (!sourceFormat)
        own = host.defaultExtension();
    if (!host.canWrite(sourcePath, own)) {
        throw Error(SplitError::CannotWriteAnyFormat,
                    "Cannot save " + name +
                        ": the engine writes neither that format nor the "
                        "format of " +
                        sourcePath);
    }
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    return {stem + own, true, sourceFormat, tooLarge, sourceTooSmall};
}

const std::optional<host::UsedRange>& LazyUsedRange::get() {
    if (!known_ && workbook_ != nullptr) {
        known_ = workbook_->usedRange(sheet_);
    }
    return known_;
}

std::string substitutionNote(const std::string& name, const std::string& sourcePath,
                             const OutputTarget& target, const std::string& sheetName,
                             const host::UsedRange& used) {
    const std::size_t dot = extensionDot(name);
    const std::string wanted = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string written = target.path.substr(extensionDot(target.path));
    const std::string own = sourceExtension(sourcePath);
    if (target.tooLarge) {
        return host::tooLargeText(sheetName, sourcePath, host::lowercaseExtension(name),
                                  used.lastRow, used.lastColumn) +
               ": it was saved whole as " + target.path + " instead of " + name +
               (target.sourceFormat
                    ? ", in its source's format (" + own + ")"
                    : ", in the default format (" + written + ") as its source's format (" + own +
                          ") " +
                          (target.sourceTooSmall ? "cannot hold it either" : "cannot be written"));
    }
    std::string why = wanted.empty() ? "the default format cannot be written"
                                     : wanted + " workbooks cannot be written";
    const host::WorkbookFormat* wantedFormat = host::findWorkbookFormat(host::lowercase(wanted));
    if (wantedFormat != nullptr && wantedFormat->writer == host::FormatHandler::Office)
        why += " without LibreOffice (soffice) installed";
    if (target.sourceFormat) {
        why += ", so the sheet keeps its source's format (" + written + ")";
    } else {
        if (own != wanted)
            why += ", nor can its source's format (" + own + ")";
        why += ", so the sheet was saved in the default format (" + written + ")";
    }
    return "Saved as " + target.path + " instead of " + name + ": " + why;
}

}  // namespace pv::split
