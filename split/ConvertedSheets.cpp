#include "split/ConvertedSheets.h"

#include <QDir>
#include <QTemporaryDir>
#include <system_error>

#include "core/Error.h"
#include "split/LegacyErrors.h"

namespace pv::split {

namespace fs = std::filesystem;

ConvertedSheets::ConvertedSheets() = default;
ConvertedSheets::~ConvertedSheets() = default;

ConvertedSheets::Key ConvertedSheets::keyOf(const fs::path& source, std::size_t sheet,
                                            const std::string& extension) {
    std::error_code ec;
    return {fs::absolute(source, ec).lexically_normal().string(), sheet, extension};
}

std::optional<fs::path> ConvertedSheets::find(const fs::path& source, std::size_t sheet,
                                              const std::string& extension) const {
    if (auto found = converted_.find(keyOf(source, sheet, extension)); found != converted_.end()) {
        return found->second;
    }
    return std::nullopt;
}

void ConvertedSheets::add(const fs::path& source, std::size_t sheet, const std::string& extension,
                          const fs::path& converted) {
    converted_[keyOf(source, sheet, extension)] = converted;
}

fs::path ConvertedSheets::folder(const fs::path& output) {
    if (!folder_) {
        auto folder =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + "/pellavine-sheets-XXXXXX");
        if (!folder->isValid()) {
            throw Error(legacy_errors::kTemporaryFolder,
                        output.string() +
                            ": no private temporary folder could be made to convert the sheet in");
        }
        folder_ = std::move(folder);
    }
    return folder_->path().toStdString();
}

}  // namespace pv::split
