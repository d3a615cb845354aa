#include <gtest/gtest.h>

#include "host/xml/XmlEscapes.h"

namespace {

struct EscapeCase {
    const char* name;
    const char* text;
    const char* decoded;
};

class XmlEscapesTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(XmlEscapesTest, DecodesValidEscapesOnly) {
    EXPECT_EQ(pv::host::decodeXmlEscapes(GetParam().text), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmlEscapesTest,
    testing::Values(EscapeCase{"Plain", "no escapes_here", "no escapes_here"},
                    EscapeCase{"Empty", "", ""}, EscapeCase{"CarriageReturn", "a_x000D_b", "a\rb"},
                    EscapeCase{"EitherCase", "_x000d__X000A_", "\r\n"},
                    EscapeCase{"Underscore", "_x005F_", "_"},
                    EscapeCase{"EscapedEscape", "_x005F_x0041_", "_x0041_"},
                    EscapeCase{"TwoByte", "_x00E9_t_x00e9_", "\xC3\xA9t\xC3\xA9"},
                    EscapeCase{"ThreeByte", "_x20AC_", "\xE2\x82\xAC"},
                    EscapeCase{"SurrogatePair", "_xD83D__xDE00_", "\xF0\x9F\x98\x80"},
                    EscapeCase{"LoneHighSurrogate", "_xD83D_x", "_xD83D_x"},
                    EscapeCase{"HighThenNonSurrogate", "_xD83D__x0041_", "_xD83D_A"},
                    EscapeCase{"LoneLowSurrogate", "_xDE00_", "_xDE00_"},
                    EscapeCase{"Nul", "_x0000_", "_x0000_"},
                    EscapeCase{"BadDigit", "_x00G1_", "_x00G1_"},
                    EscapeCase{"TooShort", "_x41_", "_x41_"},
                    EscapeCase{"Truncated", "ab_x004", "ab_x004"},
                    EscapeCase{"NoClosingUnderscore", "_x0041x", "_x0041x"},
                    EscapeCase{"AfterFailedStart", "__x0041_", "_A"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return info.param.name; });

TEST(XmlText, HoldsWellFormedUtf8OfXmlCharactersOnly) {
    using pv::host::isXmlText;
    for (const char* good : {"", "Sheet 1", "tab\there\r\n", "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC",
                             "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"}) {
        EXPECT_TRUE(isXmlText(good)) << good;
    }
    for (const char* bad : {"a\x01", "\x1F", "\xFF", "\xC3", "\xC0\x80", "\xE0\x80\x80",
                            "\xED\xA0\x80", "\xEF\xBF\xBE", "\xF4\x90\x80\x80", "\x80", "\xC3("}) {
        EXPECT_FALSE(isXmlText(bad)) << bad;
    }
}

}  // namespace
