#pragma once
// Failures of a package whose parts are there but do not fit together (engine numbers 1000-1999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class PackageError {
    BadStructure = 1011,       // the parts are present but inconsistent
    RelationshipCycle = 1013,  // a chain of relationships loops back
    SharedSheetPart = 1014,    // one part is used by two sheets
    UnknownNamespace = 1022,   // the workbook is in a namespace other than the two of the format
    LinksWorkbookPart = 1024,  // a sheet's part links the workbook part or the shared strings
};

constexpr std::string_view describe(PackageError code) {
    switch (code) {
        case PackageError::BadStructure:
            return "the parts are present but inconsistent";
        case PackageError::RelationshipCycle:
            return "a chain of relationships loops back";
        case PackageError::SharedSheetPart:
            return "one part is used by two sheets";
        case PackageError::UnknownNamespace:
            return "the workbook is in a namespace other than the two of the format";
        case PackageError::LinksWorkbookPart:
            return "a sheet's part links the workbook part or the shared strings";
    }
    return {};
}

}  // namespace pv::host
