#pragma once
// Failures of reading a sheet's cells (engine numbers 1000-1999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class CellError {
    BadCellReference = 1012,  // a cell or row outside the sheet's limits
    BadSharedString = 1023,   // a cell names a shared string the table does not hold
};

constexpr std::string_view describe(CellError code) {
    switch (code) {
        case CellError::BadCellReference:
            return "a cell or row outside the sheet's limits";
        case CellError::BadSharedString:
            return "a cell names a shared string the table does not hold";
    }
    return {};
}

}  // namespace pv::host
