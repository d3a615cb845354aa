#include <sys/stat.h>

#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "ListTestSupport.h"
#include "list/SampleWorkbooks.h"

namespace {

namespace fs = std::filesystem;
using pv::test::ListTest;
using pv::test::ShownDialog;
using pv::test::TempDir;
using pv::test::touch;

// A tree with every case the folder commands tell apart.
struct SampleTree {
    TempDir dir;
    QString root = QString::fromStdString(dir.path().string());
    SampleTree() {
        fs::create_directories(dir / "sub" / "deeper");
        fs::create_directories(dir / ".dot");
        for (const char* f : {"b.xlsx", "A.XLS", "~$b.xlsx", "notes.txt", ".writable.xlsx",
                              ".readonly.xlsx", "sub/c.xlsm", "sub/deeper/d.xlsx", ".dot/e.xlsx"})
            pv::test::touch(dir / f);
        chmod((dir / ".readonly.xlsx").c_str(), 0444);
    }
};

TEST_F(ListTest, AddFilesAppendsThePicksInTheDialogsOrder) {
    newForm();
    addRows({"/x/already.xlsx"});
    dialogs.answerOpenFiles({"/in/b.xlsx", "/in/a.xlsx", "/x/already.xlsx"});
    dialogs.answerOpenFiles({"/in/c.csv"});
    form->PushButton1_Click();
    form->PushButton1_Click();
    form->PushButton1_Click();  // cancelled
    EXPECT_EQ(rows(), (QStringList{"/x/already.xlsx", "/in/b.xlsx", "/in/a.xlsx", "/x/already.xlsx",
                                   "/in/c.csv"}));
    ASSERT_EQ(dialogs.shown().size(), 3u);
    EXPECT_EQ(dialogs.shown()[0].title, "Add File(s) - Hold Ctrl to select multiple files");
    EXPECT_EQ(dialogs.shown()[0].text, "Excel Files (*.xl*)");
}

TEST_F(ListTest, AddFolderAddsMatchingFilesOfTheWholeTreeLevelByLevel) {
    SampleTree tree;
    newForm();
    dialogs.answerInput("xl*");
    dialogs.answerFolder(tree.root.toStdString());
    form->PushButton4_Click();
    const QString r = tree.root;
    EXPECT_EQ(rows(),
              (QStringList{r + "/.readonly.xlsx", r + "/A.XLS", r + "/b.xlsx", r + "/.dot/e.xlsx",
                           r + "/sub/c.xlsm", r + "/sub/deeper/d.xlsx"}));
    EXPECT_EQ(form->mousePointer(), pv::pointer::kDefault);
    EXPECT_EQ(stored("Extension"), "xl*");
    EXPECT_EQ(stored("LastFolder"), r);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text,
              "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for "
              "all doc files, etc.)");
    EXPECT_EQ(dialogs.shown()[0].start, "xl*");  // the default before anything was stored
    EXPECT_EQ(dialogs.shown()[1].text, "Please select folder:");

    // The next run offers what was stored; "*" takes every file.
    dialogs.clear();
    addRows({});
    form->PushButton5_Click();
    dialogs.answerInput("*");
    dialogs.answerFolder(r.toStdString() + "/sub");
    form->PushButton4_Click();
    EXPECT_EQ(dialogs.shown()[0].start, "xl*");
    EXPECT_EQ(dialogs.shown()[1].start, r.toStdString());
    EXPECT_EQ(rows(), (QStringList{r + "/sub/c.xlsm", r + "/sub/deeper/d.xlsx"}));
    EXPECT_EQ(stored("Extension"), "*");
}

TEST_F(ListTest, CancelInEitherDialogOfAddFolderKeepsTheSettings) {
    SampleTree tree;
    newForm();
    settings.write("LastFolder", tree.root);
    form->PushButton4_Click();  // extension box cancelled
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(stored("Extension"), "<absent>");

    dialogs.answerInput("txt");
    form->PushButton4_Click();  // folder dialog cancelled
    EXPECT_EQ(stored("Extension"), "txt");
    EXPECT_EQ(stored("LastFolder"), tree.root);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(dialogs.errorReports().empty());
}

TEST_F(ListTest, DroppedFilesAndFoldersComeInTheSourcesOrder) {
    SampleTree tree;
    TempDir other;
    touch(other / "~lock.txt");
    const QString loose = q(other / "~lock.txt");
    shownList();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(loose), QUrl::fromLocalFile(tree.root + "/sub"),
                  QUrl("https://example.com/x.xlsx"), QUrl::fromLocalFile(q(other / "gone"))});
    dropOnList(data);
    ASSERT_TRUE(pv::test::waitUntil([&] { return rows().size() >= 4; }));
    QTest::qWait(20);
    const QString r = tree.root;
    EXPECT_EQ(rows(),
              (QStringList{loose, r + "/sub/c.xlsm", r + "/sub/deeper/d.xlsx", q(other / "gone")}));
    EXPECT_EQ(form->mousePointer(), pv::pointer::kDefault);

    form->PushButton5_Click();
    data.setUrls({QUrl::fromLocalFile(tree.root + "/")});
    dropOnList(data);
    ASSERT_TRUE(pv::test::waitUntil([&] { return rows().size() >= 7; }));
    QTest::qWait(20);
    EXPECT_EQ(rows().first(), r + "/.readonly.xlsx");
    EXPECT_TRUE(rows().contains(r + "/notes.txt"));
    EXPECT_FALSE(rows().contains(r + "/~$b.xlsx"));
    EXPECT_FALSE(rows().contains(r + "/.writable.xlsx"));
}

TEST_F(ListTest, DataWithoutFilesIsRefusedWhileDraggingOver) {
    auto& list = shownList();
    QMimeData text;
    text.setText("/tmp/book.xlsx");
    QMimeData web;
    web.setUrls({QUrl("https://example.com/book.xlsx")});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/book.xlsx")});
    for (auto [data, accepted] : {std::pair{&text, false}, {&web, false}, {&files, true}}) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(list.viewport(), &enter);
        EXPECT_EQ(enter.isAccepted(), accepted);
    }
}

TEST_F(ListTest, SamplesAreAddedOnceAndTheFolderOpensOnYes) {
    fs::create_directory(app / "Samples");
    for (const char* f : {"Sales.xlsx", "Budget.xlsx", ".hidden.xls"})
        touch(app / "Samples" / f);
    QStringList opened;
    const pv::FolderOpener saved = pv::folderOpener();
    pv::folderOpener() = [&](const QString& folder) { opened.append(folder); };
    newForm();
    const QString samples = appFolder + "/Samples/";
    addRows({samples.toLower() + "sales.xlsx"});

    dialogs.answerYesNo(false);
    dialogs.answerYesNo(true);
    QTest::mouseClick(form->button(6), Qt::LeftButton);
    form->PushButton6_Click();
    pv::folderOpener() = saved;

    EXPECT_EQ(rows(), (QStringList{samples.toLower() + "sales.xlsx", samples + ".hidden.xls",
                                   samples + "Budget.xlsx", samples + "Sales.xlsx"}));
    EXPECT_EQ(opened, QStringList{samples});
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::YesNo);
    EXPECT_EQ(dialogs.shown()[0].text, pv::kOpenSamplesQuestion);
    EXPECT_EQ(dialogs.shown()[0].title, "");
}

TEST_F(ListTest, WithoutASamplesFolderTheQuestionIsStillAsked) {
    newForm();
    form->PushButton6_Click();
    EXPECT_TRUE(rows().isEmpty());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::YesNo);
}

// 40 subfolders of 250 empty .xlsx files each: a walk long enough to see the window during it.
void fillWithWorkbooks(const TempDir& big) {
    for (int f = 0; f < 40; ++f) {
        const fs::path folder = big / ("f" + std::to_string(f));
        fs::create_directory(folder);
        for (int i = 0; i < 250; ++i)
            touch(folder / ("book" + std::to_string(i) + ".xlsx"));
    }
}

TEST_F(ListTest, TheWindowKeepsHandlingEventsWhileAddingAFolder) {
    TempDir big;
    fillWithWorkbooks(big);
    newForm();
    int ticks = 0;
    bool sawHourglass = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        sawHourglass |= form->mousePointer() == pv::pointer::kHourglass;
    });
    timer.start(1);
    dialogs.answerInput("xlsx");
    dialogs.answerFolder(big.path().string());
    form->PushButton4_Click();
    EXPECT_EQ(rows().size(), 10000);
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(sawHourglass);
    EXPECT_EQ(form->mousePointer(), pv::pointer::kDefault);
}

// Closing the window ends a folder walk at once, from the folder command or a dropped folder,
// as it ends a split run: the rows are not walked to the end on a hidden window.
TEST_F(ListTest, ClosingTheWindowEndsAFolderWalkAtOnce) {
    TempDir big;
    fillWithWorkbooks(big);
    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "dropped" : "folder command");
        shownList();
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (rows().size() > 0)
                form->close();
        });
        closer.start(1);
        if (dropped) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(q(big.path()))});
            dropOnList(data);
            ASSERT_TRUE(pv::test::waitUntil([&] { return !form->isVisible(); }));
            QTest::qWait(50);
        } else {
            dialogs.answerInput("xlsx");
            dialogs.answerFolder(big.path().string());
            form->PushButton4_Click();
        }
        EXPECT_FALSE(form->isVisible());
        EXPECT_LT(rows().size(), 5000);
        EXPECT_EQ(form->mousePointer(), pv::pointer::kDefault);
    }
}

}  // namespace
