#include "folders/FileAttributes.h"

#include <sys/stat.h>

#include <QFile>

#include <cerrno>

#include "folders/PosixError.h"

namespace pv {

namespace {

QString lastName(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
}

}  // namespace

int FileAttributes(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat own {};
    if (::lstat(native.constData(), &own) != 0)
        throw PosixError(errno, "Cannot read the attributes of", path);

    int result = 0;
    struct stat target = own;
    if (S_ISLNK(own.st_mode)) {
        result |= attributes::kReparsePoint;
        if (::stat(native.constData(), &target) != 0)
            target = own;  // a dangling link: only the reparse point
    }
    if (S_ISDIR(target.st_mode))
        result |= attributes::kDirectory;
    else if (S_ISREG(target.st_mode))
        result |= attributes::kArchive;
    if (!(target.st_mode & S_IWUSR))
        result |= attributes::kReadOnly;
    if (lastName(path).startsWith(u'.'))
        result |= attributes::kHidden;
    return result;
}

}  // namespace pv
