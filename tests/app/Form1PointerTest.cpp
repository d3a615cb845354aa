#include <QFile>
#include <QImageWriter>
#include <QTest>

#include "Form1Fixture.h"
#include "core/ErrorReport.h"

namespace {

using pv::test::Form1Test;
namespace pointer = pv::pointer;

// A one-image cursor file: an icon whose header says "cursor" and carries the hot spot (5, 3).
void writeCursorFile(const QString& path) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QImageWriter writer(path, "ico");
    ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes[2] = 2;  // type: cursor
    bytes[10] = 5;
    bytes[11] = 0;
    bytes[12] = 3;
    bytes[13] = 0;
    file.seek(0);
    file.write(bytes);
}

class Form1PointerTest : public Form1Test {
  protected:
    void moveOver(QWidget* widget, QPoint at = {3, 3}) { QTest::mouseMove(widget, at); }
    QString handFile() const { return appFolder + "/HAND-M.CUR"; }
};

TEST_F(Form1PointerTest, HoverNeverReplacesTheHourglass) {
    auto& f = loadedForm();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));

    f.setMousePointer(pointer::kHourglass);
    for (int n = 1; n <= 6; ++n) {
        moveOver(f.button(n));
        EXPECT_EQ(f.mousePointer(), pointer::kHourglass) << "PushButton" << n;
    }
    moveOver(f.outputFolderFrame(), {2, f.outputFolderFrame()->height() - 2});
    moveOver(&f, {530, 430});
    EXPECT_EQ(f.mousePointer(), pointer::kHourglass);
    EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);

    // Once the command has reset the pointer, the button gives the hand and a frame the default.
    f.setMousePointer(pointer::kDefault);
    moveOver(f.button(2));
    EXPECT_EQ(f.mousePointer(), pointer::kCustom);
    EXPECT_EQ(f.cursor().shape(), Qt::PointingHandCursor);
    moveOver(f.namingFrame(), {2, f.namingFrame()->height() - 2});
    EXPECT_EQ(f.mousePointer(), pointer::kDefault);
    moveOver(f.button(3));  // the browse button inside Frame1
    EXPECT_EQ(f.mousePointer(), pointer::kCustom);
    moveOver(&f, {530, 430});
    EXPECT_EQ(f.mousePointer(), pointer::kDefault);
}

TEST_F(Form1PointerTest, FieldsAndTheNamingListLeaveThePointerAlone) {
    auto& f = loadedForm();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    moveOver(f.button(1));
    moveOver(f.outputFolderField());
    moveOver(f.namingList());
    moveOver(f.progressBar());
    EXPECT_EQ(f.mousePointer(), pointer::kCustom);
}

TEST_F(Form1PointerTest, PointerValuesMapToCursors) {
    auto& f = newForm();
    f.setMousePointer(pointer::kArrow);
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
    f.setMousePointer(pointer::kHourglass);
    EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
    f.setMousePointer(pointer::kDefault);
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
    f.setMousePointer(pointer::kCustom);
    EXPECT_EQ(f.cursor().shape(), Qt::PointingHandCursor);  // no hand cursor file
}

TEST_F(Form1PointerTest, HandCursorFileBecomesTheCustomPointer) {
    writeCursorFile(handFile());
    auto& f = loadedForm();
    EXPECT_TRUE(dialogs.shown().empty());
    ASSERT_TRUE(f.hasMouseIcon());
    f.setMousePointer(pointer::kCustom);
    EXPECT_EQ(f.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(f.cursor().hotSpot(), QPoint(5, 3));
}

TEST_F(Form1PointerTest, MissingHandCursorIsNoFailure) {
    auto& f = loadedForm();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(f.hasMouseIcon());
}

TEST_F(Form1PointerTest, UnreadableHandCursorIsReportedAtLine106AndStartUpGoesOn) {
    QFile file(handFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a cursor");
    file.close();

    auto& f = loadedForm();
    ASSERT_EQ(dialogs.errorReports().size(), 1u);
    const std::string report = dialogs.errorReports()[0];
    EXPECT_EQ(report.rfind("Cannot load cursor file " + handFile().toStdString(), 0), 0u) << report;
    EXPECT_NE(report.find("\r\nin Tamberlyn2021/08/31.Form1.Form_Load at line 106\r\r"),
              std::string::npos);
    EXPECT_FALSE(f.hasMouseIcon());
    EXPECT_EQ(f.windowTitle(), "Pellavine");  // line 126 ran
}

}  // namespace
