// "Start Saving" on the real window: rows, folder and naming from its controls, messages through
// its dialogs, and what the window does while a run lets its events through.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/Form1Fixture.h"
#include "list/WorkbookListView.h"
#include "split/TestWorkbooks.h"

namespace {

using Names = std::set<std::string>;
using pv::test::fileNames;

class StartSavingTest : public pv::test::Form1Test {
  protected:
    pv::Form1& formWithRows(int rows) {
        pv::Form1& window = loadedForm();
        std::vector<pv::test::WorkbookSpec> books;
        for (int i = 1; i <= rows; ++i) {
            const auto path = in / ("Book" + std::to_string(i) + ".xlsx");
            books.push_back({path, {{"North", {{"B2", "n"}}}, {"Blank", {}}}});
            window.listView()->AddWorkbookRow(QString::fromStdString(path.string()));
        }
        pv::test::writeWorkbooks(books);
        window.outputFolderField()->setText(QString::fromStdString(out.path().string() + "/"));
        dialogs.clear();
        return window;
    }

    pv::test::TempDir in, out;
};

TEST_F(StartSavingTest, SplitsEveryRowAndResetsTheWindow) {
    pv::Form1& window = formWithRows(2);
    QGuiApplication::clipboard()->setText("the user's own");
    window.button(2)->click();
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "North_1.xlsx"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "the user's own");
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
    EXPECT_EQ(window.progressBar()->value(), 0);
    EXPECT_EQ(window.progressBar()->format(), "Progress Bar");
    EXPECT_EQ(window.mousePointer(), pv::pointer::kDefault);
}

// "%v", "%p" and "%m" are the progress bar's own placeholders; a workbook's name keeps them.
TEST_F(StartSavingTest, TheProgressTextShowsTheWorkbooksNameExactly) {
    pv::Form1& window = loadedForm();
    const auto path = in / "Q3 %v %p%m.xlsx";
    pv::test::writeWorkbooks({{path, {{"North", {{"B2", "n"}}}}}});
    window.listView()->AddWorkbookRow(QString::fromStdString(path.string()));
    window.outputFolderField()->setText(QString::fromStdString(out.path().string() + "/"));
    std::set<QString> shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { shown.insert(window.progressBar()->text()); });
    watch.start(0);
    window.button(2)->click();
    EXPECT_TRUE(shown.contains("Processing: Q3 %v %p%m.xlsx")) << shown.size();
    EXPECT_EQ(window.progressBar()->text(), "Progress Bar");
}

// A typed "~/" is the home folder: the outputs land there, and the field keeps what was typed.
TEST_F(StartSavingTest, ATypedTildeSavesIntoTheHomeFolder) {
    pv::Form1& window = formWithRows(1);
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(out.path().string()));
    std::filesystem::create_directory(out / "books");
    window.outputFolderField()->setText("~/books/");
    window.button(2)->click();
    qputenv("HOME", oldHome);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
    EXPECT_EQ(fileNames(out / "books"), (Names{"North.xlsx"}));
    EXPECT_EQ(window.outputFolderField()->text(), "~/books/");
}

TEST_F(StartSavingTest, ChecksComeFromTheWindowsControls) {
    pv::Form1& window = loadedForm();
    dialogs.clear();
    window.button(2)->click();
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"No files added."});

    window.listView()->AddWorkbookRow("/nowhere/a.xlsx");
    window.outputFolderField()->setText(QString::fromStdString((out / "missing").string()));
    dialogs.clear();
    window.button(2)->click();
    EXPECT_EQ(dialogs.messages(),
              std::vector<std::string>{"Folder does not exist. Please select another folder."});
}

TEST_F(StartSavingTest, ASecondPressDuringTheRunIsIgnored) {
    pv::Form1& window = formWithRows(1);
    int pointerDuringRun = -1;
    QTimer::singleShot(0, &window, [&] {
        pointerDuringRun = window.mousePointer();
        window.button(2)->click();
    });
    window.button(2)->click();
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx"}));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
    EXPECT_NE(pointerDuringRun, -1);  // the run let the timer through
}

TEST_F(StartSavingTest, ClosingTheWindowStopsTheRunWithoutPartialFiles) {
    pv::Form1& window = formWithRows(3);
    window.show();
    QTimer::singleShot(0, &window, [&] { window.close(); });
    window.button(2)->click();
    EXPECT_TRUE(dialogs.messages().empty());  // no "Done." after a close
    for (const auto& name : fileNames(out.path()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    EXPECT_LT(fileNames(out.path()).size(), 3u);
    EXPECT_EQ(window.mousePointer(), pv::pointer::kDefault);
}

}  // namespace
