#pragma once
// The workbook formats that reach our engine through LibreOffice (the format table says which):
// which ones it opens for us, and with which export filter it writes them.
#include <filesystem>
#include <optional>
#include <string_view>

namespace pv::office::legacy {

// .xls, .xlsb, .ods and .xlt: read by converting them to .xlsx first.
bool isConvertedOnOpen(std::string_view lowercaseExtension);

// LibreOffice's export filter for an output extension our engine does not write
// (".xls" -> "MS Excel 97", ".pdf" too); nothing when LibreOffice cannot write it either (.xlsb).
std::optional<std::string_view> exportFilter(std::string_view lowercaseExtension);

// True for the outputs (.xls, .xlt) to which LibreOffice writes every error value cell read from
// .xlsx as #N/A (see ErrorValueCells.h).
bool losesErrorValues(std::string_view lowercaseExtension);

// Throws pv::Error (OfficeError::NotAWorkbook) naming the file unless it holds what a workbook of
// its extension's format holds: LibreOffice would import anything else as text and a "workbook"
// of the file's raw bytes would be split. A compound file with a "Workbook" or "Book" stream for
// .xls and .xlt, a package with xl/workbook.bin for .xlsb, one with content.xml (and, when it
// names one, a spreadsheet media type) for .ods.
void refuseIfNotWorkbook(const std::filesystem::path& file, std::string_view lowercaseExtension);

}  // namespace pv::office::legacy
