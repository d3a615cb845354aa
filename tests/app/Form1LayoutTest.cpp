#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

#include "Form1Fixture.h"
#include "app/Twips.h"
#include "list/WorkbookListView.h"

// A geometry that differs reads as one, not as its bytes.
static void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << "x" << rect.height();
}

namespace {

using pv::test::Form1Test;

// The window's design, one row per control, in twips as it was drawn: where each control sits
// in its parent, what it says and its font (always Arial bold).
struct Control {
    const char* name;
    const char* parent;
    int left, top, width, height;  // twips
    const char* caption;           // nullptr: nothing to read
    qreal points;
};

// In tab order.
const Control kControls[] = {
    {"ListView1", "Form1", 120, 120, 7800, 2535, nullptr, 9},
    {"ProgressBar1", "Form1", 120, 6010, 7800, 405, "Progress Bar", 9},
    {"Frame1", "Form1", 120, 3720, 7800, 825, "Save Excel Files To This Folder", 9},
    {"Text3", "Frame1", 240, 300, 6520, 345, "Text3", 9},
    {"PushButton3", "Frame1", 6855, 300, 690, 345, "...", 11.25},
    {"Frame2", "Form1", 120, 4590, 7800, 800, "Save Options", 9},
    {"Combo1", "Frame2", 240, 300, 7305, 345, nullptr, 9},
    {"PushButton1", "Form1", 120, 2750, 3840, 405, "Add Excel File(s)", 11.25},
    {"PushButton4", "Form1", 4080, 2750, 3840, 405, "Add All Excel Files In Folder", 11.25},
    {"PushButton2", "Form1", 120, 5490, 7800, 405, "Start Saving", 11.25},
    {"PushButton5", "Form1", 120, 3260, 3840, 405, "Clear List", 11.25},
    {"PushButton6", "Form1", 4080, 3260, 3840, 405, "Load Sample/Example Files", 11.25},
};

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->text();
    return {};
}

TEST_F(Form1Test, EveryControlHasItsPlaceAndCaption) {
    auto& f = newForm();
    for (const auto& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* w = f.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), c.parent);
        EXPECT_EQ(w->geometry(), pv::twipsRect(c.left, c.top, c.width, c.height));
        if (c.caption) {
            EXPECT_EQ(captionOf(w), c.caption);
        }
    }
}

// Each frame's border and caption stay clear of its controls: the style says where it draws
// them, and the drawn window shows the line there, the caption breaking it, and nothing but the
// frame's face between the line and the controls; so with a taller font than the design's, as
// another machine may give. ctest runs this at 2x too.
TEST_F(Form1Test, FramesDrawTheirBorderAndCaptionClearOfTheirControls) {
    auto& f = loadedForm();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (const qreal points : {9.0, 13.5})
        for (QGroupBox* frame : {f.outputFolderFrame(), f.namingFrame()}) {
            SCOPED_TRACE(frame->objectName().toStdString() + " at " + std::to_string(points));
            QFont font = frame->font();
            font.setPointSizeF(points);
            frame->setFont(font);
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.textAlignment = frame->alignment();
            option.lineWidth = 1;
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const auto rectOf = [&](QStyle::SubControl part) {
                return frame->style()->subControlRect(QStyle::CC_GroupBox, &option, part, frame);
            };
            const QRect caption = rectOf(QStyle::SC_GroupBoxLabel);
            const QRect border = rectOf(QStyle::SC_GroupBoxFrame);
            const QRect topLine(border.left(), border.top(), border.width(), 2);
            EXPECT_TRUE(frame->rect().contains(caption)) << ::testing::PrintToString(caption);
            EXPECT_GE(caption.width(), frame->fontMetrics().horizontalAdvance(frame->title()));
            if (points == 9.0) {
                EXPECT_GE(caption.height(), frame->fontMetrics().height());
            }
            EXPECT_TRUE(caption.intersects(topLine)) << "the caption breaks the line";
            QRect controls;
            for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                SCOPED_TRACE(control->objectName().toStdString());
                EXPECT_FALSE(control->geometry().intersects(caption));
                EXPECT_FALSE(control->geometry().intersects(topLine));
                controls |= control->geometry();
            }
            ASSERT_EQ(controls.top(), pv::twipsToPixels(300));

            // Right of the caption: the line where the style put it, then one colour (the frame's
            // face or fill) down to the controls.
            const QImage drawn = frame->grab().toImage();
            const qreal scale = drawn.devicePixelRatio();
            const int x = qRound((caption.right() + controls.right()) / 2 * scale);
            const int lastFree = qRound(controls.top() * scale) - 1;
            const QRgb fill = drawn.pixel(x, lastFree);
            EXPECT_NE(drawn.pixel(x, qRound(topLine.top() * scale)), fill);
            int firstOther = -1;
            for (int y = qRound((topLine.bottom() + 2) * scale); y < lastFree && firstOther < 0;
                 ++y)
                if (drawn.pixel(x, y) != fill)
                    firstOther = y;
            EXPECT_EQ(firstOther, -1) << "something drawn above the controls, device row "
                                      << firstOther << " of " << lastFree;
        }
}

TEST_F(Form1Test, TabOrderFollowsTheControlTable) {
    auto& f = newForm();
    QStringList names;
    for (const auto& c : kControls)
        names << c.name;
    QStringList order;
    QWidget* w = f.findChild<QWidget*>("ListView1");
    for (int i = 0; i < 200 && order.size() < names.size(); ++i, w = w->nextInFocusChain())
        if (names.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
    EXPECT_EQ(order, names);
}

TEST_F(Form1Test, WindowIsFixedCentredWhiteWithoutMaximise) {
    auto& f = newForm();
    EXPECT_EQ(f.size(), QSize(536, 436));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(f.outputFolderFrame()->palette().color(QPalette::Window), QColor(Qt::white));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((f.geometry().center() - screen.center()).manhattanLength(), 2);
}

TEST_F(Form1Test, FontsAndTheListsHint) {
    auto& f = newForm();
    EXPECT_EQ(f.font().family(), "Arial");
    EXPECT_TRUE(f.font().bold());
    EXPECT_EQ(f.font().pointSizeF(), 9.0);
    EXPECT_EQ(f.outputFolderFrame()->font().pointSizeF(), 9.0);
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(f.button(n)->font().pointSizeF(), 11.25);
        EXPECT_TRUE(f.button(n)->font().bold());
    }
    EXPECT_EQ(f.listView()->font().pointSizeF(), 9.0);
    EXPECT_EQ(f.listView()->toolTip(),
              "Drag and drop files here. Double-click item to remove it. Move | line to right and "
              "out of window to reveal full names.");
    for (const auto& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* w = f.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->font().family(), "Arial");
        EXPECT_TRUE(w->font().bold());
        EXPECT_EQ(w->font().pointSizeF(), c.points);
    }
}

TEST_F(Form1Test, ButtonsAreConnectedToTheirGuardedHandlers) {
    // PushButton3 is the only one of ours: clicking it opens the folder dialog.
    auto& f = loadedForm();
    f.button(3)->click();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, pv::test::ShownDialog::Kind::Folder);
}

}  // namespace
