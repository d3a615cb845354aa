// The workbook list's commands of the main window.
#include <QString>

#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "core/ErrorReport.h"
#include "core/EventHook.h"
#include "core/GuardedProcedure.h"
#include "folders/BrowseForFolder.h"
#include "folders/FolderFileRows.h"
#include "folders/PathRoutines.h"
#include "list/DroppedPaths.h"
#include "list/SampleWorkbooks.h"
#include "list/WalkedFolders.h"
#include "list/WorkbookListView.h"

namespace pv {

namespace {

constexpr const char* kAddFilesTitle = "Add File(s) - Hold Ctrl to select multiple files";
constexpr const char* kAddFilesFilter = "Excel Files (*.xl*)";
constexpr const char* kExtensionPrompt =
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc "
    "files, etc.)";
constexpr const char* kDefaultExtension = "xl*";
constexpr const char* kFolderPrompt = "Please select folder:";

}  // namespace

// Add Excel File(s). The dialog has no fixed result buffer, so every pick is added.
void Form1::PushButton1_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton1_Click"));
    std::vector<std::string> picked;
    proc.step(112, [&] { picked = dialogs().openFiles(kAddFilesTitle, kAddFilesFilter, {}); });
    proc.stepIf(
        114, [&] { return picked.empty(); }, [&] { proc.end(); });
    if (picked.size() == 1) {
        proc.step(122, [&] { listView()->AddWorkbookRow(QString::fromStdString(picked[0])); });
        return;
    }
    for (const std::string& file : picked) {
        QString path;
        proc.step(138, [&] { path = NormalizePath(QString::fromStdString(file)); });
        proc.step(140, [&] { listView()->AddWorkbookRow(path); });
    }
}

// Add All Excel Files In Folder.
void Form1::PushButton4_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton4_Click"));
    QString extension;
    proc.step(100, [&] {
        const auto answer = dialogs().inputBox(
            kExtensionPrompt, {},
            settings().read(setting::kExtension, kDefaultExtension).toStdString());
        extension = QString::fromStdString(answer.value_or(std::string()));
        if (!extension.isEmpty())
            settings().write(setting::kExtension, extension);
    });
    proc.stepIf(
        102, [&] { return extension.isEmpty(); }, [&] { proc.end(); });
    proc.step(104, [&] { settings().write(setting::kExtension, extension); });
    QString chosen;
    proc.step(106, [&] {
        chosen =
            BrowseForFolder(dialogs(), kFolderPrompt, settings().read(setting::kLastFolder, {}));
    });
    proc.stepIf(
        108, [&] { return chosen.isEmpty(); }, [&] { proc.end(); });
    proc.step(334, [&] { settings().write(setting::kLastFolder, chosen); });
    if (proc.ended())
        return;

    proc.step(114, [&] { setMousePointer(pointer::kHourglass); });
    const ThrottledEventHook throttle;
    QStringList folders;
    // Closing the window ends the walk where it is; the program then ends.
    const auto closedWindow = [this] { return closed(); };
    proc.step(118, [&] { folders = WalkedFolders(chosen, dialogs(), closedWindow); });
    AddFolderFileRows(proc, *listView(), folders, "*." + extension, closedWindow);
    proc.step(138, [&] { setMousePointer(pointer::kDefault); });
}

// Clear List.
void Form1::PushButton5_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton5_Click"));
    proc.step(100, [&] { listView()->ClearRows(); });
}

// Load Sample/Example Files.
void Form1::PushButton6_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton6_Click"));
    proc.step(100, [&] { LoadSampleWorkbooks(*listView(), applicationFolder(), dialogs()); });
}

void Form1::OpenWorkbookPaths(const QStringList& paths) {
    AddDroppedPaths(*listView(), paths, dialogs());
}

}  // namespace pv
