#pragma once
// What the directory-tree walk reads from the file system. Tests put a fake behind it to cause
// what they cannot cause on disk as root: a folder that refuses listing, a folder that vanishes.
#include <QByteArray>
#include <QString>

#include <vector>

namespace pv {

class FolderReader {
  public:
    struct SubFolder {
        QByteArray nativeName;  // raw bytes, not necessarily valid UTF-8
        bool isReparsePoint = false;
    };

    virtual ~FolderReader() = default;

    // Paths may end in a separator. None of these is called with an empty path.
    virtual bool folderExists(const QString& path) const = 0;  // never throws
    virtual bool isRootFolder(const QString& path) const = 0;
    virtual int attributes(const QString& path) const = 0;                     // throws pv::Error
    virtual std::vector<SubFolder> subFolders(const QString& path) const = 0;  // throws pv::Error
};

}  // namespace pv
