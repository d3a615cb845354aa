#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/cells/DateFormat.h"

namespace {

using pv::host::formatDateSerial;
using pv::host::formatDateWithCode;
using pv::host::formatTimeSerial;
using pv::host::isDateFormat;
using pv::host::isTimeOnlyFormat;

struct FormatCase {
    int id;
    const char* code;
    bool date;
    bool timeOnly;
};

class DateFormatCodeTest : public testing::TestWithParam<FormatCase> {};

TEST_P(DateFormatCodeTest, RecognisesDateAndTimeFormats) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(isDateFormat(c.id, c.code), c.date) << c.id << " " << c.code;
    EXPECT_EQ(isTimeOnlyFormat(c.id, c.code), c.timeOnly) << c.id << " " << c.code;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DateFormatCodeTest,
    testing::Values(
        // built-in ids, whatever code comes with them
        FormatCase{14, "", true, false}, FormatCase{22, "", true, false},
        FormatCase{18, "", true, true}, FormatCase{46, "", true, true},
        FormatCase{27, "", true, false}, FormatCase{58, "", true, false},
        FormatCase{0, "", false, false}, FormatCase{2, "0.00", false, false},
        FormatCase{3, "#,##0", false, false}, FormatCase{49, "@", false, false},
        FormatCase{23, "", false, false}, FormatCase{59, "", false, false},
        // custom codes
        FormatCase{164, "General", false, false}, FormatCase{164, "0.00E+00", false, false},
        FormatCase{164, "yyyy-mm-dd", true, false}, FormatCase{164, "DD/MM/YYYY", true, false},
        FormatCase{164, "mmm", true, false}, FormatCase{164, "h:mm AM/PM", true, true},
        FormatCase{164, "mm:ss", true, true}, FormatCase{164, "[h]:mm:ss", true, true},
        FormatCase{164, "[mm]", true, true}, FormatCase{164, "[$-409]d-mmm-yy", true, false},
        FormatCase{164, "[Red][<0]0.00", false, false},
        FormatCase{164, "[$-409]#,##0", false, false},
        FormatCase{164, "0.00\" days\"", false, false}, FormatCase{164, "#,##0\\h", false, false},
        FormatCase{164, "#,##0_h", false, false}, FormatCase{164, "#,##0*s", false, false},
        // only the first section counts
        FormatCase{164, "0.00;\"due \"dd/mm", false, false},
        FormatCase{164, "dd/mm;0.00", true, false},
        // unterminated quote or bracket: nothing after it counts
        FormatCase{164, "0\"yy", false, false}, FormatCase{164, "0[Red", false, false}));

struct SerialCase {
    double serial;
    bool date1904;
    const char* text;
};

class DateSerialTest : public testing::TestWithParam<SerialCase> {};

TEST_P(DateSerialTest, GivesTheOneTextForm) {
    const SerialCase& c = GetParam();
    EXPECT_EQ(formatDateSerial(c.serial, c.date1904), c.text) << c.serial;
}

INSTANTIATE_TEST_SUITE_P(
    Serials, DateSerialTest,
    testing::Values(SerialCase{1, false, "1900-01-01"}, SerialCase{59, false, "1900-02-28"},
                    SerialCase{60, false, "1900-02-29"}, SerialCase{61, false, "1900-03-01"},
                    SerialCase{0, false, "1900-01-00"}, SerialCase{45000, false, "2023-03-15"},
                    SerialCase{44927.5, false, "2023-01-01 12:00:00"},
                    SerialCase{44927.75, false, "2023-01-01 18:00:00"},
                    SerialCase{0.5, false, "1900-01-00 12:00:00"},
                    // rounding to the second, up into the next day
                    SerialCase{44927 + 1.0 / 86400 * 0.6, false, "2023-01-01 00:00:01"},
                    SerialCase{44927.9999999, false, "2023-01-02"},
                    SerialCase{2958465, false, "9999-12-31"},
                    SerialCase{2958465.99999, false, "9999-12-31 23:59:59"},
                    // 1904 system
                    SerialCase{0, true, "1904-01-01"}, SerialCase{1, true, "1904-01-02"},
                    SerialCase{43465, true, "2023-01-01"}, SerialCase{2957003, true, "9999-12-31"},
                    // no date: the number
                    SerialCase{-1, false, "-1"}, SerialCase{2958466, false, "2958466"},
                    SerialCase{2957004, true, "2957004"},
                    SerialCase{2958465.999999999, false, "2958466"},
                    SerialCase{1e300, false, "1E+300"},
                    SerialCase{std::numeric_limits<double>::quiet_NaN(), false, "#NUM!"}));

TEST(DateSerial, TimesOfDayAndElapsedTimes) {
    EXPECT_EQ(formatTimeSerial(0.5, false), "12:00:00");
    EXPECT_EQ(formatTimeSerial(0.75 + 30.0 / 86400, false), "18:00:30");
    EXPECT_EQ(formatTimeSerial(1.5, false), "12:00:00");
    EXPECT_EQ(formatTimeSerial(1.5, true), "36:00:00");
    EXPECT_EQ(formatTimeSerial(0.99999999, false), "00:00:00");
    EXPECT_EQ(formatTimeSerial(-0.5, false), "-0.5");
}

struct CodeCase {
    double serial;
    const char* code;
    const char* text;
};

std::string shown(double serial, std::string_view code, bool date1904 = false) {
    return formatDateWithCode(serial, 0, code, date1904).value_or("<none>");
}

// The calendar ends of both date systems: the 1900 system's fictitious leap day keeps its place
// in the weeks, the 1904 system starts on a Friday.
TEST(DateWithCode, DateSystemsAndTheirWeekdays) {
    for (const CodeCase& c :
         {CodeCase{60, "m/d/yyyy dddd", "2/29/1900 Wednesday"},
          CodeCase{59, "m/d/yyyy ddd", "2/28/1900 Tue"},
          CodeCase{61, "m/d/yyyy ddd", "3/1/1900 Thu"},
          CodeCase{1, "dddd d mmmm yyyy", "Sunday 1 January 1900"},
          CodeCase{0, "m/d/yyyy", "1/0/1900"}, CodeCase{2958465, "yyyy-mm-dd", "9999-12-31"}}) {
        EXPECT_EQ(shown(c.serial, c.code), c.text) << c.serial << " " << c.code;
    }
    EXPECT_EQ(shown(0, "dddd m/d/yyyy", true), "Friday 1/1/1904");
    EXPECT_EQ(shown(1461, "m/d/yy", true), "1/1/08");
    EXPECT_EQ(formatDateWithCode(14, 14, "", true), "1/15/1904");
    EXPECT_EQ(formatDateWithCode(44196, 14, "", false), "12/31/2020");
    EXPECT_EQ(formatDateWithCode(44196.75, 22, "", false), "12/31/2020 18:00");
}

// A clock is cut to its shown precision, beside a date rounding into the next day only near
// midnight; a time of day alone stays on the last second, an elapsed time rounds; 0:00 and 12:00
// are 12 AM and 12 PM.
TEST(DateWithCode, RoundingAndTwelveHourClocks) {
    const double late = 44196.99999999;  // 0.86 ms before midnight
    for (const CodeCase& c :
         {CodeCase{late, "m/d/yyyy h:mm:ss", "1/1/2021 0:00:00"},
          CodeCase{late, "yyyy-mm-dd", "2020-12-31"},
          CodeCase{36526.000011574, "m/d/yyyy h:mm:ss", "1/1/2000 0:00:00"},
          CodeCase{late, "h:mm:ss", "23:59:59"}, CodeCase{late, "hh:mm:ss.00", "23:59:59.99"},
          CodeCase{late, "[h]:mm:ss", "1060728:00:00"},
          CodeCase{0.5 + 59.6 / 86400, "h:mm", "12:00"},
          CodeCase{0.5 + 59.6 / 86400, "h:mm:ss", "12:00:59"},
          CodeCase{0.5 + 59.6 / 86400, "mm:ss.0", "00:59.6"}, CodeCase{0, "h:mm AM/PM", "12:00 AM"},
          CodeCase{0.5, "h:mm AM/PM", "12:00 PM"}, CodeCase{13.0 / 24, "hh AM/PM", "01 PM"},
          CodeCase{11.0 / 24, "h a/p", "11 a"}, CodeCase{2.25, "[mm]:ss", "3240:00"},
          CodeCase{1.25, R"([h] \h mm)", "30 h 00"}}) {
        EXPECT_EQ(shown(c.serial, c.code), c.text) << c.serial << " " << c.code;
    }
}

// m is minutes right after an hour or right before a second, a month otherwise; text, colours
// and locale tags come through or drop as the code says.
TEST(DateWithCode, TokensAndLiterals) {
    const double stamp = 44259.21258101852;  // 2021-03-04 05:06:07, a Thursday
    for (const CodeCase& c :
         {CodeCase{stamp, "m", "3"}, CodeCase{stamp, "h:m", "5:6"}, CodeCase{stamp, "m:ss", "6:07"},
          CodeCase{stamp, "mmm mmmm mmmmm", "Mar March M"},
          CodeCase{stamp, "d dd ddd dddd", "4 04 Thu Thursday"},
          CodeCase{stamp, "yy yyyy", "21 2021"}, CodeCase{stamp, R"(\Q\1 "d:"d)", "Q1 d:4"},
          CodeCase{stamp, "[$-409]mmmm d, yyyy", "March 4, 2021"},
          CodeCase{stamp, "[Blue]yyyy;[Red]0", "2021"}, CodeCase{stamp, "d_)*-m", "4 3"}}) {
        EXPECT_EQ(shown(c.serial, c.code), c.text) << c.code;
    }
}

// What is not rendered is left to the caller's plain form.
TEST(DateWithCode, WhatItDoesNotRender) {
    for (const char* code :
         {"0.00", "General", "[<1]h:mm", "[ss].00", "yyyy 0", R"("unclosed d)", "ge.m.d", "@"}) {
        EXPECT_EQ(formatDateWithCode(44196, 0, code, false), std::nullopt) << code;
    }
    EXPECT_EQ(formatDateWithCode(-1, 0, "m/d/yyyy", false), std::nullopt);
    EXPECT_EQ(formatDateWithCode(2958466, 0, "m/d/yyyy", false), std::nullopt);
    EXPECT_EQ(formatDateWithCode(std::nan(""), 0, "m/d/yyyy", false), std::nullopt);
    EXPECT_EQ(formatDateWithCode(44196, 27, "", false), std::nullopt);
}

}  // namespace
