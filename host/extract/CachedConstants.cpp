#include "host/extract/CachedConstants.h"

#include "host/extract/OtherSheetCells.h"
#include "host/refs/FormulaReferences.h"
#include "host/refs/SheetRange.h"
#include "host/refs/SheetScope.h"

namespace pv::host {

namespace {

// The application's limit for the text of an explicit list, separators included.
constexpr std::size_t kMaxListText = 255;

// The block `formula` is, or the block the name it is stands for.
std::optional<SheetRange> blockOf(std::string_view formula, const SheetScope& scope) {
    if (auto block = parseSheetRange(formula)) {
        return block;
    }
    const auto refs = scanFormula(formula);
    if (refs.identifiers.size() == 1 && refs.identifiers[0].size() == formula.size()) {
        if (const std::string* text = scope.nameText(refs.identifiers[0])) {
            return parseSheetRange(*text);
        }
    }
    return std::nullopt;
}

std::optional<std::string> constantOf(const CachedCell& cell) {
    switch (cell.kind) {
        case CachedCell::Kind::Number:
        case CachedCell::Kind::Error:
            return cell.value;
        case CachedCell::Kind::Text:
            return quotedInFormula(cell.value, '"');
        case CachedCell::Kind::Boolean:
            return std::string(cell.value == "0" ? "FALSE" : "TRUE");
        case CachedCell::Kind::Empty:
            break;  // 0 or "" depending on its use: not one constant
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> explicitListFor(std::string_view formula, const SheetScope& scope,
                                           OtherSheetCells& cells) {
    const auto block = blockOf(formula, scope);
    if (!block) {
        return std::nullopt;
    }
    // Every item but the last needs a separator: a longer block cannot fit, unread.
    const long long count = static_cast<long long>(block->last.row - block->first.row + 1) *
                            (block->last.column - block->first.column + 1);
    if (count > static_cast<long long>(kMaxListText) * 8) {
        return std::nullopt;  // mostly empty blocks (a column reserved for more) still fit
    }
    const auto values = cells.block(block->sheet, block->first, block->last);
    if (!values) {
        return std::nullopt;
    }
    std::string list;
    bool any = false;
    for (const auto& cell : values->cells) {
        const std::string item = literalText(cell);
        if (item.empty()) {
            continue;  // a blank choice: what a blank cell offers anyway
        }
        if (item.find(',') != std::string::npos) {
            return std::nullopt;  // the separator of an explicit list
        }
        if (any) {
            list += ',';
        }
        list += item;
        any = true;
        if (list.size() > kMaxListText) {
            return std::nullopt;
        }
    }
    if (!any) {
        return std::nullopt;
    }
    return quotedInFormula(list, '"');
}

std::optional<std::string> withCellNamesAsValues(std::string_view formula, const SheetScope& scope,
                                                 OtherSheetCells& cells) {
    const auto refs = scanFormula(formula);
    std::string out(formula);
    bool replaced = false;
    // From the end, so that the earlier offsets stay valid.
    for (std::size_t i = refs.identifiers.size(); i-- > 0;) {
        const std::string* text = scope.nameText(refs.identifiers[i]);
        const auto block = text != nullptr ? parseSheetRange(*text) : std::nullopt;
        if (!block || !(block->first == block->last) || !scope.isForeign(*text)) {
            continue;
        }
        const auto constant = constantOf(cells.cell(block->sheet, block->first));
        if (!constant) {
            continue;
        }
        out.replace(refs.identifierOffsets[i], refs.identifiers[i].size(), *constant);
        replaced = true;
    }
    return replaced ? std::optional(std::move(out)) : std::nullopt;
}

}  // namespace pv::host
