#include "list/WorkbookListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

#include "app/Twips.h"
#include "list/DroppedPaths.h"

namespace pv {

namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasFormat("text/uri-list")) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        }
    }
    return paths;
}

}  // namespace

WorkbookListView::WorkbookListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("ListView1");
    setColumnCount(1);
    setHeaderLabels({kColumnHeader});
    // The column keeps its own width, shown or not; a long name is reached by dragging the
    // divider and scrolling, not by the column filling the list.
    header()->setStretchLastSection(false);
    setColumnWidth(0, twipsToPixels(kColumnWidthTwips));
    setRootIsDecorated(false);
    setToolTip(kToolTip);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are never dragged out as data; the list only takes files dropped on it.
    setDragEnabled(false);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    viewport()->setMouseTracking(true);
}

void WorkbookListView::AddWorkbookRow(const QString& text) {
    addTopLevelItem(new QTreeWidgetItem(QStringList{text}));
}

int WorkbookListView::rowCount() const {
    return topLevelItemCount();
}

QString WorkbookListView::rowText(int row1Based) const {
    const QTreeWidgetItem* row = topLevelItem(row1Based - 1);
    return row ? row->text(0) : QString();
}

int WorkbookListView::DraggedRow() const {
    return draggedRow_.isValid() ? draggedRow_.row() + 1 : 0;
}

bool WorkbookListView::windowIsBusy() const {
    return window_.busy && window_.busy();
}

void WorkbookListView::RemoveSelectedRow() {
    if (windowIsBusy() || rowCount() == 0)
        return;
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty())
        delete takeTopLevelItem(indexOfTopLevelItem(selected.first()));
}

void WorkbookListView::ClearRows() {
    if (!windowIsBusy())
        clear();
}

void WorkbookListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete)  // key code 46; Backspace is no Delete
        RemoveSelectedRow();
    QTreeWidget::keyPressEvent(event);
}

void WorkbookListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The selected row goes, wherever the double-click was.
    RemoveSelectedRow();
    event->accept();
}

void WorkbookListView::mousePressEvent(QMouseEvent* event) {
    dragActive_ = true;
    QTreeWidget::mousePressEvent(event);
    if (QTreeWidgetItem* clicked = itemAt(event->position().toPoint()))
        startCarrying(clicked);
}

void WorkbookListView::startCarrying(QTreeWidgetItem* clicked) {
    const QPixmap icon(
        window_.applicationFolder.isNull() ? QString() : window_.applicationFolder + "/drag.ico");
    setCursor(icon.isNull() ? QCursor(Qt::DragMoveCursor) : QCursor(icon));
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* row = selected.isEmpty() ? clicked : selected.first();
    draggedRow_ = QPersistentModelIndex(indexFromItem(row));
}

void WorkbookListView::mouseMoveEvent(QMouseEvent* event) {
    if (!windowIsBusy() && window_.showDefaultPointer)
        window_.showDefaultPointer();
    if (!dragActive_) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    // While carrying, the view's own drag selection stays off: only the carried text moves.
    if (QTreeWidgetItem* target = itemAt(event->position().toPoint()))
        carryOver(target, event->globalPosition().y());
    event->accept();
}

void WorkbookListView::carryOver(QTreeWidgetItem* target, qreal screenY) {
    QTreeWidgetItem* carrier = draggedRow_.isValid() ? itemFromIndex(draggedRow_) : nullptr;
    if (!carrier || carrier->text(0) == target->text(0))
        return;
    const QString carried = carrier->text(0);
    carrier->setText(0, target->text(0));
    target->setText(0, carried);
    setCurrentItem(target);
    draggedRow_ = QPersistentModelIndex(indexFromItem(target));
    scrollNear(indexOfTopLevelItem(target) + 1, screenY);
}

// The bounds are absolute screen rows, wherever the window stands.
void WorkbookListView::scrollNear(int row1Based, qreal screenY) {
    if (screenY < kScrollUpBelowScreenY && row1Based > 1)
        scrollToItem(topLevelItem(row1Based - 2));
    else if (screenY > kScrollDownAboveScreenY && row1Based + 1 <= rowCount())
        scrollToItem(topLevelItem(row1Based));
}

void WorkbookListView::mouseReleaseEvent(QMouseEvent* event) {
    dragActive_ = false;
    setCursor(Qt::ArrowCursor);
    QTreeWidget::mouseReleaseEvent(event);
}

void WorkbookListView::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void WorkbookListView::dragMoveEvent(QDragMoveEvent* event) {
    if (localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void WorkbookListView::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty() || !window_.dialogs) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Walking a dropped folder can take long; the source of the drag should not wait for it.
    QMetaObject::invokeMethod(
        this, [this, paths] { addDroppedPaths(paths); }, Qt::QueuedConnection);
}

void WorkbookListView::addDroppedPaths(const QStringList& paths) {
    if (window_.dialogs)
        AddDroppedPaths(*this, paths, *window_.dialogs, window_.closed);
}

}  // namespace pv
