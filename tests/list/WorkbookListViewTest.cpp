#include <QScrollBar>

#include "ListTestSupport.h"

namespace {

using pv::test::ListTest;
namespace pointer = pv::pointer;

TEST_F(ListTest, DeleteKeyRemovesTheSelectedRowOtherKeysDoNothing) {
    auto& list = shownList();
    QTest::keyClick(&list, Qt::Key_Delete);  // empty list: nothing to do
    addRows({"a", "b", "c"});
    list.setCurrentItem(list.topLevelItem(1));
    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(rows(), (QStringList{"a", "b", "c"}));
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(rows(), (QStringList{"a", "c"}));
}

TEST_F(ListTest, DoubleClickRemovesTheSelectedRowWhereverItLands) {
    auto& list = shownList();
    addRows({"a", "b", "c"});
    list.setCurrentItem(list.topLevelItem(0));
    const QPoint below(10, list.viewport()->height() - 5);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(rows(), (QStringList{"b", "c"}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOfRow(2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOfRow(2));
    EXPECT_EQ(rows(), (QStringList{"b"}));
}

TEST_F(ListTest, TheHourglassBlocksRemovalButNotTheDrag) {
    auto& list = shownList();
    addRows({"a", "b", "c"});
    list.setCurrentItem(list.topLevelItem(0));
    form->setMousePointer(pointer::kHourglass);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOfRow(1));
    form->PushButton5_Click();
    EXPECT_EQ(rows(), (QStringList{"a", "b", "c"}));

    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    dragMoveTo(centreOfRow(2));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(2));
    EXPECT_EQ(rows(), (QStringList{"b", "a", "c"}));
    EXPECT_EQ(form->mousePointer(), pointer::kHourglass);

    form->setMousePointer(pointer::kDefault);
    QTest::mouseClick(form->button(5), Qt::LeftButton);
    EXPECT_TRUE(rows().isEmpty());
    form->PushButton5_Click();  // an empty list stays empty
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ListTest, DraggingCarriesTheTextRowByRowOrStraightToAFarRow) {
    auto& list = shownList();
    addRows({"A", "B", "C", "D"});
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    EXPECT_TRUE(list.DragActive());
    EXPECT_EQ(list.DraggedRow(), 1);
    const QStringList afterEachStep[] = {
        {"B", "A", "C", "D"}, {"B", "C", "A", "D"}, {"B", "C", "D", "A"}};
    for (int row = 2; row <= 4; ++row) {
        dragMoveTo(centreOfRow(row));
        dragMoveTo(centreOfRow(row));  // staying over the row changes nothing more
        EXPECT_EQ(rows(), afterEachStep[row - 2]);
        EXPECT_EQ(list.DraggedRow(), row);
        EXPECT_EQ(list.currentItem(), list.topLevelItem(row - 1));
    }
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(4));
    EXPECT_FALSE(list.DragActive());
    EXPECT_EQ(list.cursor().shape(), Qt::ArrowCursor);

    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    dragMoveTo(centreOfRow(4));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(4));
    EXPECT_EQ(rows(), (QStringList{"A", "C", "D", "B"}));
}

TEST_F(ListTest, MovingWithoutAPressCarriesNothing) {
    auto& list = shownList();
    addRows({"A", "B"});
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    QTest::mouseMove(viewport(), centreOfRow(2));
    EXPECT_EQ(rows(), (QStringList{"A", "B"}));
    EXPECT_EQ(list.DraggedRow(), 1);
}

TEST_F(ListTest, RowsWithEqualTextsAreNeverSwapped) {
    auto& list = shownList();
    addRows({"same", "same", "other"});
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    dragMoveTo(centreOfRow(2));
    EXPECT_EQ(list.DraggedRow(), 1);
    dragMoveTo(centreOfRow(3));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(3));
    EXPECT_EQ(rows(), (QStringList{"other", "same", "same"}));
}

TEST_F(ListTest, ARemovedDraggedRowCarriesNothingLater) {
    auto& list = shownList();
    addRows({"A", "B", "C"});
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOfRow(2));
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.DraggedRow(), 0);
    const QPoint empty(10, list.viewport()->height() - 5);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, empty);
    dragMoveTo(centreOfRow(1));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    EXPECT_EQ(rows(), (QStringList{"A", "C"}));

    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    form->PushButton5_Click();
    addRows({"X", "Y"});
    QTest::mousePress(viewport(), Qt::LeftButton, {}, empty);
    dragMoveTo(centreOfRow(2));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(2));
    EXPECT_EQ(rows(), (QStringList{"X", "Y"}));
}

TEST_F(ListTest, AKeptDraggedRowIsCarriedAgainAfterAPressOnEmptySpace) {
    auto& list = shownList();
    addRows({"A", "B"});
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 5));
    dragMoveTo(centreOfRow(2));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(2));
    EXPECT_EQ(rows(), (QStringList{"B", "A"}));
}

TEST_F(ListTest, ScreenRowsDecideWhetherTheDragScrolls) {
    auto& list = shownList();
    for (int i = 1; i <= 60; ++i)
        list.AddWorkbookRow(QString("row %1").arg(i));
    QScrollBar* bar = list.verticalScrollBar();
    struct Case {
        int screenY;
        bool scrolls;
    };
    for (const Case c : {Case{305, false}, Case{364, false}, Case{365, true}}) {
        list.scrollToTop();
        int lastVisible = 1;  // the last row shown in full
        while (list.visualItemRect(list.topLevelItem(lastVisible)).bottom() <
               list.viewport()->height())
            ++lastVisible;
        ASSERT_GT(lastVisible, 2);
        QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(lastVisible - 1));
        dragMoveTo(centreOfRow(lastVisible), c.screenY);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(lastVisible));
        EXPECT_EQ(bar->value() > 0, c.scrolls) << c.screenY;
    }
    // Near the top of the screen the row above comes into view.
    list.scrollToItem(list.topLevelItem(30), QAbstractItemView::PositionAtTop);
    const int before = bar->value();
    const int firstVisible = list.indexOfTopLevelItem(list.itemAt(QPoint(10, 2))) + 1;
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(firstVisible + 1));
    dragMoveTo(centreOfRow(firstVisible), 304);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(firstVisible));
    EXPECT_LT(bar->value(), before);
}

TEST_F(ListTest, TheDragPointerComesFromDragIcoOrAFallback) {
    auto& list = shownList();
    addRows({"A", "B"});
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    EXPECT_EQ(list.cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(1));

    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(appFolder + "/drag.ico", "ICO"));
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOfRow(1));
    EXPECT_EQ(list.cursor().shape(), Qt::BitmapCursor);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOfRow(1));
}

}  // namespace
