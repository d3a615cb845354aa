#pragma once
// The workbook formats that reach our engine through LibreOffice (the format table says which):
// which ones it opens for us, and with which export filter it writes them.
#include <optional>
#include <string_view>

namespace pv::office::legacy {

// .xls, .xlsb, .ods and .xlt: read by converting them to .xlsx first.
bool isConvertedOnOpen(std::string_view lowercaseExtension);

// LibreOffice's export filter for an output extension our engine does not write
// (".xls" -> "MS Excel 97"); nothing when LibreOffice cannot write it either (.xlsb).
std::optional<std::string_view> exportFilter(std::string_view lowercaseExtension);

}  // namespace pv::office::legacy
