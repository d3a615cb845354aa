// The range prompt over a real workbook: title, cells, mouse selection, typed references.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/RangePromptDialog.h"
#include "split/TestWorkbooks.h"

namespace {

class RangePromptDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pv::test::writeWorkbooks({{book,
                                   {{"Empty", {}},
                                    {"Chart", {}, false, true},
                                    {"Data", {{"A1", "Name"}, {"B2", "7"}, {"AX200", "far"}}}}}});
    }
    pv::test::TempDir dir;
    std::filesystem::path book = dir / "Sales.2020.xlsx";
};

TEST_F(RangePromptDialogTest, ShowsTheFirstContentSheetTitledByTheFileName) {
    pv::RangePromptDialog dialog(QString::fromStdString(book.string()),
                                 "Highlight a block of cells with mouse");
    EXPECT_EQ(dialog.windowTitle(), "Sales.2020.xlsx");
    QTableWidget* grid = dialog.grid();
    EXPECT_EQ(grid->rowCount(), 200);
    EXPECT_EQ(grid->columnCount(), 50);
    ASSERT_NE(grid->item(0, 0), nullptr);
    EXPECT_EQ(grid->item(0, 0)->text(), "Name");
    EXPECT_EQ(grid->item(1, 1)->text(), "7");
    EXPECT_EQ(grid->item(199, 49)->text(), "far");
    EXPECT_EQ(grid->horizontalHeaderItem(49)->text(), "AX");
}

TEST_F(RangePromptDialogTest, SelectionAndTypedReferencesGiveAbsoluteAddresses) {
    pv::RangePromptDialog dialog(QString::fromStdString(book.string()), "prompt");
    EXPECT_EQ(dialog.address(), std::nullopt);

    dialog.grid()->setRangeSelected({1, 1, 4, 3}, true);  // B2:D5
    EXPECT_EQ(dialog.referenceField()->text(), "$B$2:$D$5");
    EXPECT_EQ(dialog.address(), "$B$2:$D$5");

    for (const auto& [typed, expected] :
         std::vector<std::pair<QString, std::optional<std::string>>>{
             {"c7", "$C$7"}, {"D5:B2", "$B$2:$D$5"}, {"nonsense", std::nullopt}}) {
        dialog.referenceField()->clear();
        QTest::keyClicks(dialog.referenceField(), typed);
        EXPECT_EQ(dialog.address(), expected) << typed.toStdString();
    }
    dialog.referenceField()->clear();
    QTest::keyClicks(dialog.referenceField(), "C7");
    ASSERT_EQ(dialog.grid()->selectedRanges().size(), 1);
    EXPECT_EQ(dialog.grid()->selectedRanges()[0].topRow(), 6);
}

TEST_F(RangePromptDialogTest, OkGivesTheAddressAndCancelNothing) {
    for (const bool ok : {true, false}) {
        QTimer::singleShot(0, [ok] {
            auto* dialog = qobject_cast<pv::RangePromptDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->referenceField(), "$C$3:$E$9");
            ok ? dialog->accept() : dialog->reject();
        });
        const auto answer = pv::askForRangeOver(book.string(), "prompt", nullptr);
        EXPECT_EQ(answer, ok ? std::optional<std::string>("$C$3:$E$9") : std::nullopt);
    }
}

TEST_F(RangePromptDialogTest, AnUnreadableWorkbookStillTakesATypedReference) {
    pv::RangePromptDialog dialog(QString::fromStdString((dir / "missing.xlsx").string()), "p");
    EXPECT_EQ(dialog.grid()->item(0, 0), nullptr);
    QTest::keyClicks(dialog.referenceField(), "B2");
    EXPECT_EQ(dialog.address(), "$B$2");
}

}  // namespace
