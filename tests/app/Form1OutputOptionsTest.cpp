#include <QTest>

#include "Form1Fixture.h"

namespace {

using pv::test::Form1Test;
using pv::test::ShownDialog;

TEST_F(Form1Test, TypingStoresTheFieldAfterEveryKeystroke) {
    auto& f = loadedForm();
    f.outputFolderField()->clear();
    EXPECT_EQ(stored("Folder"), "");
    QTest::keyClicks(f.outputFolderField(), "/no");
    EXPECT_EQ(stored("Folder"), "/no");
    QTest::keyClick(f.outputFolderField(), Qt::Key_Backspace);
    EXPECT_EQ(stored("Folder"), "/n");
}

TEST_F(Form1Test, PickingANamingOptionStoresItsText) {
    auto& f = loadedForm();
    f.namingList()->setCurrentIndex(2);
    EXPECT_EQ(stored("Save Option"), "New filenames will be based on content of cell A1");
    f.namingList()->setFocus();
    QTest::keyClick(f.namingList(), Qt::Key_Down);
    EXPECT_EQ(stored("Save Option"),
              "New filenames will be based on contents of user-specified cell(s)");
}

TEST_F(Form1Test, CancelledBrowseChangesNothing) {
    auto& f = loadedForm();
    settings.write("LastFolderDot", "/start");
    dialogs.answerFolder("");
    f.PushButton3_Click();
    EXPECT_EQ(f.outputFolderField()->text(), pv::test::kDesktop + "/");
    EXPECT_EQ(stored("Folder"), pv::test::kDesktop + "/");
    EXPECT_EQ(stored("LastFolderDot"), "/start");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Please select folder:");
    EXPECT_EQ(dialogs.shown()[0].start, "/start");
}

TEST_F(Form1Test, BrowseEndsTheFieldInOneSeparatorAndRemembersTheStartFolder) {
    auto& f = loadedForm();
    struct Case {
        const char* chosen;
        const char* field;
    };
    const Case cases[] = {
        {"/srv/reports", "/srv/reports/"}, {"/", "/"}, {"/srv/out/", "/srv/out/"}};
    std::string start;
    for (const auto& c : cases) {
        dialogs.clear();
        dialogs.answerFolder(c.chosen);
        f.PushButton3_Click();
        EXPECT_EQ(dialogs.shown().at(0).start, start);
        EXPECT_EQ(f.outputFolderField()->text(), c.field);
        EXPECT_EQ(stored("Folder"), c.field);
        EXPECT_EQ(stored("LastFolderDot"), c.chosen);
        EXPECT_EQ(dialogs.shown().size(), 1u);  // no report
        start = c.chosen;
    }
}

TEST_F(Form1Test, RefusedStoreIsReportedByTheBrowseCommand) {
    auto& f = loadedForm();
    // The store's file replaced by a folder: every write fails.
    const auto conf = config / "Orvantis" / "Pellavine.conf";
    std::filesystem::remove(conf);
    std::filesystem::create_directory(conf);
    dialogs.answerFolder("/srv/reports");
    f.PushButton3_Click();
    const auto reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("PushButton3_Click at line 102"), std::string::npos);
    EXPECT_NE(reports[1].find("PushButton3_Click at line 104"), std::string::npos);
    EXPECT_EQ(f.outputFolderField()->text(), "/srv/reports/");
}

}  // namespace
