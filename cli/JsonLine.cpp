#include "cli/JsonLine.h"

#include <cmath>
#include <cstdio>

namespace pv::cli {

namespace {

// The length of the valid UTF-8 sequence starting at `i`, or 0.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned value = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < min || value > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
            ++i;
        } else if (const std::size_t length = utf8Length(text, i); length > 0) {
            quoted.append(text, i, length);
            i += length;
        } else {
            quoted += "\\ufffd";
            ++i;
        }
    }
    return quoted + "\"";
}

JsonLine& JsonLine::field(const std::string& name, const std::string& text) {
    if (body_.size() > 1)
        body_ += ",";
    body_ += jsonString(name) + ":" + jsonString(text);
    return *this;
}

JsonLine& JsonLine::field(const std::string& name, int number) {
    return field(name, static_cast<long long>(number));
}

JsonLine& JsonLine::field(const std::string& name, long long number) {
    if (body_.size() > 1)
        body_ += ",";
    body_ += jsonString(name) + ":" + std::to_string(number);
    return *this;
}

JsonLine& JsonLine::field(const std::string& name, double number, int decimals) {
    if (body_.size() > 1)
        body_ += ",";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::isfinite(number) ? number : 0.0);
    body_ += jsonString(name) + ":" + text;
    return *this;
}

}  // namespace pv::cli
