#include "host/cells/DateFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "host/cells/BuiltInFormats.h"
#include "host/cells/GeneralFormat.h"

namespace pv::host {

namespace {

struct FormatTokens {
    bool date = false;   // d or y
    bool time = false;   // h or s (including [h], [m], [s])
    bool month = false;  // m: a month, or minutes beside h or s
};

bool isBuiltInDate(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool isBuiltInTimeOnly(int id) {
    return (id >= 18 && id <= 21) || (id >= 45 && id <= 47);
}

// [h], [hh], [mm], [s]...: one letter of h, m or s repeated.
bool isElapsedBracket(std::string_view inside) {
    if (inside.empty()) {
        return false;
    }
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(inside[0])));
    if (letter != 'h' && letter != 'm' && letter != 's') {
        return false;
    }
    for (char c : inside) {
        if (std::tolower(static_cast<unsigned char>(c)) != letter) {
            return false;
        }
    }
    return true;
}

void noteToken(char c, FormatTokens& tokens) {
    switch (std::tolower(static_cast<unsigned char>(c))) {
        case 'd':
        case 'y':
            tokens.date = true;
            break;
        case 'h':
        case 's':
            tokens.time = true;
            break;
        case 'm':
            tokens.month = true;
            break;
        default:
            break;
    }
}

// Scans the first section of a format code for date and time tokens.
FormatTokens scanFirstSection(std::string_view code) {
    FormatTokens tokens;
    std::size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == ';') {
            break;
        }
        if (c == '"') {
            const std::size_t close = code.find('"', i + 1);
            i = close == std::string_view::npos ? code.size() : close + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            i += 2;  // the next character is literal text or a fill
        } else if (c == '[') {
            const std::size_t close = code.find(']', i + 1);
            const std::string_view inside = code.substr(
                i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
            if (isElapsedBracket(inside)) {
                tokens.time = true;
            }
            i = close == std::string_view::npos ? code.size() : close + 1;
        } else {
            noteToken(c, tokens);
            ++i;
        }
    }
    return tokens;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
struct CivilDate {
    long long year;
    int month;
    int day;
};

CivilDate civilFromDays(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Day numbers (days since 1970-01-01) of each system's serial 0.
constexpr long long kEpoch1904 = -24107;           // 1904-01-01
constexpr long long kEpoch1900AfterLeap = -25569;  // 1899-12-30: serials from 61 on
constexpr long long kSecondsPerDay = 86400;

CivilDate dateOfSerialDay(long long day, bool date1904) {
    if (date1904) {
        return civilFromDays(kEpoch1904 + day);
    }
    if (day == 0) {
        return {1900, 1, 0};
    }
    if (day == 60) {
        return {1900, 2, 29};
    }
    // Before the fictitious leap day the serials count from 1899-12-31, one day later.
    return civilFromDays(kEpoch1900AfterLeap + day + (day < 60 ? 1 : 0));
}

std::string clockText(long long hours, long long secondsOfHour) {
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", hours, secondsOfHour / 60,
                  secondsOfHour % 60);
    return text;
}

}  // namespace

bool isDateFormat(int numFmtId, std::string_view formatCode) {
    if (isBuiltInDate(numFmtId)) {
        return true;
    }
    const FormatTokens tokens = scanFirstSection(formatCode);
    return tokens.date || tokens.time || tokens.month;
}

bool isTimeOnlyFormat(int numFmtId, std::string_view formatCode) {
    if (isBuiltInDate(numFmtId)) {
        return isBuiltInTimeOnly(numFmtId);
    }
    const FormatTokens tokens = scanFirstSection(formatCode);
    return tokens.time && !tokens.date;
}

std::string formatDateSerial(double serial, bool date1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 1e7) {
        return formatGeneral(serial);
    }
    const long long totalSeconds = std::llround(serial * kSecondsPerDay);
    const long long day = totalSeconds / kSecondsPerDay;
    const long long secondsOfDay = totalSeconds % kSecondsPerDay;
    const CivilDate date = dateOfSerialDay(day, date1904);
    if (date.year > 9999) {
        return formatGeneral(serial);
    }
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d", date.year, date.month, date.day);
    if (secondsOfDay == 0) {
        return text;
    }
    return std::string(text) + " " + clockText(secondsOfDay / 3600, secondsOfDay % 3600);
}

std::string formatTimeSerial(double serial, bool elapsed) {
    if (!std::isfinite(serial) || serial < 0 || serial > 1e7) {
        return formatGeneral(serial);
    }
    long long totalSeconds = std::llround(serial * kSecondsPerDay);
    if (!elapsed) {
        totalSeconds %= kSecondsPerDay;
    }
    return clockText(totalSeconds / 3600, totalSeconds % 3600);
}

}  // namespace pv::host

namespace pv::host {

namespace {

enum class Part { Text, Year, Month, Minute, Day, Hour, Second, AmPm, AP };

struct Piece {
    Part part = Part::Text;
    int count = 0;         // letters in the token
    bool elapsed = false;  // [h], [mm], [ss]
    int fraction = 0;      // digits of a second's fraction: ss.00
    std::string text;      // Text only
};

bool isColourOrLocale(std::string_view inside) {
    if (inside.starts_with("$-")) {
        return true;
    }
    std::string lower;
    for (char c : inside) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (std::string_view colour :
         {"black", "blue", "cyan", "green", "magenta", "red", "white", "yellow"}) {
        if (lower == colour) {
            return true;
        }
    }
    return lower.starts_with("color") && lower.size() > 5 &&
           lower.find_first_not_of("0123456789", 5) == std::string::npos;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::size_t runOf(std::string_view code, std::size_t at, char lower) {
    std::size_t n = 0;
    while (at + n < code.size() &&
           std::tolower(static_cast<unsigned char>(code[at + n])) == lower) {
        ++n;
    }
    return n;
}

// The first section of a date code as pieces; nothing for what formatDateWithCode leaves alone.
std::optional<std::vector<Piece>> parseDateCode(std::string_view code) {
    std::vector<Piece> pieces;
    const auto literal = [&pieces](std::string_view text) {
        if (pieces.empty() || pieces.back().part != Part::Text) {
            pieces.push_back({Part::Text, 0, false, 0, {}});
        }
        pieces.back().text += text;
    };
    std::size_t i = 0;
    while (i < code.size() && code[i] != ';') {
        const char c = code[i];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"') {
            const std::size_t close = code.find('"', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            literal(code.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (c == '\\' && i + 1 < code.size()) {
            literal(code.substr(i + 1, 1));
            i += 2;
        } else if (c == '_' && i + 1 < code.size()) {
            literal(" ");
            i += 2;
        } else if (c == '*' && i + 1 < code.size()) {
            i += 2;
        } else if (c == '[') {
            const std::size_t close = code.find(']', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            const std::string_view inside = code.substr(i + 1, close - i - 1);
            if (isElapsedBracket(inside)) {
                const char letter =
                    static_cast<char>(std::tolower(static_cast<unsigned char>(inside[0])));
                const Part part = letter == 'h'   ? Part::Hour
                                  : letter == 'm' ? Part::Minute
                                                  : Part::Second;
                pieces.push_back({part, static_cast<int>(inside.size()), true, 0, {}});
            } else if (!isColourOrLocale(inside)) {
                return std::nullopt;
            }
            i = close + 1;
        } else if (startsWithNoCase(code.substr(i), "am/pm")) {
            pieces.push_back({Part::AmPm, 0, false, 0, {}});
            i += 5;
        } else if (startsWithNoCase(code.substr(i), "a/p")) {
            pieces.push_back({Part::AP, 0, false, 0, {}});
            i += 3;
        } else if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's') {
            const std::size_t n = runOf(code, i, lower);
            const Part part = lower == 'y'   ? Part::Year
                              : lower == 'm' ? Part::Month
                              : lower == 'd' ? Part::Day
                              : lower == 'h' ? Part::Hour
                                             : Part::Second;
            pieces.push_back({part, static_cast<int>(n), false, 0, {}});
            i += n;
        } else if (c == '.' && !pieces.empty() && pieces.back().part == Part::Second &&
                   i + 1 < code.size() && code[i + 1] == '0') {
            const std::size_t n = runOf(code, i + 1, '0');
            if (n > 3 || pieces.back().elapsed) {
                return std::nullopt;
            }
            pieces.back().fraction = static_cast<int>(n);
            i += 1 + n;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '#' || c == '?' ||
                   c == '@' || c == '%') {
            return std::nullopt;  // digits, text placeholders and other letters are no date
        } else {
            literal(code.substr(i, 1));
            ++i;
        }
    }
    // An m or mm right after an hour or right before a second counts minutes.
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (pieces[k].part != Part::Month || pieces[k].count > 2) {
            continue;
        }
        const auto neighbour = [&pieces](std::size_t from, int step) -> const Piece* {
            for (auto j = static_cast<long>(from) + step;
                 j >= 0 && j < static_cast<long>(pieces.size()); j += step) {
                const Piece& p = pieces[static_cast<std::size_t>(j)];
                if (p.part != Part::Text) {
                    return &p;
                }
            }
            return nullptr;
        };
        const Piece* before = neighbour(k, -1);
        const Piece* after = neighbour(k, 1);
        if ((before && before->part == Part::Hour) || (after && after->part == Part::Second)) {
            pieces[k].part = Part::Minute;
        }
    }
    return pieces;
}

constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
constexpr std::string_view kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};

std::string padded(long long value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, value);
    return text;
}

}  // namespace

std::optional<std::string> formatDateWithCode(double serial, int numFmtId,
                                              std::string_view formatCode, bool date1904) {
    // A built-in id stands for its code only when it is a date or time format.
    const std::string_view code = !formatCode.empty()       ? formatCode
                                  : isBuiltInDate(numFmtId) ? builtInFormatCode(numFmtId)
                                                            : std::string_view();
    if (code.empty() || !std::isfinite(serial) || serial < 0 || serial > 3e6) {
        return std::nullopt;
    }
    const auto parsed = parseDateCode(code);
    if (!parsed) {
        return std::nullopt;
    }
    const std::vector<Piece>& pieces = *parsed;
    bool hasDate = false;
    bool hasClock = false;
    bool elapsed = false;
    bool twelveHour = false;
    int digits = 0;
    for (const Piece& p : pieces) {
        hasDate |= p.part == Part::Year || p.part == Part::Month || p.part == Part::Day;
        hasClock |= p.part == Part::Hour || p.part == Part::Minute || p.part == Part::Second;
        twelveHour |= p.part == Part::AmPm || p.part == Part::AP;
        elapsed |= p.elapsed;
        digits = std::max(digits, p.fraction);
    }
    long long scale = 1;
    for (int k = 0; k < digits; ++k) {
        scale *= 10;
    }
    const long long unitsPerDay = kSecondsPerDay * scale;
    long long day = static_cast<long long>(std::floor(serial));
    long long units = 0;  // of the clock, in 1/scale seconds
    if (elapsed) {
        // An elapsed time is rounded to the shown precision.
        units = std::llround(serial * static_cast<double>(unitsPerDay));
    } else if (hasClock || twelveHour) {
        // A time of day is cut to the shown precision, never rounded into the next second; the
        // slack of a few units in the serial's last place absorbs its binary error, no more.
        // Beside a date, only a clock that would round to midnight goes on to the next day.
        const double fraction = serial - std::floor(serial);
        const double slack = 8 * std::numeric_limits<double>::epsilon() * std::max(serial, 1.0);
        units = static_cast<long long>(
            std::floor((fraction + slack) * static_cast<double>(unitsPerDay)));
        units = std::min(units, unitsPerDay - 1);
        if (hasDate && std::llround(fraction * static_cast<double>(unitsPerDay)) >= unitsPerDay) {
            ++day;
            units = 0;
        }
    }
    const CivilDate date = dateOfSerialDay(day, date1904);
    if (date.year > 9999) {
        return std::nullopt;
    }
    // Weekday 0 is Sunday: 1900 serial 1 is a Sunday in that calendar, 1904 serial 0 a Friday.
    const auto weekday = static_cast<std::size_t>((day + (date1904 ? 5 : 6)) % 7);
    const long long totalSeconds = units / scale;
    const long long totalMinutes = totalSeconds / 60;
    const long long totalHours = totalSeconds / 3600;
    // Below an elapsed unit the smaller ones show what is left over; without one the hours wrap.
    const bool elapsedHours = std::any_of(pieces.begin(), pieces.end(), [](const Piece& p) {
        return p.elapsed && p.part == Part::Hour;
    });
    const long long hours = elapsedHours ? totalHours : totalHours % 24;
    const bool pm = hours % 24 >= 12;
    std::string text;
    for (const Piece& p : pieces) {
        switch (p.part) {
            case Part::Text:
                text += p.text;
                break;
            case Part::Year:
                text += p.count <= 2 ? padded(date.year % 100, 2) : padded(date.year, 4);
                break;
            case Part::Month: {
                const std::string_view name = kMonths[date.month - 1];
                text += p.count <= 2   ? padded(date.month, p.count)
                        : p.count == 3 ? std::string(name.substr(0, 3))
                        : p.count == 4 ? std::string(name)
                                       : std::string(name.substr(0, 1));
                break;
            }
            case Part::Day:
                text += p.count <= 2   ? padded(date.day, p.count)
                        : p.count == 3 ? std::string(kWeekdays[weekday].substr(0, 3))
                                       : std::string(kWeekdays[weekday]);
                break;
            case Part::Hour: {
                long long shown = hours;
                if (twelveHour && !p.elapsed) {
                    shown = hours % 12 == 0 ? 12 : hours % 12;
                }
                text += padded(shown, std::min(p.count, 2));
                break;
            }
            case Part::Minute:
                text += padded(p.elapsed ? totalMinutes : totalMinutes % 60, std::min(p.count, 2));
                break;
            case Part::Second:
                text += padded(p.elapsed ? totalSeconds : totalSeconds % 60, std::min(p.count, 2));
                if (p.fraction > 0) {
                    // The shown digits of the fraction, cut from the clock's finer units.
                    long long cut = scale;
                    for (int k = p.fraction; k < digits; ++k) {
                        cut /= 10;
                    }
                    text += "." + padded((units % scale) * cut / scale, p.fraction);
                }
                break;
            case Part::AmPm:
                text += pm ? "PM" : "AM";
                break;
            case Part::AP:
                text += pm ? "p" : "a";
                break;
        }
    }
    return text;
}

}  // namespace pv::host
