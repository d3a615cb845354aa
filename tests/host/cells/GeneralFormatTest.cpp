#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/cells/GeneralFormat.h"

namespace {

struct GeneralCase {
    double value;
    const char* text;
};

class GeneralFormatTest : public testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralFormatTest, ShowsTheNumberAsACellDoes) {
    EXPECT_EQ(pv::host::formatGeneral(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, GeneralFormatTest,
    testing::Values(
        // integers, exactly up to 15 digits
        GeneralCase{0, "0"}, GeneralCase{-0.0, "0"}, GeneralCase{42, "42"}, GeneralCase{-7, "-7"},
        GeneralCase{1000, "1000"}, GeneralCase{123456789012345, "123456789012345"},
        GeneralCase{-123456789012345, "-123456789012345"},
        GeneralCase{100000000000000, "100000000000000"},
        // binary noise disappears at 15 digits; no trailing zeros or "."
        GeneralCase{0.1 + 0.2, "0.3"}, GeneralCase{1.5, "1.5"}, GeneralCase{2.50, "2.5"},
        GeneralCase{-0.25, "-0.25"}, GeneralCase{1.0 / 3, "0.333333333333333"},
        GeneralCase{2.0 / 3, "0.666666666666667"}, GeneralCase{3.999999999999999, "4"},
        GeneralCase{1234.5678, "1234.5678"},
        // small magnitudes: plain down to 1E-9
        GeneralCase{0.001, "0.001"}, GeneralCase{1e-9, "0.000000001"},
        GeneralCase{1.25e-9, "0.00000000125"}, GeneralCase{1e-10, "1E-10"},
        GeneralCase{-2.5e-12, "-2.5E-12"}, GeneralCase{1e-100, "1E-100"},
        // large magnitudes: scientific from 1E+15, also when rounding reaches it
        GeneralCase{1e15, "1E+15"}, GeneralCase{999999999999999.6, "1E+15"},
        GeneralCase{123456789012345678901.0, "1.23456789012346E+20"},
        GeneralCase{1234567890123456, "1.23456789012346E+15"}, GeneralCase{-1.5e300, "-1.5E+300"},
        GeneralCase{std::numeric_limits<double>::max(), "1.79769313486232E+308"},
        // what no cell holds still gives text
        GeneralCase{std::numeric_limits<double>::quiet_NaN(), "#NUM!"},
        GeneralCase{std::numeric_limits<double>::infinity(), "#NUM!"},
        GeneralCase{-std::numeric_limits<double>::infinity(), "#NUM!"},
        GeneralCase{std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"}));

}  // namespace
