#pragma once
// LibreOffice reads a cell holding an error value (#REF!, #VALUE! ...) from .xlsx as it is, but
// writes every such value to .xls as #N/A; a formula that yields the error it keeps, with its
// result. A one-sheet workbook bound for .xls gets, for each error value it holds, a formula
// yielding that very error, so its cell shows what the source showed.
#include <filesystem>
#include <string>
#include <string_view>

namespace pv::host {
class ZipReader;
}

namespace pv::office {

// A formula yielding `error` that LibreOffice writes to .xls as that error; empty when there is
// none (#N/A stays #N/A anyway; #NAME? and #NULL! it writes as #N/A whatever yields them).
std::string_view formulaYielding(std::string_view error);

// The worksheet part `part` of `zip` with a formula in each error value cell that has none and
// an error formulaYielding knows; nothing when there is no such cell.
std::string withErrorFormulas(const host::ZipReader& zip, const std::string& part);

// Rewrites the package at `file` (a one-sheet workbook our engine wrote) so that its error value
// cells yield their errors by formula; a package without any is left as it is. Throws pv::Error
// naming `file` when it cannot be read or written.
void writeErrorValuesAsFormulas(const std::filesystem::path& file);

}  // namespace pv::office
