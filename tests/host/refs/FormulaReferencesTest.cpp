#include "host/refs/FormulaReferences.h"

#include <gtest/gtest.h>

namespace {

using pv::host::scanFormula;

struct Case {
    const char* formula;
    std::vector<std::string> sheets;
    bool threeD;
    bool external;
};

class FormulaReferencesTest : public ::testing::TestWithParam<Case> {};

TEST_P(FormulaReferencesTest, FindsSheetQualifiers) {
    const auto refs = scanFormula(GetParam().formula);
    EXPECT_EQ(refs.sheets, GetParam().sheets);
    EXPECT_EQ(refs.threeD, GetParam().threeD);
    EXPECT_EQ(refs.external, GetParam().external);
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, FormulaReferencesTest,
    ::testing::Values(Case{"A1+B2", {}, false, false}, Case{"Sheet2!A1", {"Sheet2"}, false, false},
                      Case{"'My ''Q'' Sheet'!$A$1*2", {"My 'Q' Sheet"}, false, false},
                      Case{"SUM(S1:S3!A1)", {}, true, false},
                      Case{"SUM('S 1:S 3'!A1)", {}, true, false},
                      Case{"\"Sheet9!A1\"&A1", {}, false, false},
                      Case{"[1]Data!A1", {}, false, true}, Case{"'[2]My Data'!B4", {}, false, true},
                      Case{"IF(#REF!,1,2)", {}, false, false},
                      Case{"Table1[[#This Row],[Qty]]*Rate", {}, false, false}));

TEST(FormulaIdentifiersTest, NamesAndTablesButNotFunctionsOrCells) {
    const auto refs = scanFormula("SUM(Table1[Qty])*Rate+A1");
    EXPECT_EQ(refs.identifiers, (std::vector<std::string>{"Table1", "Rate", "A1"}));
}

}  // namespace
