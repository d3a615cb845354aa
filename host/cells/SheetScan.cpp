#include "host/cells/SheetScan.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "core/Error.h"
#include "host/cells/CellErrors.h"
#include "host/cells/CellRef.h"
#include "host/cells/HyperlinkLocation.h"
#include "host/package/Relationships.h"
#include "host/xml/XmlEscapes.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

std::optional<std::size_t> sharedStringIndex(std::string_view value) {
    std::size_t index = 0;
    if (!value.empty() && value.back() >= '0' && value.back() <= '9') {
        // Digits alone, as nearly every writer has it.
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
        if (ec == std::errc() && end == value.data() + value.size()) {
            return index;
        }
    }
    const auto blank = value.find_first_not_of(" \t\r\n");
    value.remove_prefix(std::min(blank, value.size()));
    value.remove_suffix(value.size() - (value.find_last_not_of(" \t\r\n") + 1));
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
    if (ec != std::errc() || end != value.data() + value.size()) {
        return std::nullopt;
    }
    return index;
}

const ScannedCell* SheetScan::find(int row, int column) const {
    const auto it = std::lower_bound(cells.begin(), cells.end(), std::pair{row, column},
                                     [](const ScannedCell& c, const std::pair<int, int>& key) {
                                         return std::pair{c.row, c.column} < key;
                                     });
    return it != cells.end() && it->row == row && it->column == column ? &*it : nullptr;
}

namespace {

char cellType(const char* t) {
    if (t == nullptr) {
        return 'n';
    }
    const std::string_view type = t;
    if (type == "s")
        return 's';
    if (type == "inlineStr")
        return 'i';
    if (type == "str")
        return 'f';
    if (type == "b")
        return 'b';
    if (type == "e")
        return 'e';
    if (type == "d")
        return 'd';
    return 'n';
}

}  // namespace

class SheetScanner : public XmlStream {
  public:
    SheetScanner(const ZipReader& zip, const std::string& part, const ScanOptions& options)
        : zip_(zip), part_(part), options_(options) {
        // The first cells answer, or a window of rows near the top: the part is not inflated
        // whole for them.
        constexpr int kRowsNearTheTop = 1000;
        if (options.stopBeyondA1 ||
            (options.stopAfterRow && *options.stopAfterRow < kRowsNearTheTop)) {
            expectEarlyStop();
        }
    }

    SheetScan result;

    // The events of a pass another reader drives.
    void start(const char* name, const char** attributes) { onStart(name, attributes); }
    void end(const char* name) { onEnd(name); }
    void text(const char* text, int length) { onText(text, length); }

  protected:
    void onStart(const char* name, const char** attributes) override {
        const auto local = localName(name);
        if (!inSheetData_) {
            if (local == "sheetData") {
                inSheetData_ = true;
            } else if (local == "formula" || local == "formula1" || local == "formula2" ||
                       local == "f") {
                collecting_ = true;
                text_.clear();
            } else if (local == "hyperlink") {
                if (const char* location = internalLocation(attributes)) {
                    judge(location);
                }
            } else if (local == "controlPr") {
                for (const char* link : {"linkedCell", "listFillRange"}) {
                    if (const char* formula = findAttribute(attributes, link)) {
                        judge(formula);
                    }
                }
            }
            return;
        }
        if (local == "row") {
            const char* r = findAttribute(attributes, "r");
            row_ = r != nullptr ? parseRow(r) : row_ + 1;
            column_ = 0;
            if (options_.stopAfterRow && row_ > *options_.stopAfterRow) {
                stop();
            }
            if (isTrueValue(findAttribute(attributes, "customHeight")) ||
                isTrueValue(findAttribute(attributes, "hidden")) ||
                isTrueValue(findAttribute(attributes, "customFormat"))) {
                result.lastRow = std::max(result.lastRow, row_);
                stopIfAnswered();
            }
        } else if (local == "c") {
            startCell(attributes);
        } else if (inCell_ && (local == "v" || local == "f")) {
            collecting_ = true;
            text_.clear();
            if (local == "f") {
                const char* t = findAttribute(attributes, "t");
                const char* si = findAttribute(attributes, "si");
                sharedIndex_ = t != nullptr && std::string_view(t) == "shared" && si ? si : "";
                hasFormula_ = true;
            }
        } else if (inCell_ && local == "is") {
            inInline_ = true;
        } else if (inInline_ && local == "rPh") {
            ++phonetic_;
        } else if (inInline_ && local == "t" && phonetic_ == 0) {
            collecting_ = true;
            text_.clear();
        }
    }

    void onEnd(const char* name) override {
        const auto local = localName(name);
        if (!inSheetData_) {
            if (collecting_) {
                collecting_ = false;
                judge(text_);
            }
            return;
        }
        if (local == "sheetData") {
            inSheetData_ = false;
        } else if (local == "c") {
            endCell();
        } else if (local == "v" && inCell_) {
            collecting_ = false;
            cell_.value = text_;
        } else if (local == "f" && inCell_) {
            collecting_ = false;
            judgeFormula();
        } else if (local == "is") {
            inInline_ = false;
            cell_.value = decodeXmlEscapes(inlineText_);
        } else if (local == "rPh" && inInline_) {
            --phonetic_;
        } else if (local == "t" && inInline_ && phonetic_ == 0) {
            collecting_ = false;
            inlineText_ += text_;
            text_.clear();
        }
    }

    void onText(const char* text, int length) override {
        if (collecting_) {
            text_.append(text, static_cast<std::size_t>(length));
        }
    }

  private:
    int parseRow(const char* r) const {
        int row = 0;
        const std::string_view text = r;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
        if (ec != std::errc() || end != text.data() + text.size() || row < 1 || row > kMaxRows) {
            throw Error(CellError::BadCellReference, zip_.where(part_) + ": row number " +
                                                         std::string(text) + " is out of range");
        }
        return row;
    }

    void startCell(const char** attributes) {
        inCell_ = true;
        hasFormula_ = false;
        inlineText_.clear();
        cell_ = ScannedCell{};
        if (const char* r = findAttribute(attributes, "r")) {
            const auto ref = parseCellRef(r);
            if (!ref) {
                throw Error(CellError::BadCellReference, zip_.where(part_) + ": cell reference " +
                                                             std::string(r) + " is out of range");
            }
            cell_.row = ref->row;
            cell_.column = ref->column;
        } else {
            cell_.row = std::max(row_, 1);
            cell_.column = column_ + 1;
            if (cell_.column > kMaxColumns) {
                throw Error(CellError::BadCellReference, zip_.where(part_) +
                                                             ": more than 16384 cells in row " +
                                                             std::to_string(cell_.row));
            }
        }
        row_ = cell_.row;
        column_ = cell_.column;
        cell_.type = cellType(findAttribute(attributes, "t"));
        if (const char* s = findAttribute(attributes, "s")) {
            std::from_chars(s, s + std::char_traits<char>::length(s), cell_.style);
        }
        if (findAttribute(attributes, "cm") || findAttribute(attributes, "vm")) {
            result.usesCellMetadata = true;
        }
    }

    void endCell() {
        inCell_ = false;
        result.lastRow = std::max(result.lastRow, cell_.row);
        result.lastColumn = std::max(result.lastColumn, cell_.column);
        stopIfAnswered();
        if (cell_.type == 's' && !cell_.value.empty() && options_.sharedStringCount) {
            // The output keeps the table's numbering, so an index that names no string would
            // point past the output's own table.
            const auto found = sharedStringIndex(cell_.value);
            const std::size_t index = found.value_or(0);
            if (!found || index >= *options_.sharedStringCount) {
                throw Error(CellError::BadSharedString,
                            zip_.where(part_) + ": cell " + columnLetters(cell_.column) +
                                std::to_string(cell_.row) + " names shared string \"" +
                                cell_.value + "\", but the table holds " +
                                std::to_string(*options_.sharedStringCount));
            }
            if (result.usedStrings.size() <= index) {
                result.usedStrings.resize(index + 1);
            }
            result.usedStrings[index] = true;
        }
        if (!result.cellsComplete) {
            return;
        }
        if (result.cells.size() >= options_.maxCachedCells) {
            result.cells.clear();
            result.cells.shrink_to_fit();
            result.cellsComplete = false;
            return;
        }
        if (cell_.row < options_.firstCachedRow) {
            return;
        }
        if (!cell_.value.empty() || cell_.style != 0 || hasFormula_) {
            sorted_ = sorted_ && (result.cells.empty() ||
                                  std::pair{result.cells.back().row, result.cells.back().column} <
                                      std::pair{cell_.row, cell_.column});
            result.cells.push_back(std::move(cell_));
        }
    }

    void judgeFormula() {
        if (options_.scope == nullptr) {
            return;
        }
        if (!text_.empty()) {
            const bool foreign = judge(text_);
            if (foreign && !sharedIndex_.empty()) {
                foreignShared_.insert(sharedIndex_);
            }
        } else if (!sharedIndex_.empty() && foreignShared_.count(sharedIndex_) != 0) {
            result.refersToOtherSheets = true;
            stopIfAnswered();
        }
    }

    bool judge(const std::string& formula) {
        if (options_.scope == nullptr || formula.empty()) {
            return false;
        }
        const bool foreign = options_.scope->isForeign(formula);
        result.refersToOtherSheets = result.refersToOtherSheets || foreign;
        if (!result.refersToExternalWorkbooks && formula.find('[') != std::string::npos &&
            options_.scope->isExternal(formula)) {
            result.refersToExternalWorkbooks = true;
        }
        stopIfAnswered();
        return foreign;
    }

    // The range only grows and a reference out is never taken back, so once either is seen
    // the rest of the part cannot change the answer.
    void stopIfAnswered() {
        if ((options_.stopBeyondA1 && (result.lastRow > 1 || result.lastColumn > 1)) ||
            (options_.stopWhenReferringOut && result.refersToOtherSheets)) {
            result.stoppedEarly = true;
            stop();
        }
    }

  public:
    void finish() {
        if (!sorted_) {
            std::stable_sort(result.cells.begin(), result.cells.end(),
                             [](const ScannedCell& a, const ScannedCell& b) {
                                 return std::pair{a.row, a.column} < std::pair{b.row, b.column};
                             });
        }
    }

  private:
    const ZipReader& zip_;
    const std::string& part_;
    const ScanOptions& options_;
    bool inSheetData_ = false;
    bool inCell_ = false;
    bool inInline_ = false;
    bool collecting_ = false;
    bool hasFormula_ = false;
    bool sorted_ = true;
    int phonetic_ = 0;
    int row_ = 0;
    int column_ = 0;
    ScannedCell cell_;
    std::string text_;
    std::string inlineText_;
    std::string sharedIndex_;
    std::set<std::string> foreignShared_;
};

namespace {

// The cells that carry a note or a threaded comment. A reference that is not one cell places
// no note: it extends nothing.
class NoteCells : public XmlStream {
  public:
    explicit NoteCells(SheetFacts& facts) : facts_(facts) {}

  protected:
    void onStart(const char* name, const char** attributes) override {
        const auto local = localName(name);
        if (local != "comment" && local != "threadedComment") {
            return;
        }
        const char* ref = findAttribute(attributes, "ref");
        if (const auto cell = ref != nullptr ? parseCellRef(ref) : std::nullopt) {
            facts_.lastRow = std::max(facts_.lastRow, cell->row);
            facts_.lastColumn = std::max(facts_.lastColumn, cell->column);
        }
    }
    void onEnd(const char*) override {}
    void onText(const char*, int) override {}

  private:
    SheetFacts& facts_;
};

void extendByNotes(const ZipReader& zip, const std::string& part, SheetFacts& facts) {
    for (const auto& rel : readRelationships(zip, part)) {
        if ((rel.is("comments") || rel.is("threadedComment")) && !rel.target.empty() &&
            zip.contains(rel.target)) {
            NoteCells notes(facts);
            notes.parse(zip, rel.target);
        }
    }
}

SheetScan readSheetPart(const ZipReader& zip, const std::string& part, const ScanOptions& options) {
    // Most sheets are plain XML, which the plain reader takes several times faster; the rest
    // are read again from the start by the general parser.
    {
        SheetScanner plain(zip, part, options);
        if (plain.parsePlain(zip, part)) {
            plain.finish();
            return std::move(plain.result);
        }
    }
    SheetScanner scanner(zip, part, options);
    scanner.parse(zip, part);
    scanner.finish();
    return std::move(scanner.result);
}

}  // namespace

SheetScanEvents::SheetScanEvents(const ZipReader& zip, const std::string& part,
                                 const ScanOptions& options)
    : zip_(zip),
      part_(part),
      options_(options),
      scanner_(std::make_unique<SheetScanner>(zip, part, options)) {}

SheetScanEvents::~SheetScanEvents() = default;

void SheetScanEvents::start(const char* name, const char** attributes) {
    scanner_->start(name, attributes);
}
void SheetScanEvents::end(const char* name) {
    scanner_->end(name);
}
void SheetScanEvents::text(const char* text, int length) {
    scanner_->text(text, length);
}

SheetScan SheetScanEvents::result() {
    scanner_->finish();
    SheetScan scan = std::move(scanner_->result);
    if (options_.withNotes) {
        extendByNotes(zip_, part_, scan);
    }
    return scan;
}

SheetScan scanSheet(const ZipReader& zip, const std::string& part, const ScanOptions& options) {
    SheetScan scan = readSheetPart(zip, part, options);
    if (options.withNotes && !scan.stoppedEarly) {
        extendByNotes(zip, part, scan);
    }
    return scan;
}

}  // namespace pv::host
