#pragma once
#include <QString>
#include <QStringList>

namespace pv {

class Dialogs;

// `folder` and every folder below it that the walk lets through, each ending in "/".
QStringList WalkedFolders(const QString& folder, Dialogs& dialogs);

}  // namespace pv
