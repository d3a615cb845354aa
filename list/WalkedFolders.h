#pragma once
#include <QString>
#include <QStringList>

#include <functional>

namespace pv {

class Dialogs;

// `folder` and every folder below it that the walk lets through, each ending in "/"; as far as
// the walk got once `stopped` holds.
QStringList WalkedFolders(const QString& folder, Dialogs& dialogs,
                          std::function<bool()> stopped = {});

}  // namespace pv
