#include "host/cells/GeneralFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pv::host {

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kLargestPlainExponent = 14;
constexpr int kSmallestPlainExponent = -9;

// The rounded value as its significant digits (trailing zeros removed) and decimal exponent:
// value = d.ddd × 10^exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal roundToSignificant(double magnitude) {
    // "%.14e" rounds the binary value correctly to 15 significant digits: "d.dddddddddddddde±XX".
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, magnitude);
    std::string mantissa(text, text + 1);
    const char* cursor = text + 2;  // past "d."
    while (*cursor != 'e') {
        mantissa += *cursor++;
    }
    Decimal decimal;
    decimal.exponent = std::atoi(cursor + 1);
    while (mantissa.size() > 1 && mantissa.back() == '0') {
        mantissa.pop_back();
    }
    decimal.digits = std::move(mantissa);
    return decimal;
}

std::string plainForm(const Decimal& decimal) {
    const int digitCount = static_cast<int>(decimal.digits.size());
    if (decimal.exponent < 0) {
        return "0." + std::string(static_cast<std::size_t>(-decimal.exponent - 1), '0') +
               decimal.digits;
    }
    const int integerDigits = decimal.exponent + 1;
    if (digitCount <= integerDigits) {
        return decimal.digits +
               std::string(static_cast<std::size_t>(integerDigits - digitCount), '0');
    }
    return decimal.digits.substr(0, static_cast<std::size_t>(integerDigits)) + "." +
           decimal.digits.substr(static_cast<std::size_t>(integerDigits));
}

std::string scientificForm(const Decimal& decimal) {
    std::string text = decimal.digits.substr(0, 1);
    if (decimal.digits.size() > 1) {
        text += "." + decimal.digits.substr(1);
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "E%c%02d", decimal.exponent < 0 ? '-' : '+',
                  std::abs(decimal.exponent));
    return text + exponent;
}

}  // namespace

std::string formatGeneral(double value) {
    if (!std::isfinite(value)) {
        return "#NUM!";
    }
    if (value == 0.0) {
        return "0";  // also -0
    }
    const Decimal decimal = roundToSignificant(std::fabs(value));
    const bool plain =
        decimal.exponent >= kSmallestPlainExponent && decimal.exponent <= kLargestPlainExponent;
    return (value < 0 ? "-" : "") + (plain ? plainForm(decimal) : scientificForm(decimal));
}

}  // namespace pv::host
