#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/cells/DateFormat.h"

namespace {

using pv::host::formatDateSerial;
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

}  // namespace
