#include "folders/PathRoutines.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "core/Error.h"
#include "folders/FolderErrors.h"

namespace pv {

namespace {

QString collapsePairs(const QString& text, QChar separator) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator)
            ++i;
    }
    return result;
}

}  // namespace

QString NormalizePath(const QString& path, QChar separator) {
    if (separator != u'\\' || !path.startsWith(separator))
        return collapsePairs(path, separator);
    qsizetype k = 0;
    while (k < path.size() && path[k] == separator)
        ++k;
    return QString(2, separator) + collapsePairs(path.mid(k), separator);
}

bool PathExists(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool FolderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString FileNameFromPath(const QString& path, QChar separator) {
    return path.mid(path.lastIndexOf(separator) + 1);
}

QString DesktopPathFrom(const QString& desktopFolder, QChar separator) {
    if (desktopFolder.isEmpty())
        throw Error(FolderError::DesktopNotFound, "The Desktop folder cannot be determined");
    QString path = desktopFolder;
    if (separator != u'/')
        path.replace(u'/', separator);
    while (path.endsWith(separator))
        path.chop(1);
    return path + separator;
}

QString UserDesktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return FolderExists(desktop) ? desktop : QDir::homePath();
}

QString GetDesktopPath(QChar separator) {
    return DesktopPathFrom(UserDesktopFolder(), separator);
}

QString ExpandHomeFolder(const QString& path, QChar separator) {
    if (path != u"~" && !path.startsWith(QString(u'~') + separator))
        return path;
    QString home = QDir::homePath();
    if (separator != u'/')
        home.replace(u'/', separator);
    while (home.endsWith(separator))
        home.chop(1);
    return home + path.mid(1);
}

}  // namespace pv
