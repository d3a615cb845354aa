#include "folders/DiskFolderReader.h"

#include "folders/DirectoryEntries.h"
#include "folders/FileAttributes.h"
#include "folders/PathRoutines.h"

namespace pv {

namespace {

QString withoutTrailingSeparators(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

}  // namespace

bool DiskFolderReader::folderExists(const QString& path) const {
    return FolderExists(path);
}

bool DiskFolderReader::isRootFolder(const QString& path) const {
    return withoutTrailingSeparators(path) == u"/";
}

int DiskFolderReader::attributes(const QString& path) const {
    return FileAttributes(withoutTrailingSeparators(path));
}

std::vector<FolderReader::SubFolder> DiskFolderReader::subFolders(const QString& path) const {
    std::vector<SubFolder> result;
    for (auto& entry : ReadDirectoryEntries(path)) {
        if (entry.kind == DirectoryEntry::Kind::Folder)
            result.push_back({std::move(entry.nativeName), false});
        else if (entry.kind == DirectoryEntry::Kind::FolderLink)
            result.push_back({std::move(entry.nativeName), true});
    }
    return result;
}

}  // namespace pv
