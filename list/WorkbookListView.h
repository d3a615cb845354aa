#pragma once
// The workbook list (ListView1): one row per input workbook, one text per row, in the order the
// rows were added; one column.
#include <QString>
#include <QTreeWidget>

namespace pv {

class WorkbookListView : public QTreeWidget {
    Q_OBJECT
  public:
    static constexpr const char* kColumnHeader = "Excel File(s)";
    static constexpr int kColumnWidthTwips = 7000;
    static constexpr const char* kToolTip =
        "Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
        "window to reveal full names.";

    explicit WorkbookListView(QWidget* parent = nullptr);

    // Appends a row holding `text` unchanged; no duplicate or existence test.
    void AddWorkbookRow(const QString& text);
    int rowCount() const;
    // The text of row `row1Based` (1 to rowCount()).
    QString rowText(int row1Based) const;
};

}  // namespace pv
