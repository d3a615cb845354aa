#pragma once
// Drives the workbook list of a fresh main window with real mouse and key events.
#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/Form1Fixture.h"
#include "list/WorkbookListView.h"

namespace pv::test {

class ListTest : public Form1Test {
  protected:
    WorkbookListView& shownList() {
        Form1& f = newForm();
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        return *f.listView();
    }

    QStringList rows() const {
        QStringList texts;
        for (int row = 1; row <= form->listView()->rowCount(); ++row)
            texts.append(form->listView()->rowText(row));
        return texts;
    }

    void addRows(const QStringList& texts) {
        for (const QString& t : texts)
            form->listView()->AddWorkbookRow(t);
    }

    QPoint centreOfRow(int row1Based) const {
        auto* list = form->listView();
        return list->visualItemRect(list->topLevelItem(row1Based - 1)).center();
    }

    QWidget* viewport() const { return form->listView()->viewport(); }

    // A move with the left button held, at a chosen screen row.
    void dragMoveTo(QPoint local, int screenY = 330) {
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(local.x(), screenY),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }

    // A drop of `data` as a file manager delivers it: entering, moving, dropping.
    void dropOnList(const QMimeData& data) {
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport(), &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport(), &drop);
    }

    static QString q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
};

// Lets events run until `done` holds or five seconds have passed; whether it holds.
template <typename Condition>
bool waitUntil(Condition done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QTest::qWait(5);
    return done();
}

inline void touch(const std::filesystem::path& p) {
    std::ofstream(p) << "x";
}

}  // namespace pv::test
