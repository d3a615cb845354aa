#include "office/ConvertedSources.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <system_error>
#include <utility>

#include "host/SourceIdentity.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipErrors.h"
#include "office/LegacyFormats.h"
#include "office/OfficeConverter.h"
#include "office/OfficeErrors.h"

namespace pv::office {

namespace fs = std::filesystem;

namespace {

constexpr const char* kXlsxFilter = "Calc MS Excel 2007 XML";

// `outbox` is where soffice was to write: with no room left there, that is why it wrote nothing.
Error conversionError(const fs::path& source, const ConversionBatch& batch,
                      const fs::path& outbox) {
    if (lacksRoom(outbox, kRoomForConversion)) {
        return temporaryFolderFull(source.string() +
                                   ": LibreOffice (soffice) could not convert it");
    }
    const OfficeError number = batch.end == ConversionEnd::TimedOut
                                   ? OfficeError::ConversionTimedOut
                                   : OfficeError::ConversionFailed;
    return Error(number, source.string() +
                             ": the workbook could not be opened: " + describeConversionEnd(batch));
}

}  // namespace

ConvertedSources::ConvertedSources(std::shared_ptr<OfficeConverter> converter)
    : converter_(std::move(converter)) {}

ConvertedSources::~ConvertedSources() = default;

void ConvertedSources::prepare(const std::vector<fs::path>& sources) {
    std::lock_guard lock(mutex_);
    for (const auto& source : sources) {
        const std::string extension = host::lowercaseExtension(source.string());
        if (!legacy::isConvertedOnOpen(extension) || host::isPasswordEncrypted(source)) {
            continue;
        }
        try {
            legacy::refuseIfNotWorkbook(source, extension);
            waiting_.push_back(source);
        } catch (const Error&) {
            // Reported when the run opens it; never worth a conversion.
        }
    }
}

ConvertedFile ConvertedSources::xlsxFor(const fs::path& source) {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        throw Error(pv::host::ZipError::CannotOpenFile,
                    source.string() + ": the file does not exist or is not a regular file");
    }
    // soffice cannot open it without the password either: say so rather than that it failed.
    host::refuseIfPasswordEncrypted(source);
    legacy::refuseIfNotWorkbook(source, host::lowercaseExtension(source.string()));
    const Key key = host::identifySource(source);
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
    // The workbook asked for leads its batch: when the batch breaks off before converting it,
    // it broke on this one, which is set aside and tried once more alone.
    for (int round = 0; round < 2; ++round) {
        convertBatch(batchFor(source, key));
        if (auto known = answer()) {
            return *known;
        }
    }
    throw Error(OfficeError::ConversionFailed,
                source.string() + ": the workbook could not be opened by LibreOffice (soffice)");
}

std::vector<fs::path> ConvertedSources::batchFor(const fs::path& source, const Key& key) {
    std::vector<fs::path> batch{source};
    // One that broke a batch off goes alone: others must not share its fate again.
    if (setAside_.contains(key)) {
        return batch;
    }
    // Everything still waiting goes in the same start; a stale, repeated or set-aside entry is
    // skipped. soffice names each output after its input, so a workbook whose name another one
    // in the batch has waits for the next.
    std::vector<Key> keys{key};
    std::set<fs::path> stems{source.stem()};
    std::vector<fs::path> later;
    for (const auto& waiting : std::exchange(waiting_, {})) {
        const Key waitingKey = host::identifySource(waiting);
        if (converted_.contains(waitingKey) || failures_.contains(waitingKey) ||
            setAside_.contains(waitingKey) ||
            std::find(keys.begin(), keys.end(), waitingKey) != keys.end()) {
            continue;
        }
        if (!stems.insert(waiting.stem()).second) {
            later.push_back(waiting);
            continue;
        }
        batch.push_back(waiting);
        keys.push_back(waitingKey);
    }
    waiting_ = std::move(later);
    return batch;
}

void ConvertedSources::convertBatch(std::vector<fs::path> sources) {
    if (!folder_) {
        std::shared_ptr<QTemporaryDir> folder = privateTemporaryFolder("legacy");
        if (!folder->isValid()) {
            throw Error(OfficeError::TemporaryFolder,
                        sources.front().string() +
                            ": no private temporary folder could be made to convert it in");
        }
        folder_ = std::move(folder);
    }
    // A folder per batch: an output never replaces one an earlier batch made for a workbook of
    // the same name.
    const fs::path root =
        fs::path(folder_->path().toStdString()) / ("batch" + std::to_string(++batches_));
    const fs::path inbox = root / "in";
    const fs::path outbox = root / "out";
    std::error_code ec;
    fs::create_directories(inbox, ec);
    fs::create_directories(outbox, ec);

    // soffice sees private copies, so no lock file ever appears beside the user's workbook. They
    // keep the workbook's name: LibreOffice names the one sheet of an old single-sheet file
    // after it.
    std::vector<fs::path> copies;
    std::vector<fs::path> originals;
    std::vector<Key> keys;
    for (const auto& source : sources) {
        fs::path copy = inbox / source.stem();
        copy += host::lowercaseExtension(source.string());
        if (!fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec)) {
            // A copy cut short by a full disk fails as a read error too (EIO): whether the whole
            // file would fit tells them apart.
            std::error_code ignored;
            fs::remove(copy, ignored);
            const std::uintmax_t size = fs::file_size(source, ignored);
            failures_.emplace(
                host::identifySource(source),
                lacksRoom(inbox, ignored ? 0 : size, ec)
                    ? temporaryFolderFull(source.string() +
                                          ": no copy of it could be made for LibreOffice")
                    : Error(pv::host::ZipError::CannotOpenFile,
                            source.string() + ": the file could not be read: " + ec.message()));
            continue;
        }
        copies.push_back(copy);
        originals.push_back(source);
        keys.push_back(host::identifySource(source));
    }
    const ConversionBatch batch =
        converter_->convert(copies, ".xlsx", kXlsxFilter, outbox, originals);
    fs::remove_all(inbox, ec);
    // soffice works through its files in order: when it breaks off, the first file it left
    // unconverted is most likely the one it broke on, and the files after it were never tried.
    const bool final = batch.end == ConversionEnd::Finished ||
                       batch.end == ConversionEnd::NotStarted || copies.size() == 1;
    bool brokeOn = false;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (batch.outputs[i]) {
            converted_[keys[i]] = *batch.outputs[i];
        } else if (final) {
            failures_.emplace(keys[i], conversionError(originals[i], batch, outbox));
        } else if (!brokeOn) {
            setAside_.insert(keys[i]);
            brokeOn = true;
        } else {
            waiting_.push_back(originals[i]);
        }
    }
}

}  // namespace pv::office
