#include "app/RangePromptDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ScreenFit.h"
#include "host/SpreadsheetHost.h"
#include "host/cells/CellRef.h"

namespace pv {

RangePromptDialog::RangePromptDialog(const QString& workbookPath, const QString& prompt,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QFileInfo(workbookPath).fileName());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(prompt, this));
    reference_ = new QLineEdit(this);
    reference_->setObjectName("reference");
    layout->addWidget(reference_);
    grid_ = new QTableWidget(kRowsShown, kColumnsShown, this);
    grid_->setObjectName("cells");
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    QStringList columns;
    for (int column = 1; column <= kColumnsShown; ++column)
        columns << QString::fromStdString(host::columnLetters(column));
    grid_->setHorizontalHeaderLabels(columns);
    layout->addWidget(grid_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    resize(sizeWithinScreen(*this, {720, 480}));

    loadCells(workbookPath);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(grid_, &QTableWidget::itemSelectionChanged, this, [this] { selectionToField(); });
    connect(reference_, &QLineEdit::textEdited, this, [this] { fieldToSelection(); });
}

void RangePromptDialog::loadCells(const QString& workbookPath) {
    try {
        const auto host = host::createEngineHost();
        const auto workbook = host->open(workbookPath.toStdString());
        // The first sheet with content, as the run would save it; else the first worksheet.
        std::optional<std::size_t> shown;
        host::UsedRange used;
        for (std::size_t sheet = 0; sheet < workbook->sheets().size(); ++sheet) {
            if (workbook->sheets()[sheet].kind != host::SheetKind::Worksheet)
                continue;
            const host::UsedRange range = workbook->usedRange(sheet);
            const bool hasContent = range.hasContentBeyondA1();
            if (!shown || hasContent) {
                shown = sheet;
                used = range;
            }
            if (hasContent)
                break;
        }
        if (!shown)
            return;
        for (int row = 1; row <= std::min(used.lastRow, kRowsShown); ++row)
            for (int column = 1; column <= std::min(used.lastColumn, kColumnsShown); ++column) {
                const std::string text = workbook->cellText(*shown, row, column);
                if (!text.empty())
                    grid_->setItem(row - 1, column - 1,
                                   new QTableWidgetItem(QString::fromStdString(text)));
            }
    } catch (...) {
        // Nothing to show: the prompt still takes a typed reference.
    }
}

void RangePromptDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    keepFrameOnScreen(*this, false);  // OK and Cancel stay within reach
}

std::optional<std::string> RangePromptDialog::address() const {
    const auto range = host::parseRangeRef(reference_->text().trimmed().toStdString());
    if (!range)
        return std::nullopt;
    return host::absoluteAddress(range->first, range->second);
}

void RangePromptDialog::selectionToField() {
    if (syncing_)
        return;
    const QList<QTableWidgetSelectionRange> ranges = grid_->selectedRanges();
    if (ranges.isEmpty())
        return;
    const QTableWidgetSelectionRange& block = ranges.first();
    reference_->setText(QString::fromStdString(
        host::absoluteAddress({block.topRow() + 1, block.leftColumn() + 1},
                              {block.bottomRow() + 1, block.rightColumn() + 1})));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void RangePromptDialog::fieldToSelection() {
    const auto range = host::parseRangeRef(reference_->text().trimmed().toStdString());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(range.has_value());
    if (!range)
        return;
    syncing_ = true;
    grid_->clearSelection();
    const int lastRow = std::min(range->second.row, kRowsShown);
    const int lastColumn = std::min(range->second.column, kColumnsShown);
    if (range->first.row <= kRowsShown && range->first.column <= kColumnsShown)
        grid_->setRangeSelected(
            {range->first.row - 1, range->first.column - 1, lastRow - 1, lastColumn - 1}, true);
    syncing_ = false;
}

std::optional<std::string> askForRangeOver(const std::string& workbookPath,
                                           const std::string& prompt, QWidget* owner) {
    RangePromptDialog dialog(QString::fromStdString(workbookPath), QString::fromStdString(prompt),
                             owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.address();
}

}  // namespace pv
