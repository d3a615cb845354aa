#pragma once
// The workbook list (ListView1): one row per input workbook, one text per row, in the order the
// rows were added; one column. Removes the selected row on Delete or a double-click, moves a
// row's text when the user drags over the rows, and takes files and folders dropped on it.
#include <QPersistentModelIndex>
#include <QString>
#include <QTreeWidget>

#include <functional>
#include <utility>

namespace pv {

class Dialogs;

// What the list asks of the window that holds it. A list without a window is never busy, leaves
// the pointer alone and takes no drops.
struct ListWindow {
    // The window is busy (the hourglass shows): Delete and "Clear List" do nothing.
    std::function<bool()> busy;
    // A move over the list shows the default pointer, unless the window is busy.
    std::function<void()> showDefaultPointer;
    // Holds the optional drag.ico, the pointer while a row is carried; null without a window.
    QString applicationFolder;
    // Shows the error reports of a dropped folder's walk.
    Dialogs* dialogs = nullptr;
    // The window was closed: a dropped folder's walk ends where it is.
    std::function<bool()> closed;
};

class WorkbookListView : public QTreeWidget {
    Q_OBJECT
  public:
    static constexpr const char* kColumnHeader = "Excel File(s)";
    static constexpr int kColumnWidthTwips = 7000;
    static constexpr const char* kToolTip =
        "Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
        "window to reveal full names.";
    // Screen rows above and below which a drag brings the neighbouring row into view.
    static constexpr int kScrollUpBelowScreenY = 305;
    static constexpr int kScrollDownAboveScreenY = 364;

    explicit WorkbookListView(QWidget* parent = nullptr);
    void setWindow(ListWindow window) { window_ = std::move(window); }

    // Appends a row holding `text` unchanged; no duplicate or existence test.
    void AddWorkbookRow(const QString& text);
    int rowCount() const;
    // The text of row `row1Based` (1 to rowCount()).
    QString rowText(int row1Based) const;

    // Removes the selected row, unless the window is busy (hourglass) or nothing is selected.
    void RemoveSelectedRow();
    // Removes every row, unless the window is busy.
    void ClearRows();

    // The reorder state: true from a press in the list to its release.
    bool DragActive() const { return dragActive_; }
    // The row now carrying the dragged text, 1-based; 0 when none or removed since.
    int DraggedRow() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool windowIsBusy() const;
    void startCarrying(QTreeWidgetItem* clicked);
    void carryOver(QTreeWidgetItem* target, qreal screenY);
    void scrollNear(int row1Based, qreal screenY);
    void addDroppedPaths(const QStringList& paths);

    ListWindow window_;
    bool dragActive_ = false;
    // Follows its row while other rows are removed; invalid once the row itself is gone.
    QPersistentModelIndex draggedRow_;
};

}  // namespace pv
