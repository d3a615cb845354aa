#include "folders/PosixError.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "folders/FolderErrors.h"

namespace pv {

Error PosixError(int errnoValue, const char* what, const QString& path) {
    FolderError number = FolderError::ReadFailed;
    if (errnoValue == EACCES || errnoValue == EPERM)
        number = FolderError::PermissionDenied;
    else if (errnoValue == ENOENT || errnoValue == ENOTDIR)
        number = FolderError::PathNotFound;
    return Error(number,
                 std::string(what) + " " + path.toStdString() + ": " + std::strerror(errnoValue));
}

}  // namespace pv
