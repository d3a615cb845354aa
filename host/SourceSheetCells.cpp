#include "host/SourceSheetCells.h"

#include <algorithm>
#include <charconv>

#include "core/Error.h"
#include "host/cells/SharedStrings.h"
#include "host/package/WorkbookModel.h"
#include "host/xml/XmlEscapes.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {
// What one lookup may hold: enough for any chart series or list a person reads, bounded so a
// reference to a huge block costs no more than that.
constexpr std::size_t kMaxScannedCells = 500'000;
constexpr std::size_t kMaxBlockCells = 200'000;
constexpr int kWindowRows = 64;
constexpr int kMaxWindowRows = 65'536;
}  // namespace

CachedCell cachedValueOf(const ScannedCell& cell, const SharedStrings* strings) {
    using Kind = CachedCell::Kind;
    switch (cell.type) {
        case 's': {
            std::size_t index = 0;
            const auto& v = cell.value;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), index);
            if (ec != std::errc() || strings == nullptr || index >= strings->size()) {
                return {};
            }
            return {Kind::Text, strings->text(index)};
        }
        case 'i':
        case 'd':
            return {Kind::Text, cell.value};
        case 'f':
            return {Kind::Text, decodeXmlEscapes(cell.value)};
        case 'b':
            return cell.value.empty() ? CachedCell{} : CachedCell{Kind::Boolean, cell.value};
        case 'e':
            return {Kind::Error, cell.value};
        default:
            return cell.value.empty() ? CachedCell{} : CachedCell{Kind::Number, cell.value};
    }
}

const SheetScan* SourceSheetCells::rows(std::size_t sheet, int first, int last) {
    if (scanSheet_ == sheet && first >= scanFirstRow_ && last <= scanLastRow_) {
        return &scan_;
    }
    // Rows are read ahead of the ones asked for; reading on past the last window (formulas
    // down a column read one row after the other) doubles it, so such a sheet is parsed a
    // few times rather than once per row.
    int ahead = kWindowRows;
    if (scanSheet_ == sheet && first > scanLastRow_) {
        ahead = std::min(2 * (scanLastRow_ - scanFirstRow_ + 1), kMaxWindowRows);
    }
    scanSheet_.reset();
    ScanOptions options;
    options.firstCachedRow = first;
    options.stopAfterRow = std::min(kMaxRows, std::max(last, first + ahead - 1));
    options.maxCachedCells = kMaxScannedCells;
    scan_ = scanSheet(zip_, model_.sheets[sheet].part, options);
    if (!scan_.cellsComplete && *options.stopAfterRow > last) {
        options.stopAfterRow = last;  // too wide a window: only the rows asked for
        scan_ = scanSheet(zip_, model_.sheets[sheet].part, options);
    }
    if (!scan_.cellsComplete) {
        return nullptr;
    }
    scanSheet_ = sheet;
    scanFirstRow_ = first;
    scanLastRow_ = *options.stopAfterRow;
    return &scan_;
}

std::optional<CachedBlock> SourceSheetCells::block(std::string_view sheet, CellRef first,
                                                   CellRef last) {
    const std::string wanted = lowercase(sheet);
    std::optional<std::size_t> index;
    for (std::size_t i = 0; i < model_.sheets.size(); ++i) {
        const auto& entry = model_.sheets[i];
        if (entry.info.kind == SheetKind::Worksheet && lowercase(entry.info.name) == wanted) {
            index = i;
            break;
        }
    }
    if (!index || !zip_.contains(model_.sheets[*index].part)) {
        return std::nullopt;
    }
    const SheetScan* scan = nullptr;
    try {
        scan = rows(*index, first.row, last.row);
    } catch (const Error&) {
        // A sheet that cannot be read shows nothing here; its own extraction reports it.
        scanSheet_.reset();
        return std::nullopt;
    }
    if (scan == nullptr) {
        return std::nullopt;
    }
    // Only the block's rows are visited: the window may hold many more.
    const auto begin = std::lower_bound(scan->cells.begin(), scan->cells.end(), first.row,
                                        [](const ScannedCell& c, int row) { return c.row < row; });
    const auto end = std::upper_bound(begin, scan->cells.end(), last.row,
                                      [](int row, const ScannedCell& c) { return row < c.row; });
    const auto inBlock = [&](const ScannedCell& c) {
        return c.column >= first.column && c.column <= last.column && !c.value.empty();
    };
    // A block reaching the sheet's edge (whole columns or rows) ends with its last value.
    if (last.row == kMaxRows || last.column == kMaxColumns) {
        int lastRow = first.row - 1;
        int lastColumn = first.column - 1;
        for (auto c = begin; c != end; ++c) {
            if (inBlock(*c)) {
                lastRow = std::max(lastRow, c->row);
                lastColumn = std::max(lastColumn, c->column);
            }
        }
        if (last.row == kMaxRows) {
            last.row = lastRow;
        }
        if (last.column == kMaxColumns) {
            last.column = lastColumn;
        }
    }
    CachedBlock out;
    out.rows = std::max(0, last.row - first.row + 1);
    out.columns = std::max(0, last.column - first.column + 1);
    const std::size_t size =
        static_cast<std::size_t>(out.rows) * static_cast<std::size_t>(out.columns);
    if (size > kMaxBlockCells) {
        return std::nullopt;
    }
    out.cells.resize(size);
    for (auto c = begin; c != end; ++c) {
        if (inBlock(*c) && c->row <= last.row && c->column <= last.column) {
            out.cells[static_cast<std::size_t>(c->row - first.row) *
                          static_cast<std::size_t>(out.columns) +
                      static_cast<std::size_t>(c->column - first.column)] =
                cachedValueOf(*c, strings_);
        }
    }
    return out;
}

}  // namespace pv::host
