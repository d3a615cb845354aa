#include <gtest/gtest.h>

#include "host/cells/CellRef.h"

namespace {

using pv::host::absoluteAddress;
using pv::host::CellRef;
using pv::host::columnLetters;
using pv::host::parseCellRef;
using pv::host::parseRangeRef;

TEST(CellRef, ParsesCellsInEveryNotation) {
    EXPECT_EQ(parseCellRef("B12"), (CellRef{12, 2}));
    EXPECT_EQ(parseCellRef("$B$12"), (CellRef{12, 2}));
    EXPECT_EQ(parseCellRef("b12"), (CellRef{12, 2}));
    EXPECT_EQ(parseCellRef("$b12"), (CellRef{12, 2}));
    EXPECT_EQ(parseCellRef("B$12"), (CellRef{12, 2}));
    EXPECT_EQ(parseCellRef("A1"), (CellRef{1, 1}));
    EXPECT_EQ(parseCellRef("XFD1048576"), (CellRef{1048576, 16384}));
    EXPECT_EQ(parseCellRef("AA100"), (CellRef{100, 27}));
}

TEST(CellRef, RejectsWhatNoSheetHolds) {
    for (const char* bad : {"", "A", "12", "A0", "A01", "XFE1", "AAAA1", "A1048577", "A99999999999",
                            "B12 ", " B12", "B12x", "B1:", "$", "$$A1", "A$", "1A", "B-1",
                            "\xC3\xA9"
                            "1"}) {
        EXPECT_FALSE(parseCellRef(bad)) << bad;
    }
    // The characters next to the letters, in either case: a sloppy case fold takes them in.
    for (const char* bad : {"@1", "[1", "`1", "{1", "A^1"}) {
        EXPECT_FALSE(parseCellRef(bad)) << bad;
    }
}

TEST(CellRef, ParsesRangesWithTheTopLeftCellFirst) {
    using Range = std::pair<CellRef, CellRef>;
    EXPECT_EQ(parseRangeRef("B2:D5"), (Range{{2, 2}, {5, 4}}));
    EXPECT_EQ(parseRangeRef("$B$2:$D$5"), (Range{{2, 2}, {5, 4}}));
    EXPECT_EQ(parseRangeRef("$C$7"), (Range{{7, 3}, {7, 3}}));
    EXPECT_EQ(parseRangeRef("D5:B2"), (Range{{2, 2}, {5, 4}}));
    EXPECT_EQ(parseRangeRef("D2:B5"), (Range{{2, 2}, {5, 4}}));
    EXPECT_EQ(parseRangeRef("$B:$D"), (Range{{1, 2}, {1048576, 4}}));
    EXPECT_EQ(parseRangeRef("$3:$3"), (Range{{3, 1}, {3, 16384}}));
    for (const char* bad : {"", ":", "B2:", ":D5", "B2:D", "B:5", "B2:D5:E6", "B2,D5", "B", "3",
                            "A0:B2", "B2:XFE5", "Sheet1!B2"}) {
        EXPECT_FALSE(parseRangeRef(bad)) << bad;
    }
}

TEST(CellRef, WritesColumnsAndAddresses) {
    EXPECT_EQ(columnLetters(1), "A");
    EXPECT_EQ(columnLetters(26), "Z");
    EXPECT_EQ(columnLetters(27), "AA");
    EXPECT_EQ(columnLetters(702), "ZZ");
    EXPECT_EQ(columnLetters(703), "AAA");
    EXPECT_EQ(columnLetters(16384), "XFD");
    EXPECT_EQ(columnLetters(0), "");
    EXPECT_EQ(columnLetters(16385), "");
    EXPECT_EQ(absoluteAddress(CellRef{7, 3}), "$C$7");
    EXPECT_EQ(absoluteAddress(CellRef{2, 2}, CellRef{5, 4}), "$B$2:$D$5");
    EXPECT_EQ(absoluteAddress(CellRef{7, 3}, CellRef{7, 3}), "$C$7");
    EXPECT_EQ(absoluteAddress(CellRef{1, 2}, CellRef{1048576, 4}), "$B:$D");
    EXPECT_EQ(absoluteAddress(CellRef{3, 1}, CellRef{3, 16384}), "$3:$3");
}

TEST(CellRef, AddressesReadBackToTheSameRange) {
    for (const char* text :
         {"$B$2:$D$5", "$C$7", "$XFD$1048576", "$B:$D", "$3:$3", "$A$2:$XFC$1048576"}) {
        const auto range = parseRangeRef(text);
        ASSERT_TRUE(range) << text;
        EXPECT_EQ(absoluteAddress(range->first, range->second), text);
    }
}

}  // namespace
