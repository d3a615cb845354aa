#include "host/EngineWorkbook.h"

#include <algorithm>
#include <cstdlib>

#include "core/Error.h"
#include "host/CsvFile.h"
#include "host/HostErrors.h"
#include "host/SourceSheetCells.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookFormats.h"
#include "host/refs/SheetScope.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {
// Rows read from the one a lookup asks for: a grid of cells near the top costs one short pass,
// and a naming cell near the top is found without reading the rest of the sheet.
constexpr int kWindowRows = 64;
constexpr std::size_t kWindowCells = 100'000;
}  // namespace

EngineWorkbook::EngineWorkbook(const std::filesystem::path& path,
                               std::shared_ptr<WorkbookFacts> facts, EngineOptions options)
    : path_(path),
      options_(options),
      zip_(path),
      model_(WorkbookModel::read(zip_)),
      types_(ContentTypes::read(zip_)),
      facts_(facts ? std::move(facts) : std::make_shared<WorkbookFacts>()) {
    for (const auto& sheet : model_.sheets) {
        sheets_.push_back(sheet.info);
    }
}

EngineWorkbook::~EngineWorkbook() = default;

const SheetEntry& EngineWorkbook::worksheet(std::size_t sheet) const {
    if (sheet >= model_.sheets.size()) {
        throw Error(HostError::NoSuchSheet,
                    path_.string() + ": no sheet number " + std::to_string(sheet + 1));
    }
    const auto& entry = model_.sheets[sheet];
    if (entry.info.kind != SheetKind::Worksheet) {
        throw Error(HostError::NotAWorksheet,
                    path_.string() + ": sheet \"" + entry.info.name + "\" holds no cells");
    }
    return entry;
}

const SharedStrings* EngineWorkbook::strings() {
    if (model_.sharedStringsPart.empty()) {
        return nullptr;
    }
    if (!strings_) {
        strings_ = facts_->strings([&] {
            SharedStrings table;
            table.load(zip_, model_.sharedStringsPart);
            return table;
        });
    }
    return strings_.get();
}

const StyleTable& EngineWorkbook::styles() {
    if (!styles_) {
        StyleTable table;
        if (!model_.stylesPart.empty()) {
            table.load(zip_, model_.stylesPart);
        }
        styles_ = std::move(table);
    }
    return *styles_;
}

const SheetScope& EngineWorkbook::scope(std::size_t sheet) {
    if (scopeSheet_ != sheet) {
        if (!tables_) {
            tables_ = facts_->tables([&] { return SheetScope::readTableNames(zip_, model_); });
        }
        scope_ = std::make_unique<SheetScope>(model_, *tables_, sheet);
        scopeSheet_ = sheet;
    }
    return *scope_;
}

const SheetFacts& EngineWorkbook::facts(std::size_t sheet,
                                        std::optional<PreparedSheet>* rewritten) {
    const SheetEntry& entry = worksheet(sheet);
    if (factsSheet_ == sheet) {
        return lastFacts_;
    }
    factsSheet_.reset();
    if (entry.part.empty()) {
        lastFacts_ = SheetFacts{};
    } else if (auto known = facts_->sheet(sheet)) {
        lastFacts_ = std::move(*known);
    } else {
        const ScanOptions options = factsScanOptions(sheet);
        lastFacts_ = rewritten != nullptr ? scanForSave(sheet, options, *rewritten)
                                          : SheetFacts(scanSheet(zip_, entry.part, options));
        if (lastFacts_.refersToOtherSheets) {
            facts_->noteSheetRefersOut(inflatedSize(entry.part));
        }
        facts_->remember(sheet, lastFacts_);
    }
    factsSheet_ = sheet;
    return lastFacts_;
}

ScanOptions EngineWorkbook::factsScanOptions(std::size_t sheet) {
    ScanOptions options;
    options.scope = &scope(sheet);
    const SharedStrings* table = strings();
    options.sharedStringCount = table != nullptr ? table->size() : 0;
    options.maxCachedCells = 0;  // cells are read near where they are asked for
    options.withNotes = true;
    return options;
}

SheetFacts EngineWorkbook::scanForSave(std::size_t sheet, ScanOptions options,
                                       std::optional<PreparedSheet>& rewritten) {
    // A sheet that refers to other sheets is rewritten, and a pass can rewrite it while it
    // learns its facts; but only the end of the pass can tell whether it refers out. Once a
    // sheet of the workbook like this one has, this one likely does too, and one pass does both.
    // Otherwise the scan stops at the first reference out, and the pass that rewrites starts
    // over.
    const std::string& part = model_.sheets[sheet].part;
    if (model_.sheets.size() < 2) {
        return scanSheet(zip_, part, options);  // no other sheet to refer to
    }
    const std::uint64_t size = inflatedSize(part);
    if (!facts_->sheetLikelyRefersOut(size)) {
        options.stopWhenReferringOut = true;
        SheetScan scan = scanSheet(zip_, part, options);
        if (!scan.stoppedEarly) {
            return scan;
        }
        facts_->noteSheetRefersOut(size);
        options.stopWhenReferringOut = false;
    }
    if (auto learnt = scanWhileRewriting(sheet, options, rewritten)) {
        return std::move(*learnt);
    }
    return scanSheet(zip_, part, options);
}

std::optional<SheetFacts> EngineWorkbook::scanWhileRewriting(
    std::size_t sheet, const ScanOptions& options, std::optional<PreparedSheet>& rewritten) {
    try {
        SheetScanEvents events(zip_, model_.sheets[sheet].part, options);
        SourceSheetCells otherSheets(zip_, model_, strings());
        const ExtractionSource source{zip_, model_, types_, strings(), &otherSheets};
        rewritten = prepareSheet(source, sheet, scope(sheet), events);
        if (!rewritten) {
            return std::nullopt;
        }
        return events.result();
    } catch (const Error&) {
        // Reported, if the sheet's own scan meets it too, by that scan.
        rewritten.reset();
        return std::nullopt;
    }
}

std::uint64_t EngineWorkbook::inflatedSize(const std::string& part) const {
    const ZipEntry* entry = zip_.find(part);
    return entry != nullptr ? entry->size : 0;
}

bool EngineWorkbook::hasContentBeyondA1(std::size_t sheet) {
    const SheetEntry& entry = worksheet(sheet);
    if (factsSheet_ == sheet || entry.part.empty() || facts_->sheet(sheet)) {
        return usedRange(sheet).hasContentBeyondA1();
    }
    ScanOptions options;
    options.maxCachedCells = 0;
    options.withNotes = true;
    options.stopBeyondA1 = true;
    const SheetScan scan = scanSheet(zip_, entry.part, options);
    return scan.lastRow > 1 || scan.lastColumn > 1;
}

UsedRange EngineWorkbook::usedRange(std::size_t sheet) {
    const SheetFacts& s = facts(sheet);
    return UsedRange{std::max(s.lastRow, 1), std::max(s.lastColumn, 1)};
}

std::string EngineWorkbook::cellText(std::size_t sheet, int row, int column) {
    worksheet(sheet);
    if (factsSheet_ == sheet && (row > lastFacts_.lastRow || column > lastFacts_.lastColumn)) {
        return {};  // beyond the used range: no need to read to the end
    }
    const ScannedCell* cell = windowCell(sheet, row, column);
    return cell == nullptr ? std::string() : textOf(*cell, CellText::Naming);
}

const ScannedCell* EngineWorkbook::windowCell(std::size_t sheet, int row, int column) {
    if (worksheet(sheet).part.empty()) {
        return nullptr;
    }
    if (windowSheet_ != sheet || row < windowFirstRow_ || row > windowLastRow_) {
        windowSheet_.reset();
        ScanOptions options;
        options.firstCachedRow = row;
        options.stopAfterRow = row + kWindowRows - 1;
        options.maxCachedCells = kWindowCells;
        window_ = scanSheet(zip_, worksheet(sheet).part, options);
        if (!window_.cellsComplete) {
            // A window as wide as the cache: keep only the row asked for.
            options.stopAfterRow = row;
            window_ = scanSheet(zip_, worksheet(sheet).part, options);
        }
        windowSheet_ = sheet;
        windowFirstRow_ = row;
        windowLastRow_ = *options.stopAfterRow;
    }
    return window_.find(row, column);
}

std::string EngineWorkbook::textOf(const ScannedCell& cell, CellText form) {
    const CachedCell value = cachedValueOf(cell, cell.type == 's' ? strings() : nullptr);
    const bool csv = form != CellText::Naming;
    switch (value.kind) {
        case CachedCell::Kind::Empty:
            return {};
        case CachedCell::Kind::Boolean:  // a CSV shows them as a sheet does
            return value.value == "0" ? (csv ? "FALSE" : "False") : (csv ? "TRUE" : "True");
        case CachedCell::Kind::Text:
        case CachedCell::Kind::Error:
            return value.value;
        case CachedCell::Kind::Number:
            break;
    }
    char* end = nullptr;
    const double number = std::strtod(value.value.c_str(), &end);
    if (form == CellText::CsvRaw || end == value.value.c_str()) {
        return value.value;
    }
    return csv ? styles().formatShown(number, cell.style, model_.date1904)
               : styles().formatNumber(number, cell.style, model_.date1904);
}

void EngineWorkbook::saveSheetAs(std::size_t sheet, const std::filesystem::path& output) {
    if (sheet >= model_.sheets.size()) {
        throw Error(HostError::NoSuchSheet,
                    path_.string() + ": no sheet number " + std::to_string(sheet + 1));
    }
    if (model_.sheets[sheet].part.empty()) {
        throw Error(ZipError::MissingPart,
                    path_.string() + ": sheet \"" + model_.sheets[sheet].info.name +
                        "\" has no part in the package, so there is nothing to save");
    }
    std::filesystem::path target = output;
    if (lowercaseExtension(target.filename().string()).empty()) {
        target += ".xlsx";
    }
    const bool csv = lowercaseExtension(target.filename().string()) == kCsvExtension;
    if (!csv && mainContentTypeFor(lowercaseExtension(target.filename().string())).empty()) {
        throw Error(HostError::UnsupportedOutput,
                    target.string() + ": cannot save a workbook with this extension");
    }
    std::error_code ec;
    if (std::filesystem::equivalent(target, path_, ec)) {
        throw Error(ZipError::CannotWriteOutput,
                    target.string() + ": the output would replace its source workbook");
    }
    if (csv) {
        saveSheetAsCsv(sheet, target);
        return;
    }
    const SheetFacts none;
    std::optional<PreparedSheet> rewritten;
    const SheetFacts& known =
        model_.sheets[sheet].info.kind == SheetKind::Worksheet ? facts(sheet, &rewritten) : none;
    SourceSheetCells otherSheets(zip_, model_, strings());
    const ExtractionSource source{zip_, model_, types_, strings(), &otherSheets};
    extractSheet(source, sheet, known, scope(sheet), target, rewritten ? &*rewritten : nullptr);
}

void EngineWorkbook::saveSheetAsCsv(std::size_t sheet, const std::filesystem::path& target) {
    if (model_.sheets[sheet].info.kind != SheetKind::Worksheet) {
        throw Error(HostError::NotAWorksheet, target.string() + ": sheet \"" +
                                                  model_.sheets[sheet].info.name + "\" of " +
                                                  path_.string() + " has no cells to write as CSV");
    }
    const int lastRow = facts(sheet).lastRow;
    const int lastColumn = facts(sheet).lastColumn;
    const std::string part = worksheet(sheet).part;
    CsvFile file(target);
    // Rows are read in windows of about kCsvWindowCells cells: a huge sheet is never held
    // whole, and each window is one pass that stops after its last row.
    constexpr std::size_t kCsvWindowCells = 1'000'000;
    const int windowRows = std::max(
        1, static_cast<int>(kCsvWindowCells / static_cast<std::size_t>(std::max(lastColumn, 1))));
    std::vector<std::string> fields(static_cast<std::size_t>(lastColumn));
    for (int first = 1; first <= lastRow; first += windowRows) {
        ScanOptions options;
        options.firstCachedRow = first;
        options.stopAfterRow = std::min(lastRow, first + windowRows - 1);
        options.maxCachedCells = kCsvWindowCells + 1;
        const SheetScan scan = scanSheet(zip_, part, options);
        std::size_t next = 0;
        for (int row = first; row <= *options.stopAfterRow; ++row) {
            std::fill(fields.begin(), fields.end(), std::string());
            for (; next < scan.cells.size() && scan.cells[next].row <= row; ++next) {
                const ScannedCell& cell = scan.cells[next];
                if (cell.row == row && cell.column >= 1 && cell.column <= lastColumn &&
                    fields[static_cast<std::size_t>(cell.column - 1)].empty()) {
                    fields[static_cast<std::size_t>(cell.column - 1)] =
                        textOf(cell, options_.csvRawValues ? CellText::CsvRaw : CellText::CsvShown);
                }
            }
            file.row(fields);
        }
    }
    file.commit();
}

}  // namespace pv::host
