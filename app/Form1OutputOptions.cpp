// The output options: the output-folder field, its browse button and the naming list, kept in
// step with the store on every change.
#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "core/ErrorReport.h"
#include "core/GuardedProcedure.h"
#include "folders/BrowseForFolder.h"
#include "folders/PathRoutines.h"

namespace pv {

void Form1::setOutputFolderText(const QString& text) {
    {
        const QSignalBlocker quiet(Text3);
        Text3->setText(text);
    }
    Text3_Change();
}

void Form1::runUserChange(void (Form1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& failure) {
        dialogs_.message(failure.what(), {}, MessageIcon::Warning);
    }
}

void Form1::Text3_Change() {
    settings_.write(setting::kFolder, Text3->text());
}

void Form1::Combo1_Click() {
    if (Combo1->currentIndex() >= 0)
        settings_.write(setting::kSaveOption, Combo1->currentText());
}

void Form1::PushButton3_Click() {
    GuardedProcedure proc(dialogs_, form1Location("PushButton3_Click"));
    QString folder;
    proc.step(100, [&] {
        const QString startFolder = settings_.read(setting::kLastFolderDot, "");
        folder = BrowseForFolder(dialogs_, "Please select folder:", startFolder);
    });
    proc.stepIf(
        102, [&] { return folder.isEmpty(); }, [&] { proc.end(); });
    proc.step(102, [&] { settings_.write(setting::kLastFolderDot, folder); });
    proc.step(104, [&] { setOutputFolderText(NormalizePath(folder + QDir::separator())); });
}

}  // namespace pv
