#include "folders/IsExistingFile.h"

#include <sys/stat.h>

#include <QFile>

namespace pv {

bool IsExistingFile(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace pv
