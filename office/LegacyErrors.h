#pragma once
// Error numbers of the LibreOffice bridge (3600-3699): workbooks in formats our engine does not
// read or write, converted by an installed LibreOffice.
namespace pv::office::legacy_errors {

inline constexpr int kOfficeMissing = 3601;       // no soffice: such a workbook cannot be opened
inline constexpr int kConversionFailed = 3602;    // soffice did not start, crashed or wrote nothing
inline constexpr int kConversionTimedOut = 3603;  // soffice was stopped after its time ran out
inline constexpr int kCannotPlaceOutput = 3604;   // the converted file could not be moved in place
// The sheet does not fit the output's format (an .xls sheet holds 65,536 rows and 256 columns):
// nothing is written, as a sheet is never cut down. The run never asks for such a save: it names
// the sheet in a format that holds it (split::kSavedInSourceFormat).
inline constexpr int kSheetDoesNotFitOutput = 3605;
inline constexpr int kTemporaryFolder = 3606;  // no private temporary folder could be made

}  // namespace pv::office::legacy_errors
