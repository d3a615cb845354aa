#include "host/EngineWorkbook.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "core/Error.h"
#include "host/HostErrors.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookFormats.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlEscapes.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {
// Rows read from the one a lookup asks for: a grid of cells near the top costs one short pass,
// and a naming cell near the top is found without reading the rest of the sheet.
constexpr int kWindowRows = 64;
constexpr std::size_t kWindowCells = 100'000;
}  // namespace

EngineWorkbook::EngineWorkbook(const std::filesystem::path& path,
                               std::shared_ptr<WorkbookFacts> facts)
    : path_(path),
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

const SheetFacts& EngineWorkbook::facts(std::size_t sheet) {
    const SheetEntry& entry = worksheet(sheet);
    if (factsSheet_ == sheet) {
        return lastFacts_;
    }
    factsSheet_.reset();
    if (auto known = facts_->sheet(sheet)) {
        lastFacts_ = std::move(*known);
    } else {
        ScanOptions options;
        options.scope = &scope(sheet);
        const SharedStrings* table = strings();
        options.sharedStringCount = table != nullptr ? table->size() : 0;
        options.maxCachedCells = 0;  // cells are read near where they are asked for
        options.withNotes = true;
        lastFacts_ = scanSheet(zip_, entry.part, options);
        facts_->remember(sheet, lastFacts_);
    }
    factsSheet_ = sheet;
    return lastFacts_;
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
    return cell == nullptr ? std::string() : textOf(*cell);
}

const ScannedCell* EngineWorkbook::windowCell(std::size_t sheet, int row, int column) {
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

std::string EngineWorkbook::textOf(const ScannedCell& cell) {
    switch (cell.type) {
        case 's': {
            std::size_t index = 0;
            const auto& v = cell.value;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), index);
            const SharedStrings* table = strings();
            if (ec != std::errc() || table == nullptr || index >= table->size()) {
                return {};
            }
            return table->text(index);
        }
        case 'i':
            return cell.value;
        case 'f':
            return decodeXmlEscapes(cell.value);
        case 'b':
            return cell.value.empty() ? std::string() : cell.value == "0" ? "False" : "True";
        case 'e':
        case 'd':
            return cell.value;
        default:
            break;
    }
    if (cell.value.empty()) {
        return {};
    }
    char* end = nullptr;
    const double number = std::strtod(cell.value.c_str(), &end);
    if (end == cell.value.c_str()) {
        return cell.value;
    }
    return styles().formatNumber(number, cell.style, model_.date1904);
}

std::optional<std::vector<CachedValue>> EngineWorkbook::block(std::string_view sheet, CellRef first,
                                                              CellRef last) {
    const std::string wanted = lowercase(sheet);
    const auto entry = std::find_if(model_.sheets.begin(), model_.sheets.end(), [&](const auto& s) {
        return s.info.kind == SheetKind::Worksheet && lowercase(s.info.name) == wanted;
    });
    if (entry == model_.sheets.end()) {
        return std::nullopt;
    }
    ScanOptions options;
    options.firstCachedRow = first.row;
    options.stopAfterRow = last.row;
    options.maxCachedCells = kWindowCells;
    const SheetScan scan = scanSheet(zip_, entry->part, options);
    if (!scan.cellsComplete) {
        return std::nullopt;
    }
    std::vector<CachedValue> values;
    for (int row = first.row; row <= last.row; ++row) {
        for (int column = first.column; column <= last.column; ++column) {
            CachedValue value;
            if (const ScannedCell* cell = scan.find(row, column); cell != nullptr) {
                value.shown = textOf(*cell);
                switch (cell->type) {
                    case 'b':
                        value.kind = CachedValue::Kind::Boolean;
                        value.value = cell->value;
                        break;
                    case 'e':
                        value.kind = CachedValue::Kind::Error;
                        value.value = cell->value;
                        break;
                    case 'n':
                        value.kind = CachedValue::Kind::Number;
                        value.value = cell->value;
                        break;
                    default:  // shared, inline and formula strings; ISO dates
                        value.kind = CachedValue::Kind::Text;
                        value.value = value.shown;
                        break;
                }
                if (cell->value.empty()) {
                    value = CachedValue{};
                }
            }
            values.push_back(std::move(value));
        }
    }
    return values;
}

void EngineWorkbook::saveSheetAs(std::size_t sheet, const std::filesystem::path& output) {
    if (sheet >= model_.sheets.size()) {
        throw Error(HostError::NoSuchSheet,
                    path_.string() + ": no sheet number " + std::to_string(sheet + 1));
    }
    std::filesystem::path target = output;
    if (lowercaseExtension(target.filename().string()).empty()) {
        target += ".xlsx";
    }
    if (mainContentTypeFor(lowercaseExtension(target.filename().string())).empty()) {
        throw Error(HostError::UnsupportedOutput,
                    target.string() + ": cannot save a workbook with this extension");
    }
    std::error_code ec;
    if (std::filesystem::equivalent(target, path_, ec)) {
        throw Error(ZipError::CannotWriteOutput,
                    target.string() + ": the output would replace its source workbook");
    }
    const SheetFacts none;
    const SheetFacts& known =
        model_.sheets[sheet].info.kind == SheetKind::Worksheet ? facts(sheet) : none;
    const ExtractionSource source{zip_, model_, types_, strings(), this};
    extractSheet(source, sheet, known, scope(sheet), target);
}

}  // namespace pv::host
