#pragma once
// Failures of what the run asks of the engine itself (engine numbers 1000-1999); the layers below
// have their own.
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class HostError {
    UnsupportedFormat = 1002,  // an extension this engine does not read
    NoSuchSheet = 1015,        // a sheet index out of range
    NotAWorksheet = 1016,      // cells asked of a chart sheet
    UnsupportedOutput = 1018,  // an output extension the engine cannot write
};

constexpr std::string_view describe(HostError code) {
    switch (code) {
        case HostError::UnsupportedFormat:
            return "an extension this engine does not read";
        case HostError::NoSuchSheet:
            return "a sheet index out of range";
        case HostError::NotAWorksheet:
            return "cells asked of a chart sheet";
        case HostError::UnsupportedOutput:
            return "an output extension the engine cannot write";
    }
    return {};
}

}  // namespace pv::host
