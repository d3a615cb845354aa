// The range prompt over a real workbook, its cells read as the run reads them: title, cells of
// every format the run splits, mouse selection, typed references, cells that cannot be shown.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/RangePromptDialog.h"
#include "core/Error.h"
#include "office/LegacyHost.h"
#include "split/RangePromptCells.h"
#include "split/SplitErrors.h"
#include "split/TestWorkbooks.h"
#include "support/OfficeFixture.h"
#include "support/OutputCheck.h"

namespace {

namespace fs = std::filesystem;

// The cells the run gives the prompt: the workbook opened through the run's host.
pv::RangePromptCells runCells(const fs::path& book) {
    return [book](int rows, int columns) {
        const auto host = pv::office::createLegacyHost();
        host->prepare({book});
        const auto workbook = host->open(book);
        return pv::split::firstContentSheetTexts(*workbook, rows, columns);
    };
}

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
                                 "Highlight a block of cells with mouse", runCells(book));
    EXPECT_EQ(dialog.windowTitle(), "Sales.2020.xlsx");
    QTableWidget* grid = dialog.grid();
    EXPECT_EQ(grid->rowCount(), 200);
    EXPECT_EQ(grid->columnCount(), 50);
    ASSERT_NE(grid->item(0, 0), nullptr);
    EXPECT_EQ(grid->item(0, 0)->text(), "Name");
    EXPECT_EQ(grid->item(1, 1)->text(), "7");
    EXPECT_EQ(grid->item(199, 49)->text(), "far");
    EXPECT_EQ(grid->horizontalHeaderItem(49)->text(), "AX");
    EXPECT_FALSE(grid->isHidden());
    EXPECT_TRUE(dialog.unavailableNote()->isHidden());
}

TEST_F(RangePromptDialogTest, SelectionAndTypedReferencesGiveAbsoluteAddresses) {
    pv::RangePromptDialog dialog(QString::fromStdString(book.string()), "prompt", runCells(book));
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
        const auto answer = pv::askForRangeOver(book.string(), "prompt", runCells(book), nullptr);
        EXPECT_EQ(answer, ok ? std::optional<std::string>("$C$3:$E$9") : std::nullopt);
    }
}

// Where the cells cannot be read, the prompt says so, with the failure, instead of showing an
// empty grid; a reference can still be typed.
TEST_F(RangePromptDialogTest, AnUnreadableWorkbookIsToldAndStillTakesATypedReference) {
    const fs::path chartsOnly = dir / "Charts.xlsx";
    std::ofstream(dir / "charts.py")
        << "import openpyxl,sys\nfrom openpyxl.chart import BarChart\n"
           "wb=openpyxl.Workbook();first=wb.active\n"
           "wb.create_chartsheet('Chart').add_chart(BarChart());wb.remove(first)\n"
           "wb.save(sys.argv[1])\n";
    ASSERT_EQ(pv::test::runCommand(pv::test::python() + " " +
                                   pv::test::shellQuote((dir / "charts.py").string()) + " " +
                                   pv::test::shellQuote(chartsOnly.string())),
              0);
    const struct {
        fs::path book;
        pv::RangePromptCells cells;
        std::string told;
    } cases[] = {
        {dir / "missing.xlsx", runCells(dir / "missing.xlsx"), (dir / "missing.xlsx").string()},
        {chartsOnly, runCells(chartsOnly),
         "has no worksheet whose cells could be shown (error " +
             std::to_string(pv::number(pv::split::SplitError::NoWorksheetToShow)) + ")"},
        {book, [](int, int) -> pv::CellTexts { throw std::bad_alloc(); }, "bad_alloc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book.string());
        pv::RangePromptDialog dialog(QString::fromStdString(c.book.string()), "p", c.cells);
        EXPECT_TRUE(dialog.grid()->isHidden());
        EXPECT_FALSE(dialog.unavailableNote()->isHidden());
        const std::string note = dialog.unavailableNote()->text().toStdString();
        EXPECT_TRUE(note.starts_with("The cells of this workbook cannot be shown: ")) << note;
        EXPECT_NE(note.find(c.told), std::string::npos) << note;
        QTest::keyClicks(dialog.referenceField(), "B2");
        EXPECT_EQ(dialog.address(), "$B$2");
    }
}

// Every format the run splits shows its first content sheet, through LibreOffice where the
// engine does not read it.
class LegacyRangePromptTest : public pv::test::WithOffice,
                              public ::testing::WithParamInterface<std::string> {};

TEST_P(LegacyRangePromptTest, ShowsTheFirstContentSheet) {
    pv::test::TempDir dir;
    const fs::path book = dir / ("any_sheets" + GetParam());
    fs::copy_file(pv::test::corpusDir() / "calamine" / book.filename(), book);
    pv::RangePromptDialog dialog(QString::fromStdString(book.string()), "p", runCells(book));
    EXPECT_TRUE(dialog.unavailableNote()->isHidden())
        << dialog.unavailableNote()->text().toStdString();
    const QTableWidget* grid = dialog.grid();
    for (const auto& [row, column, text] :
         std::vector<std::tuple<int, int, QString>>{{0, 0, "1"}, {0, 1, "2"}, {2, 1, "6"}}) {
        ASSERT_NE(grid->item(row, column), nullptr) << row << "," << column;
        EXPECT_EQ(grid->item(row, column)->text(), text);
    }
    EXPECT_NE(grid->item(4, 0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formats, LegacyRangePromptTest, ::testing::Values(".xls", ".xlsb", ".ods"),
                         [](const auto& info) { return info.param.substr(1); });

}  // namespace
