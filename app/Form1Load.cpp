// The main window's start-up sequence and the start-up routines that give it its look.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include "app/AppErrors.h"
#include "app/ApplicationTitle.h"
#include "app/Form1.h"
#include "app/ProgramIcon.h"
#include "app/SettingsStore.h"
#include "app/SkinFramework.h"
#include "app/Twips.h"
#include "core/Error.h"
#include "core/ErrorReport.h"
#include "core/GuardedProcedure.h"
#include "folders/PathRoutines.h"
#include "list/WorkbookListView.h"

namespace pv {

namespace {

// A .cur file keeps the hot spot of its first image where an .ico keeps planes and bit count.
QPoint cursorHotSpot(const QString& cursorFile) {
    QFile file(cursorFile);
    if (!file.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QByteArray header = file.read(14);
    const auto u16 = [&](int at) {
        return int(quint8(header[at])) | (int(quint8(header[at + 1])) << 8);
    };
    if (header.size() < 14 || u16(2) != 2)
        return {-1, -1};
    return {u16(10), u16(12)};
}

}  // namespace

void Form1::Form_Load() {
    GuardedProcedure proc(dialogs_, form1Location("Form_Load"));
    bool hasHandCursor = false;
    const QString handCursorFile = applicationFolder_ + "/HAND-M.CUR";

    proc.step(102, [&] { ApplySkin(); });
    proc.step(104, [&] { hasHandCursor = PathExists(handCursorFile); });
    proc.stepIf(
        106, [&] { return hasHandCursor; }, [&] { loadMouseIcon(handCursorFile); });
    proc.step(126, [&] {
        setWindowTitle(kProductTitle);
        setWindowIcon(programIcon());
        SetApplicationTitle();
    });
    proc.step(128, [&] { ListView1->setHeaderLabels({WorkbookListView::kColumnHeader}); });
    proc.step(130, [&] {
        ListView1->setColumnWidth(0, twipsToPixels(WorkbookListView::kColumnWidthTwips));
    });
    proc.step(132, [&] {
        const QString desktop = DesktopPathFrom(desktopFolderSource_());
        setOutputFolderText(settings_.read(setting::kFolder, desktop));
    });
    int line = 134;
    for (std::string_view option : split::kNamingOptionTexts) {
        proc.step(line, [&] {
            // A drop-down list selects its first item when it gets one; nothing is chosen
            // until the stored option is.
            const QSignalBlocker quiet(Combo1);
            Combo1->addItem(QString::fromUtf8(option.data(), qsizetype(option.size())));
            Combo1->setCurrentIndex(-1);
        });
        line += 2;
    }
    proc.step(144, [&] {
        selectNamingOption(settings_.read(setting::kSaveOption,
                                          QString::fromUtf8(split::kNamingOptionTexts[0].data())));
    });
    proc.step(146, [&] { CheckHostInstalled(dialogs_, hostProbe_, programEnd_); });
}

void Form1::loadMouseIcon(const QString& cursorFile) {
    QImageReader reader(cursorFile, "ico");
    const QImage image = reader.read();
    if (image.isNull())
        throw Error(AppError::CursorFileUnreadable, "Cannot load cursor file " +
                                                        cursorFile.toStdString() + ": " +
                                                        reader.errorString().toStdString());
    const QPoint hotSpot = cursorHotSpot(cursorFile);
    mouseIcon_ = QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

void Form1::selectNamingOption(const QString& text) {
    const int index = Combo1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(-1);
        throw Error(AppError::NamingOptionNotInList,
                    "The naming option \"" + text.toStdString() + "\" is not in the list");
    }
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(index);
    }
    Combo1_Click();  // the selection counts as a click
}

void Form1::ApplySkin() {
    const QString skinFile = applicationFolder_ + "/x/o.cjs";
    if (!QFileInfo(skinFile).isFile())
        return;
    const QColor face = QApplication::palette().color(QPalette::Button);
    const auto paintFace = [&](QWidget* widget) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, face);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    };
    paintFace(this);
    // Frames, labels, check boxes and option buttons take the face colour; the list, the
    // fields, the buttons and the progress bar keep theirs.
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control->inherits("QGroupBox") || control->inherits("QLabel") ||
            control->inherits("QCheckBox") || control->inherits("QRadioButton"))
            paintFace(control);
    }
    SkinFramework1->loadSkin(skinFile, "");
    SkinFramework1->setApplyOptions(SkinFramework1->applyOptions() | SkinFramework::kSkinEnabled);
    SkinFramework1->setApplyToDialogs(true);
    SkinFramework1->setApplyToNewWindows(true);
    SkinFramework1->applyWindow(this);
}

void Form1::SetApplicationTitle() {
    setApplicationTitle(shortenedApplicationTitle(kProductTitle));
}

}  // namespace pv
