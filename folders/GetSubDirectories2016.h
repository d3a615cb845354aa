#pragma once
// The directory-tree walk: extends a folder list by every folder below its entries, level by
// level (breadth-first), leaving out folders it must not or cannot walk.
#include <QStringList>

#include <functional>
#include <string>

namespace pv {

class Dialogs;
class FolderReader;

// Shown in the error report of a failure the walk cannot handle itself.
inline constexpr char kWalkLocation[] = "in Corvedale2021/08/31.AddFolder.GetSubDirectories2016 ";

struct WalkServices {
    const FolderReader& reader;
    // Shows the standard error report for the failures the walk cannot handle itself.
    Dialogs& dialogs;
    // True once the walk is to end early (its window was closed); it then leaves `folders` as
    // far as it got. Empty: the walk runs to its end.
    std::function<bool()> stopped = {};
    // Told of each folder that could not be listed once listing began (its number and
    // description), whether it leaves the list or stays. Empty: such folders pass silently, as in
    // the window.
    std::function<void(const QString& folder, int number, const std::string& description)>
        unlisted = {};
};

// `folders` holds folder paths that each end in "/". Appends the folders below them, one level at a
// time (only the first level when `recurse` is false). Left out, with everything below them:
// hidden system folders, symbolic links to folders (they could lead back into the tree), names
// with unsafe characters or of 260 characters or more, and folders whose path reaches 260
// characters. An entry whose listing is refused or which vanished leaves the list; an entry that
// fails otherwise stays. The walk always ends: every level adds to the path length. It calls the
// event hook as it goes, so a window stays responsive.
void GetSubDirectories2016(QStringList& folders, bool recurse, const WalkServices& services);

}  // namespace pv
