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
    const std::string start = app.path().string();
    settings.write("LastFolderDot", QString::fromStdString(start));
    dialogs.answerFolder("");
    f.PushButton3_Click();
    EXPECT_EQ(f.outputFolderField()->text(), pv::test::kDesktop + "/");
    EXPECT_EQ(stored("Folder"), pv::test::kDesktop + "/");
    EXPECT_EQ(stored("LastFolderDot"), QString::fromStdString(start));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Please select folder:");
    EXPECT_EQ(dialogs.shown()[0].start, start);
}

TEST_F(Form1Test, BrowseEndsTheFieldInOneSeparatorAndRemembersTheChosenFolder) {
    auto& f = loadedForm();
    const std::string reports = (app / "reports").string();
    const std::string out = (app / "out").string();
    std::filesystem::create_directory(reports);
    std::filesystem::create_directory(out);
    struct Case {
        std::string chosen;
        std::string remembered;
        std::string field;
    };
    const Case cases[] = {{reports, reports, reports + "/"},
                          {"/", "/", "/"},
                          {out + "/", out, out + "/"},
                          {"/no/such/folder", "/no/such/folder", "/no/such/folder/"}};
    // Each browse opens where the last one ended, when that folder still exists.
    const std::string starts[] = {"", reports, "/", out};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        dialogs.clear();
        dialogs.answerFolder(c.chosen);
        f.PushButton3_Click();
        EXPECT_EQ(dialogs.shown().at(0).start, starts[i]);
        EXPECT_EQ(f.outputFolderField()->text().toStdString(), c.field);
        EXPECT_EQ(stored("Folder").toStdString(), c.field);
        EXPECT_EQ(stored("LastFolderDot").toStdString(), c.remembered);
        EXPECT_EQ(dialogs.shown().size(), 1u);  // no report
    }
    dialogs.clear();
    dialogs.answerFolder("");
    f.PushButton3_Click();
    EXPECT_EQ(dialogs.shown().at(0).start, "");  // the remembered folder has gone
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
