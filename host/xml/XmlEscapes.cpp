#include "host/xml/XmlEscapes.h"

#include <optional>

namespace pv::host {

namespace {

constexpr std::size_t kEscapeLength = 7;  // _xHHHH_

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The UTF-16 unit of the escape starting at `at`, if one starts there.
std::optional<char32_t> escapeAt(std::string_view text, std::size_t at) {
    if (text.size() - at < kEscapeLength || text[at] != '_' ||
        (text[at + 1] != 'x' && text[at + 1] != 'X') || text[at + 6] != '_') {
        return std::nullopt;
    }
    char32_t unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = hexValue(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        unit = unit * 16 + static_cast<char32_t>(digit);
    }
    return unit;
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

bool isXmlText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') {
                return false;
            }
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || i + length > text.size()) {
            return false;
        }
        char32_t cp = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        const char32_t shortest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (cp < shortest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE ||
            cp == 0xFFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string decodeXmlEscapes(std::string_view text) {
    if (text.find('_') == std::string_view::npos) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::optional<char32_t> unit = escapeAt(text, i);
        if (!unit || *unit == 0 || isLowSurrogate(*unit)) {
            out += text[i++];
            continue;
        }
        if (!isHighSurrogate(*unit)) {
            appendUtf8(*unit, out);
            i += kEscapeLength;
            continue;
        }
        const std::optional<char32_t> low = escapeAt(text, i + kEscapeLength);
        if (!low || !isLowSurrogate(*low)) {
            out += text[i++];
            continue;
        }
        appendUtf8(0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00), out);
        i += 2 * kEscapeLength;
    }
    return out;
}

}  // namespace pv::host
