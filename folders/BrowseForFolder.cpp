#include "folders/BrowseForFolder.h"

#include <QFileInfo>

#include "core/Dialogs.h"

namespace pv {

QString BrowseForFolder(Dialogs& dialogs, const QString& prompt, const QString& startFolder) {
    const bool startExists = !startFolder.isEmpty() && QFileInfo(startFolder).isDir();
    QString chosen = QString::fromStdString(dialogs.browseForFolder(
        prompt.toStdString(), startExists ? startFolder.toStdString() : ""));
    while (chosen.size() > 1 && chosen.endsWith(u'/'))
        chosen.chop(1);
    return chosen;
}

}  // namespace pv
