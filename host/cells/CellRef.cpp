#include "host/cells/CellRef.h"

#include <algorithm>

namespace pv::host {

namespace {

constexpr std::size_t kMaxColumnLetters = 3;
constexpr std::size_t kMaxRowDigits = 7;

// Reads an optional "$" and column letters at `pos`; 0 when there are none or too many.
int readColumn(std::string_view text, std::size_t& pos) {
    std::size_t at = pos;
    if (at < text.size() && text[at] == '$') {
        ++at;
    }
    int column = 0;
    std::size_t letters = 0;
    // ASCII letters only, whatever the locale: this runs for every cell of every sheet.
    for (; at < text.size(); ++at) {
        const char upper = static_cast<char>(text[at] & ~0x20);
        if (upper < 'A' || upper > 'Z') {
            break;
        }
        if (++letters > kMaxColumnLetters) {
            return 0;
        }
        column = column * 26 + (upper - 'A' + 1);
    }
    if (letters == 0 || column > kMaxColumns) {
        return 0;
    }
    pos = at;
    return column;
}

// Reads an optional "$" and a row number at `pos`; 0 when there is none or it is out of range.
int readRow(std::string_view text, std::size_t& pos) {
    std::size_t at = pos;
    if (at < text.size() && text[at] == '$') {
        ++at;
    }
    if (at >= text.size() || text[at] < '1' || text[at] > '9') {
        return 0;  // no digits, or a leading zero (row 0 included)
    }
    int row = 0;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > kMaxRowDigits) {
            return 0;
        }
        row = row * 10 + (text[at] - '0');
        ++at;
    }
    if (row > kMaxRows) {
        return 0;
    }
    pos = at;
    return row;
}

// One corner of a range: a cell, a whole column ("B") or a whole row ("2"). A part that is
// absent is 0.
struct Corner {
    int row = 0;
    int column = 0;
};

std::optional<Corner> parseCorner(std::string_view text) {
    std::size_t pos = 0;
    Corner corner;
    corner.column = readColumn(text, pos);
    corner.row = readRow(text, pos);
    if (pos != text.size() || (corner.row == 0 && corner.column == 0)) {
        return std::nullopt;
    }
    return corner;
}

}  // namespace

std::optional<CellRef> parseCellRef(std::string_view text) {
    const std::optional<Corner> corner = parseCorner(text);
    if (!corner || corner->row == 0 || corner->column == 0) {
        return std::nullopt;
    }
    return CellRef{corner->row, corner->column};
}

std::optional<std::pair<CellRef, CellRef>> parseRangeRef(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        const std::optional<CellRef> cell = parseCellRef(text);
        if (!cell) {
            return std::nullopt;
        }
        return std::pair{*cell, *cell};
    }
    const std::optional<Corner> a = parseCorner(text.substr(0, colon));
    const std::optional<Corner> b = parseCorner(text.substr(colon + 1));
    if (!a || !b) {
        return std::nullopt;
    }
    const bool cells = a->row && a->column && b->row && b->column;
    const bool columns = !a->row && !b->row;     // "B:D"
    const bool rows = !a->column && !b->column;  // "2:5"
    if (!cells && !columns && !rows) {
        return std::nullopt;
    }
    const int firstRow = columns ? 1 : std::min(a->row, b->row);
    const int lastRow = columns ? kMaxRows : std::max(a->row, b->row);
    const int firstColumn = rows ? 1 : std::min(a->column, b->column);
    const int lastColumn = rows ? kMaxColumns : std::max(a->column, b->column);
    return std::pair{CellRef{firstRow, firstColumn}, CellRef{lastRow, lastColumn}};
}

std::string columnLetters(int column) {
    if (column < 1 || column > kMaxColumns) {
        return {};
    }
    std::string letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::string absoluteAddress(CellRef cell) {
    return "$" + columnLetters(cell.column) + "$" + std::to_string(cell.row);
}

std::string absoluteAddress(CellRef first, CellRef last) {
    if (first == last) {
        return absoluteAddress(first);
    }
    if (first.row == 1 && last.row == kMaxRows) {
        return "$" + columnLetters(first.column) + ":$" + columnLetters(last.column);
    }
    if (first.column == 1 && last.column == kMaxColumns) {
        return "$" + std::to_string(first.row) + ":$" + std::to_string(last.row);
    }
    return absoluteAddress(first) + ":" + absoluteAddress(last);
}

}  // namespace pv::host
