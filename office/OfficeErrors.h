#pragma once
// Failures of the LibreOffice bridge (3600-3699): workbooks in formats our engine does not read or
// write, converted by an installed LibreOffice.
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::office {

enum class OfficeError {
    OfficeMissing = 3601,  // no soffice is installed: such a workbook cannot be opened or written
    ConversionFailed = 3602,    // soffice did not start, crashed or wrote nothing
    ConversionTimedOut = 3603,  // soffice was stopped after its time ran out
    CannotPlaceOutput = 3604,   // the converted file could not be moved into place
    // The run never asks for such a save: it names the sheet in a format that holds it (note
    // split::SplitError::SavedInSourceFormat).
    SheetDoesNotFitOutput = 3605,  // the sheet is larger than the output's format holds: nothing is
                                   // written, as a sheet is never cut down
    TemporaryFolder = 3606,        // no private temporary folder could be made
    NotAWorkbook = 3607,           // the file is not a workbook of the format its name gives
    TemporaryFolderFull = 3608,    // the temporary folder has no room for the copies and
                                   // conversions LibreOffice works on
    OutputDiskFull = 3609,         // the output folder's disk has no room for the converted sheet
};

constexpr std::string_view describe(OfficeError code) {
    switch (code) {
        case OfficeError::OfficeMissing:
            return "no soffice is installed: such a workbook cannot be opened or written";
        case OfficeError::ConversionFailed:
            return "soffice did not start, crashed or wrote nothing";
        case OfficeError::ConversionTimedOut:
            return "soffice was stopped after its time ran out";
        case OfficeError::CannotPlaceOutput:
            return "the converted file could not be moved into place";
        case OfficeError::SheetDoesNotFitOutput:
            return "the sheet is larger than the output's format holds: nothing is written, as a "
                   "sheet is never cut down";
        case OfficeError::TemporaryFolder:
            return "no private temporary folder could be made";
        case OfficeError::NotAWorkbook:
            return "the file is not a workbook of the format its name gives";
        case OfficeError::TemporaryFolderFull:
            return "the temporary folder has no room for the copies and conversions LibreOffice "
                   "works on";
        case OfficeError::OutputDiskFull:
            return "the output folder's disk has no room for the converted sheet";
    }
    return {};
}

}  // namespace pv::office
