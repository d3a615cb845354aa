#pragma once
#include <QStringList>

#include <functional>

namespace pv {

class Dialogs;
class WorkbookListView;

// Adds dropped files and folders in the order given: a file (or anything that is not an existing
// folder) becomes one row unchanged; a folder is walked and every file below it becomes a row.
// `dialogs` shows the walk's own error reports. Once `stopped` holds (the window was closed),
// nothing more is added.
void AddDroppedPaths(WorkbookListView& list, const QStringList& paths, Dialogs& dialogs,
                     const std::function<bool()>& stopped = {});

}  // namespace pv
