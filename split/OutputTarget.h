#pragma once
// The file actually written for a chosen output name. The engine writes only the formats it can
// read; a name asking for another one ("no_value.xls" for an .xlsx source) must not lose the
// sheet, so the sheet is saved in its source's format under the source's extension instead.
#include <string>

#include "host/SpreadsheetHost.h"

namespace pv::split {

inline constexpr int kCannotWriteAnyFormat = 3101;  // neither the name's nor the source's format

struct OutputTarget {
    std::string path;          // the file to write
    bool substituted = false;  // the extension differs from the name's
};

// `name` is a full file name from the naming rules; `sourcePath` the listed workbook. A name
// without an extension (numbered names) gets the engine's default one. Throws pv::Error
// (kCannotWriteAnyFormat) when the source's own format cannot be written either.
OutputTarget fitOutputToWriter(const std::string& name, const std::string& sourcePath,
                               const host::SpreadsheetHost& host);

// The note for a substituted extension, for the report and the command line's output.
std::string substitutionNote(const std::string& name, const OutputTarget& target);

}  // namespace pv::split
