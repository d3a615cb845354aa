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
#include "core/Error.h"
#include "host/cells/CellRef.h"

namespace pv {

RangePromptDialog::RangePromptDialog(const QString& workbookPath, const QString& prompt,
                                     const RangePromptCells& cells, QWidget* parent)
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
    unavailable_ = new QLabel(this);
    unavailable_->setObjectName("cellsUnavailable");
    unavailable_->setWordWrap(true);
    unavailable_->setAlignment(Qt::AlignCenter);
    unavailable_->setTextFormat(Qt::PlainText);
    unavailable_->hide();
    layout->addWidget(unavailable_, 1);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    resize(sizeWithinScreen(*this, {720, 480}));
    keepFrameOnScreenWhenShown(*this, false);  // OK and Cancel stay within reach

    loadCells(cells);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(grid_, &QTableWidget::itemSelectionChanged, this, [this] { selectionToField(); });
    connect(reference_, &QLineEdit::textEdited, this, [this] { fieldToSelection(); });
}

void RangePromptDialog::loadCells(const RangePromptCells& cells) {
    CellTexts texts;
    try {
        texts = cells(kRowsShown, kColumnsShown);
    } catch (const Error& failure) {
        showUnavailable(QString::fromStdString(failure.description()) +
                        QString(" (error %1)").arg(failure.number()));
        return;
    } catch (const std::exception& failure) {
        showUnavailable(QString::fromLocal8Bit(failure.what()));
        return;
    }
    for (std::size_t row = 0; row < texts.size() && row < std::size_t{kRowsShown}; ++row)
        for (std::size_t column = 0;
             column < texts[row].size() && column < std::size_t{kColumnsShown}; ++column)
            if (!texts[row][column].empty())
                grid_->setItem(int(row), int(column),
                               new QTableWidgetItem(QString::fromStdString(texts[row][column])));
}

void RangePromptDialog::showUnavailable(const QString& why) {
    grid_->hide();
    unavailable_->setText("The cells of this workbook cannot be shown: " + why +
                          "\n\nType the reference of the cells instead.");
    unavailable_->show();
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
                                           const std::string& prompt, const RangePromptCells& cells,
                                           QWidget* owner) {
    RangePromptDialog dialog(QString::fromStdString(workbookPath), QString::fromStdString(prompt),
                             cells, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.address();
}

}  // namespace pv
