#include "split/LegacyWorkbook.h"

#include <atomic>
#include <system_error>

#include "core/Error.h"
#include "host/HostErrors.h"
#include "split/LegacyErrors.h"
#include "split/LegacyFormats.h"
#include "split/OfficeConverter.h"
#include "split/OutputNaming.h"
#include "split/OutputPlacement.h"

namespace pv::split {

namespace fs = std::filesystem;

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// 65536 -> "65,536", as the report shows a limit.
std::string withThousands(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

bool hasContentBeyondA1(const host::UsedRange& range) {
    return range.lastRow > 1 || range.lastColumn > 1;
}

}  // namespace

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
        throw Error(e.number(),
                    replaceAll(e.description(), converted_->file.string(), source_.string()));
    }
}

const std::vector<host::SheetInfo>& LegacyWorkbook::sheets() const {
    return engineWorkbook_->sheets();
}

host::UsedRange LegacyWorkbook::usedRange(std::size_t sheet) {
    return namingSource([&] { return engineWorkbook_->usedRange(sheet); });
}

std::string LegacyWorkbook::cellText(std::size_t sheet, int row, int column) {
    return namingSource([&] { return engineWorkbook_->cellText(sheet, row, column); });
}

void LegacyWorkbook::saveSheetAs(std::size_t sheet, const fs::path& output) {
    const std::string extension = legacy::lowercaseExtension(output);
    const fs::path engineSource = converted_ ? converted_->file : source_;
    // No extension: the engine adds its own default one.
    if (extension.empty() || engine_.canWrite(engineSource, extension)) {
        namingSource([&] { engineWorkbook_->saveSheetAs(sheet, output); });
        return;
    }
    if (!legacy::exportFilter(extension) || !converter_->available()) {
        throw Error(
            host::errors::kUnsupportedOutput,
            output.string() + ": " + extension + " workbooks cannot be written" +
                (legacy::exportFilter(extension) ? " without LibreOffice (soffice) installed"
                                                 : ""));
    }
    std::error_code ec;
    if (fs::equivalent(output, source_, ec)) {
        throw Error(host::errors::kCannotWriteOutput,
                    output.string() + ": the output would replace its source workbook");
    }
    host::UsedRange range;
    if (!fits(sheet, extension, range)) {
        saveInSourceFormat(sheet, output, range);
        return;
    }
    copyIntoPlace(convertedSheet(sheet, extension, output), output);
}

bool LegacyWorkbook::fits(std::size_t sheet, const std::string& extension, host::UsedRange& range) {
    const auto limits = legacy::gridLimits(extension);
    if (!limits) {
        return true;
    }
    try {
        range = usedRange(sheet);
    } catch (const Error&) {
        return true;  // a chart sheet has no grid to overflow
    }
    return range.lastRow <= limits->rows && range.lastColumn <= limits->columns;
}

void LegacyWorkbook::saveInSourceFormat(std::size_t sheet, const fs::path& output,
                                        const host::UsedRange& range) {
    const std::string wanted = legacy::lowercaseExtension(output);
    std::string extension = sourceExtension(source_.string());
    const std::string lowercase = legacy::lowercaseExtension("x" + extension);
    const fs::path engineSource = converted_ ? converted_->file : source_;
    const bool writable = engine_.canWrite(engineSource, lowercase) ||
                          (legacy::exportFilter(lowercase) && converter_->available());
    host::UsedRange ignored;
    if (!writable || !fits(sheet, lowercase, ignored)) {
        extension = engine_.defaultExtension();
    }
    const std::string folder = output.has_parent_path() ? (output.parent_path() / "").string() : "";
    const fs::path saved = firstFreeName(folder, output.stem().string(), extension);
    saveSheetAs(sheet, saved);
    const auto limits = *legacy::gridLimits(wanted);
    throw Error(legacy_errors::kSavedInSourceFormat,
                "Sheet \"" + sheets().at(sheet).name + "\" of " + source_.string() + " has " +
                    withThousands(range.lastRow) + " rows and " + withThousands(range.lastColumn) +
                    " columns, more than an " + wanted + " workbook holds (" +
                    withThousands(limits.rows) + " rows, " + withThousands(limits.columns) +
                    " columns): it was saved whole as " + saved.string() + " instead of " +
                    output.string());
}

std::vector<std::size_t> LegacyWorkbook::companionsFor(std::size_t sheet,
                                                       const std::string& extension) {
    std::vector<std::size_t> batch{sheet};
    // Names in the source's own format are what every sheet of the workbook will likely ask for:
    // convert them all in the same start.
    if (extension != legacy::lowercaseExtension(source_)) {
        return batch;
    }
    for (std::size_t other = 0; other < sheets().size(); ++other) {
        if (other == sheet || sheets()[other].kind != host::SheetKind::Worksheet ||
            convertedSheets_->find(source_, other, extension)) {
            continue;
        }
        host::UsedRange range;
        try {
            range = usedRange(other);
        } catch (const Error&) {
            continue;
        }
        host::UsedRange ignored;
        if (hasContentBeyondA1(range) && fits(other, extension, ignored)) {
            batch.push_back(other);
        }
    }
    return batch;
}

fs::path LegacyWorkbook::convertedSheet(std::size_t sheet, const std::string& extension,
                                        const fs::path& output) {
    std::lock_guard lock(convertedSheets_->mutex());
    if (auto found = convertedSheets_->find(source_, sheet, extension)) {
        return *found;
    }
    const fs::path root = convertedSheets_->folder(output);
    const fs::path inbox = root / "in";
    const fs::path outbox = root / (extension.substr(1) + "-out");
    std::error_code ec;
    fs::create_directories(inbox, ec);
    fs::create_directories(outbox, ec);

    // Names unique within the folder the whole run shares.
    static std::atomic<unsigned> nextInput{0};
    auto convert = [&](const std::vector<std::size_t>& wanted) {
        std::vector<fs::path> inputs;
        std::vector<std::size_t> converted;
        for (const std::size_t s : wanted) {
            const fs::path input = inbox / ("s" + std::to_string(++nextInput) + ".xlsx");
            try {
                namingSource([&] { engineWorkbook_->saveSheetAs(s, input); });
            } catch (const Error&) {
                if (s == sheet) {
                    throw;
                }
                continue;  // a companion that fails is reported when the run asks for it
            }
            inputs.push_back(input);
            converted.push_back(s);
        }
        auto batch = converter_->convert(inputs, extension,
                                         std::string(*legacy::exportFilter(extension)), outbox);
        for (const auto& input : inputs) {
            fs::remove(input, ec);
        }
        for (std::size_t i = 0; i < converted.size(); ++i) {
            if (batch.outputs[i]) {
                convertedSheets_->add(source_, converted[i], extension, *batch.outputs[i]);
            }
        }
        return batch;
    };

    const auto companions = companionsFor(sheet, extension);
    auto batch = convert(companions);
    if (!convertedSheets_->find(source_, sheet, extension) && companions.size() > 1 &&
        batch.end != ConversionEnd::Finished) {
        batch = convert({sheet});  // another sheet broke the batch off: once more alone
    }
    if (auto found = convertedSheets_->find(source_, sheet, extension)) {
        return *found;
    }
    throw Error(batch.end == ConversionEnd::TimedOut ? legacy_errors::kConversionTimedOut
                                                     : legacy_errors::kConversionFailed,
                output.string() + ": sheet \"" + sheets().at(sheet).name + "\" of " +
                    source_.string() + " could not be converted to " + extension + ": " +
                    describeConversionEnd(batch));
}

}  // namespace pv::split
