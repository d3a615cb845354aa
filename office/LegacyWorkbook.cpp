#include "office/LegacyWorkbook.h"

#include <atomic>
#include <system_error>

#include "core/Error.h"
#include "core/EventHook.h"
#include "host/HostErrors.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipErrors.h"
#include "office/ErrorValueCells.h"
#include "office/InOfficeSplit.h"
#include "office/LegacyFormats.h"
#include "office/OfficeConverter.h"
#include "office/OfficeErrors.h"
#include "office/OutputPlacement.h"

namespace pv::office {

namespace fs = std::filesystem;

namespace {

bool fitsGrid(const host::UsedRange& range, const std::string& extension) {
    return host::fitsGrid(extension, range.lastRow, range.lastColumn);
}

}  // namespace

// Sheets of one soffice start. In the round trip each is written by the engine as a one-sheet
// .xlsx in the inbox, under names unique within the folder the whole run shares; in LibreOffice
// itself each is named by its workbook and place.
class LegacyWorkbook::SheetBatch {
  public:
    // `errorFormulas`: the sheets go to a format LibreOffice writes error values to as #N/A.
    // `inOffice`: LibreOffice splits the sources itself.
    SheetBatch(fs::path inbox, bool errorFormulas, bool inOffice = false)
        : inbox_(std::move(inbox)), errorFormulas_(errorFormulas), inOffice_(inOffice) {}
    ~SheetBatch() { removeInputs(); }
    SheetBatch(const SheetBatch&) = delete;
    SheetBatch& operator=(const SheetBatch&) = delete;

    // Throws as the workbook's saveSheetAs does.
    void add(host::SourceWorkbook& book, std::size_t sheet) {
        if (inOffice_) {
            inOffice.push_back({book.path(), sheet, book.sheets().at(sheet).name});
            sheets_.emplace_back(book.path(), sheet);
            return;
        }
        static std::atomic<unsigned> next{0};
        const fs::path input = inbox_ / ("s" + std::to_string(++next) + ".xlsx");
        book.saveSheetAs(sheet, input);
        if (errorFormulas_) {
            try {
                writeErrorValuesAsFormulas(input);
            } catch (const std::exception&) {
                std::error_code ignored;
                fs::remove(input, ignored);
                throw;
            }
        }
        inputs_.push_back(input);
        sheets_.emplace_back(book.path(), sheet);
    }
    // A sheet that cannot be written is left out; the event hook runs between sheets.
    void tryAdd(host::SourceWorkbook& book, std::size_t sheet) {
        EventHook::letEventsThrough();
        try {
            add(book, sheet);
        } catch (const std::exception&) {
            return;
        }
    }
    void removeInputs() {
        std::error_code ignored;
        for (const auto& input : inputs_) {
            fs::remove(input, ignored);
        }
    }

    std::size_t size() const { return sheets_.size(); }
    bool inOfficeBatch() const { return inOffice_; }
    const std::vector<fs::path>& inputs() const { return inputs_; }
    // The workbook each input is a sheet of.
    std::vector<fs::path> sources() const {
        std::vector<fs::path> sources;
        for (const auto& [source, sheet] : sheets_) {
            sources.push_back(source);
        }
        return sources;
    }
    const std::pair<fs::path, std::size_t>& sheet(std::size_t i) const { return sheets_.at(i); }

    // The sheets, for LibreOffice to split its sources itself.
    std::vector<InOfficeSheet> inOffice;

  private:
    fs::path inbox_;
    bool errorFormulas_;
    bool inOffice_;
    std::vector<fs::path> inputs_;
    std::vector<std::pair<fs::path, std::size_t>> sheets_;
};

LegacyWorkbook::LegacyWorkbook(fs::path source,
                               std::unique_ptr<host::SourceWorkbook> engineWorkbook,
                               std::optional<ConvertedFile> converted,
                               const host::SpreadsheetHost& engine,
                               std::shared_ptr<OfficeConverter> converter,
                               std::shared_ptr<ConvertedSheets> convertedSheets)
    : source_(std::move(source)),
      engineWorkbook_(std::move(engineWorkbook)),
      converted_(std::move(converted)),
      engine_(engine),
      converter_(std::move(converter)),
      convertedSheets_(std::move(convertedSheets)) {}

LegacyWorkbook::~LegacyWorkbook() = default;

template <typename Call>
auto LegacyWorkbook::namingSource(Call&& call) -> decltype(call()) {
    if (!converted_) {
        return call();
    }
    try {
        return call();
    } catch (const Error& e) {
        throw e.renamed(converted_->file.string(), source_.string());
    }
}

const std::vector<host::SheetInfo>& LegacyWorkbook::sheets() const {
    return engineWorkbook_->sheets();
}

host::UsedRange LegacyWorkbook::usedRange(std::size_t sheet) {
    return namingSource([&] { return engineWorkbook_->usedRange(sheet); });
}

bool LegacyWorkbook::hasContentBeyondA1(std::size_t sheet) {
    return namingSource([&] { return engineWorkbook_->hasContentBeyondA1(sheet); });
}

std::string LegacyWorkbook::cellText(std::size_t sheet, int row, int column) {
    return namingSource([&] { return engineWorkbook_->cellText(sheet, row, column); });
}

void LegacyWorkbook::saveSheetAs(std::size_t sheet, const fs::path& output) {
    const std::string extension = host::lowercaseExtension(output.string());
    const fs::path engineSource = converted_ ? converted_->file : source_;
    // No extension: the engine adds its own default one.
    if (extension.empty() || engine_.canWrite(engineSource, extension)) {
        namingSource([&] { engineWorkbook_->saveSheetAs(sheet, output); });
        return;
    }
    if (!legacy::exportFilter(extension) || !converter_->available()) {
        throw Error(
            pv::host::HostError::UnsupportedOutput,
            output.string() + ": " + extension + " workbooks cannot be written" +
                (legacy::exportFilter(extension) ? " without LibreOffice (soffice) installed"
                                                 : ""));
    }
    std::error_code ec;
    if (fs::equivalent(output, source_, ec)) {
        throw Error(pv::host::ZipError::CannotWriteOutput,
                    output.string() + ": the output would replace its source workbook");
    }
    host::UsedRange range;
    if (!fits(sheet, extension, range)) {
        throw Error(OfficeError::SheetDoesNotFitOutput,
                    output.string() + ": " +
                        host::tooLargeText(sheets().at(sheet).name, source_.string(), extension,
                                           range.lastRow, range.lastColumn));
    }
    const fs::path converted = convertedSheet(sheet, extension, output);
    struct Removal {
        const fs::path& file;
        ~Removal() {
            std::error_code ignored;
            fs::remove(file, ignored);
        }
    } removal{converted};
    copyIntoPlace(converted, output, sheetText(sheet));
}

std::string LegacyWorkbook::sheetText(std::size_t sheet) const {
    return "sheet \"" + sheets().at(sheet).name + "\" of " + source_.string();
}

bool LegacyWorkbook::fits(std::size_t sheet, const std::string& extension, host::UsedRange& range) {
    if (!host::hasGridLimits(extension)) {
        return true;
    }
    try {
        range = usedRange(sheet);
    } catch (const Error&) {
        return true;  // a chart sheet has no grid to overflow
    }
    return fitsGrid(range, extension);
}

fs::path LegacyWorkbook::convertedSheet(std::size_t sheet, const std::string& extension,
                                        const fs::path& output) {
    std::lock_guard lock(convertedSheets_->mutex());
    if (auto found = convertedSheets_->take(source_, sheet, extension)) {
        return *found;
    }
    const fs::path root = convertedSheets_->folder(output);
    const fs::path inbox = root / "in";
    const fs::path outbox = root / (extension.substr(1) + "-out");
    std::error_code ec;
    fs::create_directories(inbox, ec);
    fs::create_directories(outbox, ec);

    ConversionBatch result;
    {
        // A sheet of a legacy source goes with sheets saved the same way only.
        const bool inOffice = savedInOffice(*converter_, source_, extension);
        const auto sameWay = [&](const fs::path& workbook) {
            return savedInOffice(*converter_, workbook, extension) == inOffice;
        };
        SheetBatch batch(inbox, legacy::losesErrorValues(extension), inOffice);
        try {
            batch.add(*this, sheet);  // its failure is this save's
        } catch (const Error&) {
            if (lacksRoom(inbox, kRoomForConversion)) {
                throw temporaryFolderFull(output.string() + ": " + sheetText(sheet) +
                                          " could not be prepared for LibreOffice");
            }
            throw;
        }
        // Names in a source's own format (or the run's one format) are what every sheet of it
        // will likely ask for: the workbook's other sheets and those of the run's other workbooks
        // in this format go in the same start. One that fails is reported when the run reaches it.
        if (convertedSheets_->batchesWholeWorkbooks(source_, extension)) {
            for (const std::size_t other : sheetsToBatch(*this, extension)) {
                if (other != sheet) {
                    batch.tryAdd(*this, other);
                }
            }
        }
        for (const auto& companion :
             convertedSheets_->companionWorkbooks(source_, extension, sameWay)) {
            EventHook::letEventsThrough();
            try {
                const auto book = convertedSheets_->open(companion);
                for (const std::size_t other : sheetsToBatch(*book, extension)) {
                    batch.tryAdd(*book, other);
                }
            } catch (const std::exception&) {
                continue;
            }
        }
        result = convert(batch, extension, outbox);
        if (!convertedSheets_->contains(source_, sheet, extension) && batch.size() > 1 &&
            result.end != ConversionEnd::Finished) {
            // Another sheet broke the batch off: once more alone.
            SheetBatch alone(inbox, legacy::losesErrorValues(extension), inOffice);
            alone.add(*this, sheet);
            result = convert(alone, extension, outbox);
        }
    }
    if (auto found = convertedSheets_->take(source_, sheet, extension)) {
        return *found;
    }
    if (lacksRoom(outbox, kRoomForConversion)) {
        throw temporaryFolderFull(output.string() + ": " + sheetText(sheet) +
                                  " could not be converted to " + extension);
    }
    throw Error(result.end == ConversionEnd::TimedOut ? OfficeError::ConversionTimedOut
                                                      : OfficeError::ConversionFailed,
                output.string() + ": " + sheetText(sheet) + " could not be converted to " +
                    extension + ": " + describeConversionEnd(result));
}

std::vector<std::size_t> LegacyWorkbook::sheetsToBatch(host::SourceWorkbook& book,
                                                       const std::string& extension) const {
    std::vector<std::size_t> wanted;
    for (std::size_t sheet = 0; sheet < book.sheets().size(); ++sheet) {
        if (book.sheets()[sheet].kind != host::SheetKind::Worksheet ||
            convertedSheets_->contains(book.path(), sheet, extension)) {
            continue;
        }
        try {
            const host::UsedRange range = book.usedRange(sheet);
            if (range.hasContentBeyondA1() && fitsGrid(range, extension)) {
                wanted.push_back(sheet);
            }
        } catch (const std::exception&) {
            continue;  // reported when the run asks for the sheet
        }
    }
    return wanted;
}

ConversionBatch LegacyWorkbook::convert(SheetBatch& batch, const std::string& extension,
                                        const fs::path& outbox) {
    ConversionBatch result;
    if (batch.inOfficeBatch()) {
        InOfficeBatch saved = saveInOffice(*converter_, batch.inOffice, extension, outbox);
        result = std::move(saved.run);
        // The first sheet is the one asked for: why it failed is what its error says.
        if (!saved.reasons.empty() && !saved.reasons.front().empty()) {
            result.diagnostics = saved.reasons.front();
        }
    } else {
        result = converter_->convert(batch.inputs(), extension,
                                     std::string(*legacy::exportFilter(extension)), outbox,
                                     batch.sources());
    }
    batch.removeInputs();
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (result.outputs[i]) {
            const auto& [source, sheet] = batch.sheet(i);
            convertedSheets_->add(source, sheet, extension, *result.outputs[i]);
        }
    }
    return result;
}

}  // namespace pv::office
