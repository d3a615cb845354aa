#pragma once
// Error numbers of the LibreOffice bridge (3600-3699): workbooks in formats our engine does not
// read or write, converted by an installed LibreOffice.
namespace pv::office::legacy_errors {

inline constexpr int kOfficeMissing = 3601;       // no soffice: such a workbook cannot be opened
inline constexpr int kConversionFailed = 3602;    // soffice did not start, crashed or wrote nothing
inline constexpr int kConversionTimedOut = 3603;  // soffice was stopped after its time ran out
inline constexpr int kCannotPlaceOutput = 3604;   // the converted file could not be moved in place
// The sheet does not fit the output's format (an .xls sheet holds 65,536 rows and 256 columns):
// it was saved whole under another name instead, never truncated: in the source's format, or
// the default one when the source's cannot hold or write it. Thrown as SavedElsewhere; the
// description names both files and says why.
inline constexpr int kSavedInSourceFormat = 3605;
inline constexpr int kTemporaryFolder = 3606;  // no private temporary folder could be made

}  // namespace pv::office::legacy_errors
