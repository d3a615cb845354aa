// Which defined names one sheet keeps, and which formulas of that sheet lose their meaning with
// the names that go: a name is looked up as the sheet's formulas would look it up (the sheet's
// own name first, then the workbook-wide one).
#include "host/refs/SheetScope.h"

#include <gtest/gtest.h>

#include "host/package/WorkbookModel.h"

namespace {

using pv::host::DefinedName;
using pv::host::SheetScope;
using pv::host::WorkbookModel;

WorkbookModel workbookWithNames(std::vector<DefinedName> names) {
    WorkbookModel model;
    for (const char* sheet : {"Kept", "Other"}) {
        pv::host::SheetEntry entry;
        entry.info.name = sheet;
        entry.part = std::string("xl/worksheets/") + sheet + ".xml";
        model.sheets.push_back(std::move(entry));
    }
    model.names = std::move(names);
    return model;
}

TEST(SheetScopeTest, FormulasUsingANameThatGoesAreForeignWhateverItsScope) {
    const auto model = workbookWithNames({
        {"LocalRef", 0, "Other!$A$1"},  // the kept sheet's own name, to another sheet
        {"Rate", 0, "Other!$B$1"},      // hides the kept workbook-wide Rate below
        {"Rate", -1, "0.2"},
        {"Own", 0, "Kept!$C$3"},  // kept, and hides the dropped workbook-wide Own
        {"Own", -1, "Other!$C$3"},
        {"Total", -1, "Other!$D$1"},      // workbook-wide, to another sheet
        {"OtherLocal", 1, "Other!$E$1"},  // another sheet's: out of the kept sheet's reach
        {"OtherLocal", -1, "Kept!$E$1"},
        {"ViaLocal", -1, "LocalRef*2"},  // workbook-wide, through a dropped local name
        {"Mine", 0, "Kept!$F$1"},
    });
    const SheetScope scope(model, {}, 0);

    for (const char* foreign :
         {"LocalRef*2", "SUM(localref)", "Rate+1", "Total", "ViaLocal", "Kept!LocalRef"}) {
        EXPECT_TRUE(scope.isForeign(foreign)) << foreign;
    }
    for (const char* own : {"Own*2", "OtherLocal", "Mine+A1", "\"LocalRef\"&A1"}) {
        EXPECT_FALSE(scope.isForeign(own)) << own;
    }
    const std::vector<bool> kept = {false, false, true, true,  false,
                                    false, false, true, false, true};
    EXPECT_EQ(scope.keptNames(), kept);
}

}  // namespace
