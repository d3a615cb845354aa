#include "list/WorkbookListView.h"

#include "app/Twips.h"

namespace pv {

WorkbookListView::WorkbookListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("ListView1");
    setColumnCount(1);
    setHeaderLabels({kColumnHeader});
    setColumnWidth(0, twipsToPixels(kColumnWidthTwips));
    setRootIsDecorated(false);
    setToolTip(kToolTip);
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

}  // namespace pv
