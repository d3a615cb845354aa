#include "list/WalkedFolders.h"

#include "folders/DiskFolderReader.h"
#include "folders/GetSubDirectories2016.h"

namespace pv {

QStringList WalkedFolders(const QString& folder, Dialogs& dialogs, std::function<bool()> stopped) {
    // A root, or a folder a file manager gave with its separator, must not end up with two.
    QStringList folders{folder.endsWith(u'/') ? folder : folder + u'/'};
    const DiskFolderReader reader;
    GetSubDirectories2016(folders, true, {reader, dialogs, std::move(stopped)});
    return folders;
}

}  // namespace pv
