#pragma once
// Screens a folder name for characters the program's file handling cannot carry safely:
// control characters (below 32 and 127 to 159), "?", and names that are not valid UTF-8.
#include <QByteArrayView>
#include <QString>

namespace pv {

// `name` as the file system stores it (raw bytes).
bool HasUnsafeCharacters(QByteArrayView nativeName);
bool HasUnsafeCharacters(const QString& name);

}  // namespace pv
