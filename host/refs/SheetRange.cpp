#include "host/refs/SheetRange.h"

namespace pv::host {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A sheet name a formula may write without quotes: no operators, brackets or blanks.
bool isBareSheetChar(unsigned char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch == '.' || ch >= 0x80;
}

}  // namespace

std::optional<SheetRange> parseSheetRange(std::string_view formula) {
    std::string_view text = trimmed(formula);
    if (!text.empty() && text.front() == '=') {
        text = trimmed(text.substr(1));
    }
    if (!text.empty() && text.front() == '+') {
        text = trimmed(text.substr(1));
    }
    SheetRange range;
    std::size_t pos = 0;
    if (!text.empty() && text.front() == '\'') {
        for (pos = 1;; ++pos) {
            if (pos >= text.size()) {
                return std::nullopt;
            }
            if (text[pos] == '\'') {
                if (pos + 1 < text.size() && text[pos + 1] == '\'') {
                    range.sheet += '\'';
                    ++pos;
                    continue;
                }
                ++pos;
                break;
            }
            range.sheet += text[pos];
        }
    } else {
        while (pos < text.size() && isBareSheetChar(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        }
        range.sheet = std::string(text.substr(0, pos));
    }
    // "[1]Sheet!" and "S1:S3!" never get here whole: "[" and ":" end a bare name.
    if (range.sheet.empty() || pos >= text.size() || text[pos] != '!' ||
        range.sheet.front() == '[' || range.sheet.find(':') != std::string::npos) {
        return std::nullopt;
    }
    const auto block = parseRangeRef(text.substr(pos + 1));
    if (!block) {
        return std::nullopt;
    }
    range.first = block->first;
    range.last = block->second;
    return range;
}

}  // namespace pv::host
