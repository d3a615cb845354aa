#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QTimer>

#include "app/QtDialogs.h"

#include "Form1Fixture.h"
#include "app/ApplicationTitle.h"
#include "app/SkinFramework.h"
#include "list/WorkbookListView.h"

namespace {

using pv::test::Form1Test;

TEST(ApplicationTitle, LongTitleLosesItsLastWordsUntilAtMost40Remain) {
    // 53 characters; the last two words take 13, 14 with the space before them.
    const QString first39 = "Abcdefghij Klmnopqrst Uvwxyzabcd Efghij";
    const QString t53 = first39 + " Nopqr Stuvwxy";
    ASSERT_EQ(first39.size(), 39);
    ASSERT_EQ(t53.size(), 53);
    EXPECT_EQ(pv::shortenedApplicationTitle(t53), first39);
}

TEST(ApplicationTitle, CutIsMadeAtLeastOnce) {
    EXPECT_EQ(pv::shortenedApplicationTitle("Sheet Splitter"), "Sheet");
    EXPECT_EQ(pv::shortenedApplicationTitle("Pellavine"), "Pellavine");
    EXPECT_EQ(pv::shortenedApplicationTitle(""), "");
}

// A message as narrow as "Done." still leaves its title bar room for the whole title.
TEST(MessageBoxes, AreWideEnoughForTheirTitle) {
    pv::QtDialogs dialogs(nullptr);
    std::vector<int> widths;
    const auto measureAndClose = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                widths.push_back(box->width());
                box->close();
            }
        });
    };
    measureAndClose();
    dialogs.message("Done.");
    measureAndClose();
    dialogs.askYesNo("Go on?", "Application Error");
    ASSERT_EQ(widths.size(), 2u);
    EXPECT_GE(widths[0], pv::messageBoxWidthForTitle("Pellavine"));
    EXPECT_GE(widths[1], pv::messageBoxWidthForTitle("Application Error"));
    EXPECT_GE(
        pv::messageBoxWidthForTitle("Pellavine"),
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance("Pellavine") +
            150);
}

class WindowLookTest : public Form1Test {
  protected:
    void writeSkin(const QByteArray& sheet) {
        QDir(appFolder).mkpath("x");
        QFile file(appFolder + "/x/o.cjs");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(sheet);
    }
    QColor face() const { return QApplication::palette().color(QPalette::Button); }

    void TearDown() override { qApp->setStyleSheet({}); }
};

TEST_F(WindowLookTest, WithoutSkinFileNothingChanges) {
    auto& f = loadedForm();
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(f.outputFolderFrame()->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(f.skinFramework()->skinPath().isEmpty());
    EXPECT_TRUE(f.styleSheet().isEmpty());
}

TEST_F(WindowLookTest, SkinFileGivesTheFaceColourAndTheStyleSheet) {
    ASSERT_NE(face(), QColor(Qt::white));
    const QByteArray sheet = "QPushButton { color: navy; }";
    writeSkin(sheet);
    auto& f = loadedForm();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(f.palette().color(QPalette::Window), face());
    EXPECT_EQ(f.outputFolderFrame()->palette().color(QPalette::Window), face());
    EXPECT_EQ(f.namingFrame()->palette().color(QPalette::Window), face());
    // The field keeps its own colour.
    EXPECT_EQ(f.outputFolderField()->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(f.skinFramework()->skinPath(), appFolder + "/x/o.cjs");
    EXPECT_TRUE(f.skinFramework()->applyOptions() & pv::SkinFramework::kSkinEnabled);
    EXPECT_EQ(f.styleSheet(), sheet);
    EXPECT_EQ(qApp->styleSheet(), sheet);
}

TEST_F(WindowLookTest, SkinPathThatIsAFolderIsNoSkin) {
    QDir(appFolder).mkpath("x/o.cjs");
    auto& f = loadedForm();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(Qt::white));
}

}  // namespace
