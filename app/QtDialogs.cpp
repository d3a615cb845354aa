#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

#include "app/ApplicationTitle.h"
#include "app/RangePromptDialog.h"

namespace pv {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Message texts use CR LF and bare CR as line breaks; Qt breaks lines at LF only.
QString plainLines(const std::string& text) {
    QString lines = qt(text);
    lines.replace("\r\n", "\n");
    lines.replace(u'\r', u'\n');
    return lines;
}

// A box is as wide as its text; a window manager's title bar also holds the icon and its buttons,
// and cuts a title that does not fit to "P...". The box is kept wide enough for the title with
// that room beside it (Qt's own allowance is too small for common title bars).
void fitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    grid->addItem(new QSpacerItem(messageBoxWidthForTitle(box.windowTitle()), 0, QSizePolicy::Fixed,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

int messageBoxWidthForTitle(const QString& title) {
    constexpr int kTitleBarRoom = 160;  // icon, close, minimise and maximise buttons, margins
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    return metrics.horizontalAdvance(title) + kTitleBarRoom;
}

QString dialogTitle(const std::string& title) {
    return title.empty() ? applicationTitle() : qt(title);
}

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {}

void QtDialogs::message(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(qtIcon(icon), dialogTitle(title), plainLines(text), QMessageBox::Ok, owner_);
    fitTitle(box);
    box.exec();
}

bool QtDialogs::askYesNo(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, dialogTitle(title), plainLines(text),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    fitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& defaultText) {
    bool ok = false;
    const QString answer = QInputDialog::getText(owner_, dialogTitle(title), plainLines(prompt),
                                                 QLineEdit::Normal, qt(defaultText), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}

std::vector<std::string> QtDialogs::openFiles(const std::string& title, const std::string& filter,
                                              const std::string& startFolder) {
    std::vector<std::string> picked;
    for (const QString& path :
         QFileDialog::getOpenFileNames(owner_, dialogTitle(title), qt(startFolder), qt(filter)))
        picked.push_back(path.toStdString());
    return picked;
}

std::string QtDialogs::browseForFolder(const std::string& prompt, const std::string& startFolder) {
    return QFileDialog::getExistingDirectory(owner_, qt(prompt), qt(startFolder)).toStdString();
}

std::optional<std::string> QtDialogs::askForRange(const std::string& workbookPath,
                                                  const std::string& prompt,
                                                  const RangePromptCells& cells) {
    return askForRangeOver(workbookPath, prompt, cells, owner_);
}

}  // namespace pv
