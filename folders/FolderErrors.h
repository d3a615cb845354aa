#pragma once
// Failures of the folder services (2000-2999). The walk tells a folder it may not read and a folder
// that is gone apart from every other failure: those two drop the folder from the list.
#include <string_view>

#include "core/ErrorCode.h"

namespace pv {

enum class FolderError {
    DesktopNotFound = 2010,   // the system names no Desktop folder
    PermissionDenied = 2070,  // a folder or file may not be read
    PathNotFound = 2076,      // a folder or file is gone
    ReadFailed = 2080,        // any other failure of a directory or attribute read
};

constexpr std::string_view describe(FolderError code) {
    switch (code) {
        case FolderError::DesktopNotFound:
            return "the system names no Desktop folder";
        case FolderError::PermissionDenied:
            return "a folder or file may not be read";
        case FolderError::PathNotFound:
            return "a folder or file is gone";
        case FolderError::ReadFailed:
            return "any other failure of a directory or attribute read";
    }
    return {};
}

}  // namespace pv
