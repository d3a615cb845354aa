#include "office/ConvertedSheets.h"

#include <QDir>
#include <QTemporaryDir>
#include <system_error>

#include "core/Error.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "office/LegacyFormats.h"
#include "office/OfficeConverter.h"
#include "office/OfficeErrors.h"

namespace pv::office {

namespace fs = std::filesystem;

ConvertedSheets::ConvertedSheets() = default;
ConvertedSheets::~ConvertedSheets() = default;

ConvertedSheets::Key ConvertedSheets::keyOf(const fs::path& source, std::size_t sheet,
                                            const std::string& extension) {
    Key key;
    key.source = host::identifySource(source);
    key.sheet = sheet;
    key.extension = extension;
    return key;
}

void ConvertedSheets::prepare(const std::vector<fs::path>& workbooks, Opener open,
                              std::string runExtension) {
    std::lock_guard lock(mutex_);
    prepared_ = workbooks;
    open_ = std::move(open);
    runExtension_ = std::move(runExtension);
    givenOut_.clear();
}

std::vector<fs::path> ConvertedSheets::companionWorkbooks(
    const fs::path& asking, const std::string& extension,
    const std::function<bool(const fs::path&)>& batchable) {
    std::lock_guard lock(mutex_);
    givenOut_.emplace(host::identifySource(asking).path, extension);
    std::vector<fs::path> companions;
    for (const auto& workbook : prepared_) {
        if (batchesWholeWorkbooks(workbook, extension) && (!batchable || batchable(workbook)) &&
            givenOut_.emplace(host::identifySource(workbook).path, extension).second) {
            companions.push_back(workbook);
        }
    }
    return companions;
}

bool ConvertedSheets::batchesWholeWorkbooks(const fs::path& workbook,
                                            const std::string& extension) const {
    std::lock_guard lock(mutex_);
    return (!runExtension_.empty() && extension == runExtension_) ||
           host::lowercaseExtension(workbook.string()) == extension;
}

std::unique_ptr<host::SourceWorkbook> ConvertedSheets::open(const fs::path& workbook) const {
    if (!open_) {
        throw Error(OfficeError::ConversionFailed,
                    workbook.string() + ": the workbook is not one of the run's");
    }
    return open_(workbook);
}

bool ConvertedSheets::contains(const fs::path& source, std::size_t sheet,
                               const std::string& extension) const {
    std::lock_guard lock(mutex_);
    const Key key = keyOf(source, sheet, extension);
    return converted_.contains(key) || handedOver_.contains(key);
}

void ConvertedSheets::add(const fs::path& source, std::size_t sheet, const std::string& extension,
                          const fs::path& converted) {
    std::lock_guard lock(mutex_);
    converted_[keyOf(source, sheet, extension)] = converted;
}

std::optional<fs::path> ConvertedSheets::take(const fs::path& source, std::size_t sheet,
                                              const std::string& extension) {
    std::lock_guard lock(mutex_);
    auto found = converted_.find(keyOf(source, sheet, extension));
    if (found == converted_.end()) {
        return std::nullopt;
    }
    fs::path converted = std::move(found->second);
    handedOver_.insert(found->first);
    converted_.erase(found);
    return converted;
}

fs::path ConvertedSheets::folder(const fs::path& output) {
    if (!folder_) {
        auto folder = privateTemporaryFolder("sheets");
        if (!folder->isValid()) {
            throw Error(OfficeError::TemporaryFolder,
                        output.string() +
                            ": no private temporary folder could be made to convert the sheet in");
        }
        folder_ = std::move(folder);
    }
    return folder_->path().toStdString();
}

}  // namespace pv::office
