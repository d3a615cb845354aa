#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host/CsvFile.h"
#include "host/cells/NumberFormat.h"

namespace {

using pv::host::formatWithCode;

struct CodeCase {
    double value;
    const char* code;
    const char* text;
};

class NumberFormatTest : public testing::TestWithParam<CodeCase> {};

TEST_P(NumberFormatTest, ShowsTheNumberAsItsFormatDoes) {
    EXPECT_EQ(formatWithCode(GetParam().value, GetParam().code),
              std::optional<std::string>(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, NumberFormatTest,
    testing::Values(
        // decimals, rounded half away from zero at 15 digits, as cells show them; optional digits
        // dropped
        CodeCase{3.14159, "0.00", "3.14"}, CodeCase{2.5, "0", "3"}, CodeCase{1.005, "0.00", "1.01"},
        CodeCase{-2.5, "0", "-3"}, CodeCase{0.5, "#.##", ".5"}, CodeCase{0.5, "#.00", ".50"},
        CodeCase{7, "0.0#", "7.0"}, CodeCase{1234567, "#,##0", "1,234,567"},
        CodeCase{999.999, "#,##0.00", "1,000.00"}, CodeCase{12, "000", "012"},
        // percentages multiply by a hundred for each "%"
        CodeCase{0.125, "0.00%", "12.50%"}, CodeCase{0.5, "0%", "50%"},
        CodeCase{-0.031, "0.0%", "-3.1%"},
        // literal text: quoted, escaped, currency tags, blanks for "_x", nothing for fills and
        // colours
        CodeCase{1234.5, "\"$\"#,##0.00", "$1,234.50"},
        CodeCase{-1234.5, "\"$\"#,##0.00", "-$1,234.50"},
        CodeCase{1234.5, "#,##0.00 [$€-407]", "1,234.50 €"}, CodeCase{5, "0\\ \"kg\"", "5 kg"},
        CodeCase{5, "[$-409]0.0", "5.0"}, CodeCase{5, "0_);(0)", "5 "}, CodeCase{5, "* #,##0", "5"},
        CodeCase{-5, "[Red]0.00", "-5.00"},
        // sections: negative without its own sign, zero, and a value rounding to zero shows none
        CodeCase{-5, "0.00;(0.00)", "(5.00)"}, CodeCase{0, "0.00;(0.00);\"zero\"0", "zero0"},
        CodeCase{-0.001, "0.00", "0.00"}));

// What these codes show is left to General (or the date formats) by the caller.
TEST(NumberFormat, LeavesWhatItDoesNotRenderToGeneral) {
    for (const char* code : {"", "General", "0.00E+00", "# ?/?", "@", "[>100]0;0", "000-0000", "0,",
                             "\"text only\"", "0.0.0"}) {
        EXPECT_EQ(formatWithCode(1234.5, code), std::nullopt) << code;
    }
    EXPECT_EQ(formatWithCode(1e300, "0.00"), std::nullopt);
}

TEST(CsvField, QuotesWhatWouldBreakTheRow) {
    EXPECT_EQ(pv::host::csvField("plain text"), "plain text");
    EXPECT_EQ(pv::host::csvField("a, \"b\""), "\"a, \"\"b\"\"\"");
    EXPECT_EQ(pv::host::csvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(pv::host::csvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(pv::host::csvField(""), "");
}

}  // namespace
