#include "host/cells/DateFormat.h"

#include <cctype>
#include <cmath>
#include <cstdio>

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
