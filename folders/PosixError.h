#pragma once
// Turns a failed system call on a path into the folder services' pv::Error.
#include <QString>

#include "core/Error.h"

namespace pv {

Error PosixError(int errnoValue, const char* what, const QString& path);

}  // namespace pv
