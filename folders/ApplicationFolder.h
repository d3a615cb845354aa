#pragma once
// The application folder: where the window finds its optional files (hand cursor, drag icon, skin)
// and the Samples folder.
#include <QString>
#include <QStringList>

namespace pv {

// The entries whose presence marks a folder as the application folder.
QStringList ApplicationFolderEntries();

// The folder beside the executable when it holds any of those entries (the build tree, an
// unpacked copy); otherwise the installed data folder (share/pellavine, found relative to the
// executable, so a relocated installation works too) when it holds any; otherwise the folder
// beside the executable, where the optional files are simply absent.
QString ApplicationFolderFor(const QString& executableFolder);

}  // namespace pv
