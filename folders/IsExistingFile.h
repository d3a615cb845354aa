#pragma once
#include <QString>

namespace pv {

// True when `path` names an existing regular file (a link to one counts); false for a folder, a
// device, a pipe or socket, a missing path or any failure. Nothing is opened: opening a pipe
// could block, and the file need not be readable.
bool IsExistingFile(const QString& path);

}  // namespace pv
