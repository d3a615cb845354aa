#pragma once
#include "folders/FolderReader.h"

namespace pv {

// The real file system.
class DiskFolderReader : public FolderReader {
  public:
    bool folderExists(const QString& path) const override;
    bool isRootFolder(const QString& path) const override;
    int attributes(const QString& path) const override;
    std::vector<SubFolder> subFolders(const QString& path) const override;
};

}  // namespace pv
