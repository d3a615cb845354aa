#pragma once
// One directory read: the names in a folder with their kind, as the file system stores them.
#include <QByteArray>
#include <QString>

#include <vector>

namespace pv {

struct DirectoryEntry {
    enum class Kind { File, Folder, FolderLink, Other };
    QByteArray nativeName;  // raw bytes, not necessarily valid UTF-8
    Kind kind = Kind::Other;
};

// Every entry of `folder` except "." and "..", ordered by name without regard to letter case, the
// order users know from other file managers; raw directory order would differ from disk to disk. A
// symbolic link counts as the kind of its target, except a link to a folder (FolderLink); a
// dangling link is Other. Throws pv::Error (folder_errors numbers) when the folder cannot be read.
std::vector<DirectoryEntry> ReadDirectoryEntries(const QString& folder);

}  // namespace pv
