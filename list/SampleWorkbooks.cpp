#include "list/SampleWorkbooks.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/Dialogs.h"
#include "folders/ListFilesInFolder.h"
#include "folders/PathRoutines.h"
#include "list/WorkbookListView.h"

namespace pv {

FolderOpener& folderOpener() {
    static FolderOpener opener = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));  // result ignored
    };
    return opener;
}

bool ListContains(const WorkbookListView& list, const QString& text) {
    for (int row = 1; row <= list.rowCount(); ++row) {
        if (list.rowText(row) == text)
            return true;
    }
    return false;
}

void LoadSampleWorkbooks(WorkbookListView& list, const QString& applicationFolder,
                         Dialogs& dialogs) {
    const QString samples = applicationFolder + "/Samples/";
    const NameArray names = ListFilesInFolder(samples, "*.*");
    for (int i = 1; i <= names.upperBound(); ++i) {
        const QString path = samples + names[i];
        if (PathExists(path) && !ListContains(list, path))
            list.AddWorkbookRow(path);
    }
    if (dialogs.askYesNo(kOpenSamplesQuestion))
        folderOpener()(samples);
}

}  // namespace pv
