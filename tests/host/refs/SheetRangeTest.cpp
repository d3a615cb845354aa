#include "host/refs/SheetRange.h"

#include <gtest/gtest.h>

namespace {

using pv::host::CellRef;
using pv::host::parseSheetRange;

TEST(SheetRangeTest, ReadsOneBlockOfOneSheet) {
    auto r = parseSheetRange("data!$B$2:$B$6");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->sheet, "data");
    EXPECT_EQ(r->first, (CellRef{2, 2}));
    EXPECT_EQ(r->last, (CellRef{6, 2}));

    r = parseSheetRange(" =+'Q1 ''data'''!C7 ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->sheet, "Q1 'data'");
    EXPECT_EQ(r->first, (CellRef{7, 3}));
    EXPECT_EQ(r->last, r->first);

    r = parseSheetRange("Sheet2!$B:$B");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->last.row, pv::host::kMaxRows);
}

TEST(SheetRangeTest, RefusesAnythingMore) {
    for (const char* formula :
         {"B2", "Sheet2!B2*2", "SUM(Sheet2!B2:B4)", "(Sheet2!B2,Sheet2!B4)", "Sheet2!Name",
          "[1]Sheet2!B2", "'[1]Sheet 2'!B2", "S1:S3!B2", "'S 1:S 3'!B2", "Sheet2!", "'Open!B2",
          "-Sheet2!B2", "Sheet 2!B2", "!B2"}) {
        EXPECT_FALSE(parseSheetRange(formula)) << formula;
    }
}

}  // namespace
