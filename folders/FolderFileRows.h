#pragma once
// Adds the files of walked folders as rows: the one rule of which files a folder gives, shared by
// "Add All Excel Files In Folder", a dropped folder and a folder on the command line.
// `Procedure` runs the numbered steps (GuardedProcedure or QuietProcedure); `Rows` takes each
// row through AddWorkbookRow(const QString&) (the window's list, or the command line's inputs).
#include <QString>
#include <QStringList>

#include <functional>

#include "core/EventHook.h"
#include "folders/FileAttributes.h"
#include "folders/IsExistingFile.h"
#include "folders/ListFilesInFolder.h"
#include "folders/PathRoutines.h"

namespace pv {

// The step of AddFolderFileRows that lists a folder's files: the one whose failure means the
// folder gave none (the others fail for one file at most).
inline constexpr int kListFolderFilesLine = 124;

// `folders` as the walk leaves them: each ends in "/". Names starting with "~" (lock files of
// open workbooks) and hidden, writable regular files are left out; every row is normalised. The
// event hook runs after each file: callers walking many throttle it (ThrottledEventHook). Once
// `stopped` holds (the window was closed), no further row is added.
template <typename Procedure, typename Rows>
void AddFolderFileRows(Procedure& proc, Rows& rows, const QStringList& folders,
                       const QString& pattern, const std::function<bool()>& stopped = {}) {
    const auto stopRequested = [&] { return stopped && stopped(); };
    for (const QString& entry : folders) {
        if (stopRequested())
            return;
        QString folder;
        NameArray names;
        proc.step(122, [&] { folder = entry.chopped(1); });
        proc.step(kListFolderFilesLine, [&] { names = ListFilesInFolder(folder, pattern); });
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
                [&] { rows.AddWorkbookRow(NormalizePath(path)); });
            EventHook::letEventsThrough();
            if (stopRequested())
                return;
        }
    }
}

}  // namespace pv
