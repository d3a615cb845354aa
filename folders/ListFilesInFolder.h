#pragma once
#include <QString>

#include "folders/NameArray.h"

namespace pv {

// The names (without folder) of the files in `folder` (with or without a trailing "/") that
// match `pattern` (see WildcardMatch), hidden files included, folders left out, ordered by name.
// Names that are not valid UTF-8 are left out: no path built from them would name the file.
// A missing folder gives the empty form; any other failure to read the folder throws pv::Error.
NameArray ListFilesInFolder(const QString& folder, const QString& pattern);

}  // namespace pv
