#pragma once
#include <QString>

namespace pv {

class Dialogs;

// Lets the user choose a folder, opening at `startFolder` when that folder exists. Returns the
// chosen folder without a trailing separator (a root keeps its one), or the empty text on cancel.
QString BrowseForFolder(Dialogs& dialogs, const QString& prompt, const QString& startFolder);

}  // namespace pv
