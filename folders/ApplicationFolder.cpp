#include "folders/ApplicationFolder.h"

#include <QDir>
#include <QFileInfo>

#ifndef PV_DATA_FROM_BIN
#error "PV_DATA_FROM_BIN: the data folder relative to the executables (cmake/Packaging.cmake)"
#endif

namespace pv {

namespace {

bool holdsAnyEntry(const QString& folder) {
    for (const QString& entry : ApplicationFolderEntries())
        if (QFileInfo::exists(folder + '/' + entry))
            return true;
    return false;
}

}  // namespace

QStringList ApplicationFolderEntries() {
    return {"Samples", "HAND-M.CUR", "drag.ico", "x/o.cjs"};
}

QString ApplicationFolderFor(const QString& executableFolder) {
    if (holdsAnyEntry(executableFolder))
        return executableFolder;
    const QString installed =
        QDir::cleanPath(executableFolder + '/' + QStringLiteral(PV_DATA_FROM_BIN));
    if (holdsAnyEntry(installed))
        return installed;
    return executableFolder;
}

}  // namespace pv
