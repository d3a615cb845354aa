#include "split/ConvertedSources.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <system_error>

#include "host/HostErrors.h"
#include "split/LegacyErrors.h"
#include "split/LegacyFormats.h"
#include "split/OfficeConverter.h"

namespace pv::split {

namespace fs = std::filesystem;

namespace {

constexpr const char* kXlsxFilter = "Calc MS Excel 2007 XML";

Error conversionError(const fs::path& source, const ConversionBatch& batch) {
    const int number = batch.end == ConversionEnd::TimedOut ? legacy_errors::kConversionTimedOut
                                                            : legacy_errors::kConversionFailed;
    return Error(number, source.string() +
                             ": the workbook could not be opened: " + describeConversionEnd(batch));
}

}  // namespace

ConvertedSources::ConvertedSources(std::shared_ptr<OfficeConverter> converter)
    : converter_(std::move(converter)) {}

ConvertedSources::~ConvertedSources() = default;

ConvertedSources::Key ConvertedSources::keyOf(const fs::path& source) {
    std::error_code ec;
    Key key;
    key.path = fs::absolute(source, ec).lexically_normal().string();
    key.size = fs::file_size(source, ec);
    key.modified = fs::last_write_time(source, ec).time_since_epoch().count();
    return key;
}

void ConvertedSources::prepare(const std::vector<fs::path>& sources) {
    std::lock_guard lock(mutex_);
    for (const auto& source : sources) {
        if (legacy::isConvertedOnOpen(legacy::lowercaseExtension(source))) {
            waiting_.push_back(source);
        }
    }
}

ConvertedFile ConvertedSources::xlsxFor(const fs::path& source) {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        throw Error(host::errors::kCannotOpenFile,
                    source.string() + ": the file does not exist or is not a regular file");
    }
    const Key key = keyOf(source);
    auto answer = [&]() -> std::optional<ConvertedFile> {
        if (auto found = converted_.find(key); found != converted_.end()) {
            return ConvertedFile{folder_, found->second};
        }
        if (auto failed = failures_.find(key); failed != failures_.end()) {
            throw failed->second;
        }
        return std::nullopt;
    };
    if (auto known = answer()) {
        return *known;
    }
    // Everything still waiting goes in the same start; a stale or repeated entry is skipped.
    std::vector<fs::path> batch{source};
    std::vector<Key> keys{key};
    for (const auto& waiting : waiting_) {
        const Key waitingKey = keyOf(waiting);
        if (!converted_.contains(waitingKey) && !failures_.contains(waitingKey) &&
            std::find(keys.begin(), keys.end(), waitingKey) == keys.end()) {
            batch.push_back(waiting);
            keys.push_back(waitingKey);
        }
    }
    waiting_.clear();
    convertBatch(std::move(batch));
    if (auto known = answer()) {
        return *known;
    }
    // The batch broke off before this workbook (another one crashed or hung it): once more alone.
    convertBatch({source});
    if (auto known = answer()) {
        return *known;
    }
    throw Error(legacy_errors::kConversionFailed,
                source.string() + ": the workbook could not be opened by LibreOffice (soffice)");
}

fs::path ConvertedSources::freshStem() {
    return "w" + std::to_string(++nextStem_);
}

void ConvertedSources::convertBatch(std::vector<fs::path> sources) {
    if (!folder_) {
        auto folder =
            std::make_shared<QTemporaryDir>(QDir::tempPath() + "/pellavine-legacy-XXXXXX");
        if (!folder->isValid()) {
            throw Error(legacy_errors::kTemporaryFolder,
                        sources.front().string() +
                            ": no private temporary folder could be made to convert it in");
        }
        folder_ = std::move(folder);
    }
    const fs::path root = folder_->path().toStdString();
    const fs::path inbox = root / "in";
    const fs::path outbox = root / "out";
    std::error_code ec;
    fs::create_directories(inbox, ec);
    fs::create_directories(outbox, ec);

    // soffice sees private copies under names of our own: no two share a stem, and no lock file
    // ever appears beside the user's workbook.
    std::vector<fs::path> copies;
    std::vector<fs::path> originals;
    std::vector<Key> keys;
    for (const auto& source : sources) {
        fs::path copy = inbox / freshStem();
        copy += legacy::lowercaseExtension(source);
        if (!fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec)) {
            failures_.emplace(
                keyOf(source),
                Error(host::errors::kCannotOpenFile,
                      source.string() + ": the file could not be read: " + ec.message()));
            continue;
        }
        copies.push_back(copy);
        originals.push_back(source);
        keys.push_back(keyOf(source));
    }
    const ConversionBatch batch = converter_->convert(copies, ".xlsx", kXlsxFilter, outbox);
    for (const auto& copy : copies) {
        fs::remove(copy, ec);
    }
    const bool final = batch.end == ConversionEnd::Finished || copies.size() == 1;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (batch.outputs[i]) {
            converted_[keys[i]] = *batch.outputs[i];
        } else if (final) {
            failures_.emplace(keys[i], conversionError(originals[i], batch));
        }
    }
}

}  // namespace pv::split
