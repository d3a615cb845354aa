#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "Form1Fixture.h"
#include "app/ApplicationTitle.h"
#include "app/QtDialogs.h"
#include "core/ErrorReport.h"
#include "list/WorkbookListView.h"

namespace {

using pv::test::Form1Test;
using pv::test::kDesktop;

std::string loadReport(const std::string& description, int line) {
    return pv::errorReportText(description, pv::form1Location("Form_Load"), line);
}

TEST_F(Form1Test, FirstStartStoresTheDesktopFolderAndTheFirstNamingOption) {
    auto& f = loadedForm();
    EXPECT_EQ(f.outputFolderField()->text(), kDesktop + "/");
    EXPECT_EQ(stored("Folder"), kDesktop + "/");
    EXPECT_EQ(f.namingList()->currentText(), "New filenames will be based on sheet name");
    EXPECT_EQ(stored("Save Option"), "New filenames will be based on sheet name");
    EXPECT_EQ(stored("LastFolderDot"), "<absent>");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(programEnds, 0);
}

TEST_F(Form1Test, NamingListHoldsTheFiveOptionsInOrder) {
    auto& f = loadedForm();
    ASSERT_EQ(f.namingList()->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.namingList()->itemText(i),
                  QString::fromUtf8(pv::split::kNamingOptionTexts[i].data()));
    EXPECT_FALSE(f.namingList()->isEditable());
}

TEST_F(Form1Test, LaterStartRestoresBothExactlyEvenAMissingFolder) {
    settings.write("Folder", "/nowhere/at all//");
    settings.write("Save Option", "New filenames will be 1.xls, 2.xls, 3.xls, etc.");
    auto& f = loadedForm();
    EXPECT_EQ(f.outputFolderField()->text(), "/nowhere/at all//");
    EXPECT_EQ(f.namingList()->currentIndex(), 4);
    EXPECT_EQ(stored("Folder"), "/nowhere/at all//");
    EXPECT_EQ(stored("Save Option"), "New filenames will be 1.xls, 2.xls, 3.xls, etc.");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Form1Test, StoredEmptyFolderStaysEmpty) {
    settings.write("Folder", "");
    auto& f = loadedForm();
    EXPECT_EQ(f.outputFolderField()->text(), "");
    EXPECT_EQ(stored("Folder"), "");
}

TEST_F(Form1Test, UnknownNamingOptionIsReportedAtLine144AndStartUpGoesOn) {
    settings.write("Save Option", "New filenames will be based on sheet name ");
    bool hostChecked = false;
    newForm().setHostProbe([&] { return hostChecked = true; });
    form->Form_Load();

    EXPECT_EQ(dialogs.errorReports(),
              std::vector<std::string>{loadReport(
                  "The naming option \"New filenames will be based on sheet name \" is not in the "
                  "list",
                  144)});
    EXPECT_EQ(form->namingList()->currentIndex(), -1);
    EXPECT_EQ(form->namingList()->currentText(), "");
    EXPECT_EQ(stored("Save Option"), "New filenames will be based on sheet name ");
    EXPECT_TRUE(hostChecked);
}

TEST_F(Form1Test, UndeterminableDesktopIsReportedAtLine132AndTheFieldKeepsItsDesignText) {
    newForm().setDesktopFolderSource([] { return QString(); });
    form->Form_Load();
    EXPECT_EQ(dialogs.errorReports(),
              std::vector<std::string>{loadReport("The Desktop folder cannot be determined", 132)});
    EXPECT_EQ(form->outputFolderField()->text(), "Text3");
    EXPECT_EQ(stored("Folder"), "<absent>");
    EXPECT_EQ(form->namingList()->count(), 5);  // start-up went on with line 134
    EXPECT_EQ(stored("Save Option"), "New filenames will be based on sheet name");
}

TEST_F(Form1Test, HostThatCannotBeCreatedShows842001AndEndsTheProgram) {
    newForm().setHostProbe([] { return false; });
    form->Form_Load();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].rfind("Error 842001. A normal instance of Excel", 0), 0u);
    EXPECT_TRUE(dialogs.errorReports().empty());
    EXPECT_EQ(programEnds, 1);
}

TEST_F(Form1Test, StartUpSetsTheCaptionTheListColumnAndTheApplicationTitle) {
    auto& f = newForm();
    EXPECT_EQ(f.windowTitle(), "Form1");
    f.Form_Load();
    EXPECT_EQ(f.windowTitle(), "Pellavine");
    // The program's icon, sharp from the title bar to the switcher.
    const QIcon icon = f.windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), 7);
    EXPECT_NE(icon.pixmap(256).toImage().pixelColor(128, 128).alpha(), 0);
    EXPECT_EQ(pv::applicationTitle(), "Pellavine");
    EXPECT_EQ(pv::dialogTitle({}), "Pellavine");
    EXPECT_EQ(pv::dialogTitle("Application Error"), "Application Error");
    EXPECT_EQ(f.listView()->columnCount(), 1);
    EXPECT_EQ(f.listView()->headerItem()->text(0), "Excel File(s)");
    EXPECT_EQ(f.listView()->columnWidth(0), 467);
}

// Shown, the column keeps its 7000 twips rather than filling the list; dragging its divider
// wider still brings a long name into reach by scrolling.
TEST_F(Form1Test, TheListColumnKeepsItsWidthOnceShownAndItsDividerWidensIt) {
    auto& f = loadedForm();
    f.listView()->AddWorkbookRow("/in/" + QString(300, u'x') + ".xlsx");
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QApplication::processEvents();
    EXPECT_EQ(f.listView()->columnWidth(0), 467);
    EXPECT_EQ(f.listView()->header()->sectionResizeMode(0), QHeaderView::Interactive);
    f.listView()->header()->resizeSection(0, 2000);  // what a drag of the divider does
    QApplication::processEvents();
    EXPECT_EQ(f.listView()->columnWidth(0), 2000);
    EXPECT_GT(f.listView()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(Form1Test, ClosingAFullListEndsWithoutAQuestion) {
    auto& f = loadedForm();
    f.listView()->AddWorkbookRow("/in/a.xlsx");
    f.listView()->AddWorkbookRow("/in/a.xlsx");
    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isVisible());
    // Closing the only window ends the event loop.
    EXPECT_TRUE(f.testAttribute(Qt::WA_QuitOnClose));
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
