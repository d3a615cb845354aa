#pragma once
// Adds the files of walked folders as rows: the shared part of adding a folder and of dropping
// one. `Procedure` runs the numbered steps (GuardedProcedure or QuietProcedure).
#include <QString>
#include <QStringList>

#include "core/EventHook.h"
#include "folders/FileAttributes.h"
#include "folders/IsExistingFile.h"
#include "folders/ListFilesInFolder.h"
#include "folders/PathRoutines.h"
#include "list/WorkbookListView.h"

namespace pv {

// `folders` as the walk leaves them: each ends in "/". Names starting with "~" (lock files of
// open workbooks) and hidden, writable regular files are left out; every row is normalised. The
// event hook runs after each file: callers walking many throttle it (ThrottledEventHook).
template <typename Procedure>
void AddFolderFileRows(Procedure& proc, WorkbookListView& list, const QStringList& folders,
                       const QString& pattern) {
    for (const QString& entry : folders) {
        QString folder;
        NameArray names;
        proc.step(122, [&] { folder = entry.chopped(1); });
        proc.step(124, [&] { names = ListFilesInFolder(folder, pattern); });
        for (int i = 1; i <= names.upperBound(); ++i) {
            bool lockFile = false;
            proc.stepIf(
                128, [&] { return names[i].startsWith(u'~'); }, [&] { lockFile = true; });
            if (lockFile)
                continue;
            QString path;
            proc.step(130, [&] { path = folder + u'/' + names[i]; });
            proc.stepIf(
                134,
                [&] {
                    return IsExistingFile(path) &&
                           FileAttributes(path) != attributes::kHiddenArchiveFile;
                },
                [&] { list.AddWorkbookRow(NormalizePath(path)); });
            EventHook::letEventsThrough();
        }
    }
}

}  // namespace pv
