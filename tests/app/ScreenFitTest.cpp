// The main window and the range prompt keep their frames on the screen at any scale factor.
// ctest also runs these on a 1280 x 900 screen at 1x and at 2x, each scale in its own process.
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "Form1Fixture.h"
#include "app/RangePromptDialog.h"
#include "app/ScreenFit.h"

static void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << "x" << rect.height();
}

namespace {

using pv::test::Form1Test;

QRect availableArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QRect globalRect(const QWidget& widget) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

TEST(ScreenFit, AFrameIsCentredMovedInsideAndCutOnlyWhenLarger) {
    const QRect area(0, 0, 640, 450);
    EXPECT_EQ(pv::frameWithin({5, 5, 540, 440}, area, true), QRect(50, 5, 540, 440));
    EXPECT_EQ(pv::frameWithin({300, 200, 100, 100}, area, false), QRect(300, 200, 100, 100));
    EXPECT_EQ(pv::frameWithin({600, -30, 100, 100}, area, false), QRect(540, 0, 100, 100));
    EXPECT_EQ(pv::frameWithin({0, 0, 724, 484}, area, false), area);
    EXPECT_EQ(pv::frameWithin({0, 0, 724, 484}, area.translated(1280, 20), true),
              area.translated(1280, 20));
    EXPECT_EQ(pv::frameWithin({0, 0, 641, 100}, area, true), QRect(0, 175, 640, 100));
}

TEST_F(Form1Test, ShownWindowHasItsFrameCentredOnTheScreen) {
    auto& f = loadedForm();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QRect screen = availableArea();
    SCOPED_TRACE(::testing::PrintToString(screen));
    EXPECT_TRUE(screen.contains(f.frameGeometry())) << ::testing::PrintToString(f.frameGeometry());
    const QPoint offCentre = f.frameGeometry().center() - screen.center();
    EXPECT_LE(std::abs(offCentre.x()), 1);
    EXPECT_LE(std::abs(offCentre.y()), 1);
    if (screen.height() >= 436 + 100) {
        EXPECT_EQ(f.size(), QSize(536, 436));  // the window's own size wherever it fits
    }
}

TEST(ScreenFit, RangePromptKeepsOkAndCancelOnTheScreen) {
    pv::RangePromptDialog dialog("/home/ann/Sales.xlsx", "prompt", [](int, int) {
        return pv::CellTexts{{"Name"}, {"", "7"}};
    });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect screen = availableArea();
    SCOPED_TRACE(::testing::PrintToString(screen));
    EXPECT_TRUE(screen.contains(dialog.frameGeometry()))
        << ::testing::PrintToString(dialog.frameGeometry());
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (const auto which : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
        const QPushButton* button = buttons->button(which);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        EXPECT_TRUE(screen.contains(globalRect(*button)))
            << ::testing::PrintToString(globalRect(*button));
    }
    if (screen.width() >= 800 && screen.height() >= 600) {
        EXPECT_EQ(dialog.size(), QSize(720, 480));  // its own size wherever it fits
    }
}

}  // namespace
