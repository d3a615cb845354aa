#pragma once
// Failures and notes of the split run and its naming (3000-3599).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::split {

enum class SplitError {
    WouldReplaceListedWorkbook = 3001,  // the output would replace a workbook of the list
    SavedInSourceFormat = 3002,  // the sheet was saved under another name: its source's format or the default one
    CannotPlaceOutput = 3003,  // the finished output could not be moved to its name
    OutOfMemory = 3004,  // the memory ran out while a workbook or sheet was read or saved
    NoWorksheetToShow = 3005,  // the range prompt's workbook has no worksheet to show
    CannotWriteAnyFormat = 3101,  // neither the name's format nor the source's nor the default one can be written
    FormatNotWritten = 3102,  // the output format asked for cannot be written for this sheet
    NoFreeName = 3401,  // every number up to 32767 is taken
    FileNumberExhausted = 3402,  // the run's file number passed 32767
    UnsafeStem = 3403,  // a sheet or workbook name holding a separator
    LookupFailed = 3404,  // the folder could not be asked for a name
};

constexpr std::string_view describe(SplitError code) {
    switch (code) {
    case SplitError::WouldReplaceListedWorkbook:
        return "the output would replace a workbook of the list";
    case SplitError::SavedInSourceFormat:
        return "the sheet was saved under another name: its source's format or the default one";
    case SplitError::CannotPlaceOutput:
        return "the finished output could not be moved to its name";
    case SplitError::OutOfMemory:
        return "the memory ran out while a workbook or sheet was read or saved";
    case SplitError::NoWorksheetToShow:
        return "the range prompt's workbook has no worksheet to show";
    case SplitError::CannotWriteAnyFormat:
        return "neither the name's format nor the source's nor the default one can be written";
    case SplitError::FormatNotWritten:
        return "the output format asked for cannot be written for this sheet";
    case SplitError::NoFreeName:
        return "every number up to 32767 is taken";
    case SplitError::FileNumberExhausted:
        return "the run's file number passed 32767";
    case SplitError::UnsafeStem:
        return "a sheet or workbook name holding a separator";
    case SplitError::LookupFailed:
        return "the folder could not be asked for a name";
    }
    return {};
}

}  // namespace pv::split
