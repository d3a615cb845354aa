#include "folders/PosixError.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "folders/FolderErrors.h"

namespace pv {

Error PosixError(int errnoValue, const char* what, const QString& path) {
    int number = folder_errors::kReadFailed;
    if (errnoValue == EACCES || errnoValue == EPERM)
        number = folder_errors::kPermissionDenied;
    else if (errnoValue == ENOENT || errnoValue == ENOTDIR)
        number = folder_errors::kPathNotFound;
    return Error(number,
                 std::string(what) + " " + path.toStdString() + ": " + std::strerror(errnoValue));
}

}  // namespace pv
