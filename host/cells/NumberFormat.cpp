#include "host/cells/NumberFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pv::host {

namespace {

// The sections of a code, split at ";" outside quotes, escapes and brackets.
std::vector<std::string_view> sections(std::string_view code) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const std::size_t close = code.find(']', i);
            i = close == std::string_view::npos ? code.size() : close;
        } else if (c == ';') {
            parts.push_back(code.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(code.substr(start));
    return parts;
}

// One section read: the text before and after its digits, and how the digits are laid out.
struct Layout {
    std::string prefix, suffix;
    int integerZeros = 0;  // "0" placeholders before the point: digits always shown
    int decimals = 0;      // placeholders after the point
    int decimalZeros = 0;  // of which "0" or "?": always shown
    bool thousands = false;
    int percents = 0;
    bool placeholders = false;
};

bool isPlaceholder(char c) {
    return c == '0' || c == '#' || c == '?';
}

std::optional<Layout> readSection(std::string_view section) {
    Layout layout;
    bool afterPoint = false;
    bool digitsEnded = false;
    const auto literal = [&](std::string_view text) -> bool {
        if (layout.placeholders && !digitsEnded) {
            digitsEnded = true;  // text after the digits: none may follow it
        }
        (layout.placeholders ? layout.suffix : layout.prefix) += text;
        return true;
    };
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (isPlaceholder(c) || c == '.' || (c == ',' && layout.placeholders && !digitsEnded)) {
            if (digitsEnded) {
                return std::nullopt;  // text between digits ("000-0000")
            }
            if (c == '.') {
                if (afterPoint) {
                    return std::nullopt;
                }
                afterPoint = true;
            } else if (c == ',') {
                // A comma after the last placeholder scales by 1000: not rendered here.
                if (i + 1 >= section.size() || !isPlaceholder(section[i + 1])) {
                    return std::nullopt;
                }
                layout.thousands = true;
            } else {
                layout.placeholders = true;
                if (afterPoint) {
                    ++layout.decimals;
                    if (c != '#') {
                        layout.decimalZeros = layout.decimals;
                    }
                } else if (c != '#') {
                    ++layout.integerZeros;
                }
            }
        } else if (c == '"') {
            const std::size_t close = section.find('"', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            literal(section.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '\\') {
            if (i + 1 < section.size()) {
                literal(section.substr(++i, 1));
            }
        } else if (c == '_') {
            ++i;
            literal(" ");
        } else if (c == '*') {
            ++i;  // a fill to the column's width: nothing in a value's text
        } else if (c == '[') {
            const std::size_t close = section.find(']', i);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            const std::string_view inside = section.substr(i + 1, close - i - 1);
            if (inside.starts_with('$')) {
                literal(inside.substr(1, inside.find('-') == std::string_view::npos
                                             ? std::string_view::npos
                                             : inside.find('-') - 1));
            } else if (inside.empty() || inside.front() == '<' || inside.front() == '>' ||
                       inside.front() == '=') {
                return std::nullopt;  // a condition
            }
            // Anything else is a colour: it does not change the text.
            i = close;
        } else if (c == '%') {
            ++layout.percents;
            literal("%");
        } else if (c == 'E' || c == 'e' || c == '/' || c == '@' || c == 'G' || c == 'g') {
            return std::nullopt;  // scientific, fraction, text, General
        } else {
            literal(section.substr(i, 1));
        }
    }
    if (!layout.placeholders) {
        return std::nullopt;
    }
    return layout;
}

std::string withGrouping(const std::string& digits) {
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace

std::optional<std::string> formatWithCode(double value, std::string_view formatCode) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = sections(formatCode);
    if (parts.size() > 4) {
        return std::nullopt;
    }
    std::string_view section = parts[0];
    bool minus = value < 0;
    if (value < 0 && parts.size() >= 2) {
        section = parts[1];
        minus = false;  // the negative section shows its own sign, if any
    } else if (value == 0 && parts.size() >= 3) {
        section = parts[2];
    }
    const std::optional<Layout> layout = readSection(section);
    if (!layout) {
        return std::nullopt;
    }
    double shown = std::fabs(value) * std::pow(100.0, layout->percents);
    if (shown >= 1e15) {
        return std::nullopt;
    }
    // Rounded as a cell shows it: at 15 significant digits first (1.005 is 1.005, not
    // 1.00499999...), then half away from zero.
    char text[64];
    const double scale = std::pow(10.0, layout->decimals);
    std::snprintf(text, sizeof text, "%.15g", shown * scale);
    const double rounded = std::round(std::strtod(text, nullptr)) / scale;
    std::snprintf(text, sizeof text, "%.*f", layout->decimals, rounded);
    std::string digits = text;
    std::string fraction;
    if (const std::size_t point = digits.find('.'); point != std::string::npos) {
        fraction = digits.substr(point + 1);
        digits.resize(point);
    }
    while (fraction.size() > static_cast<std::size_t>(layout->decimalZeros) &&
           fraction.back() == '0') {
        fraction.pop_back();
    }
    if (digits == "0" && layout->integerZeros == 0) {
        digits.clear();
    }
    while (digits.size() < static_cast<std::size_t>(layout->integerZeros)) {
        digits.insert(digits.begin(), '0');
    }
    if (minus && (digits.find_first_not_of('0') != std::string::npos ||
                  fraction.find_first_not_of('0') != std::string::npos)) {
        minus = true;
    } else {
        minus = false;  // a value rounded to zero shows no sign
    }
    std::string result = minus ? "-" : "";
    result += layout->prefix;
    result += layout->thousands ? withGrouping(digits) : digits;
    if (layout->decimals > 0 && (!fraction.empty() || layout->decimalZeros > 0)) {
        result += '.' + fraction;
    } else if (layout->decimals > 0) {
        result += '.';  // "#.##" of a whole number keeps its point, as applications show it
    }
    result += layout->suffix;
    return result;
}

}  // namespace pv::host
