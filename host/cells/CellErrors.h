#pragma once
// Failures of reading a sheet's cells (engine numbers 1000-1999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class CellError {
    BadCellReference = 1012,  // a cell or row outside the sheet's limits
};

constexpr std::string_view describe(CellError code) {
    switch (code) {
        case CellError::BadCellReference:
            return "a cell or row outside the sheet's limits";
    }
    return {};
}

}  // namespace pv::host
