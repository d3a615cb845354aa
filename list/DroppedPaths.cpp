#include "list/DroppedPaths.h"

#include "core/EventHook.h"
#include "core/QuietProcedure.h"
#include "folders/FolderFileRows.h"
#include "folders/PathRoutines.h"
#include "list/WalkedFolders.h"
#include "list/WorkbookListView.h"

namespace pv {

void AddDroppedPaths(WorkbookListView& list, const QStringList& paths, Dialogs& dialogs,
                     const std::function<bool()>& stopped) {
    const ThrottledEventHook throttle;
    QuietProcedure quiet;
    for (const QString& path : paths) {
        if (stopped && stopped())
            return;
        if (!FolderExists(path)) {
            list.AddWorkbookRow(path);
            continue;
        }
        const QStringList folders = WalkedFolders(path, dialogs, stopped);
        AddFolderFileRows(quiet, list, folders, "*.*", stopped);
    }
}

}  // namespace pv
