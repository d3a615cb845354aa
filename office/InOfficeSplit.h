#pragma once
// The second way to split a legacy source: inside LibreOffice itself. Our own script
// (office/inoffice_split.py, built into the program) loads each workbook once in one soffice
// start and, for each sheet asked for, turns the formulas that read other sheets or other
// workbooks into the values they showed (as our engine does for .xlsx), removes every other
// sheet with the names scoped to it, saves the document through the output format's export
// filter and undoes the changes for the next sheet. What the run learns of a workbook (its
// sheets, their content, the cells it names outputs by) still comes from the converted .xlsx.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "office/OfficeConverter.h"

namespace pv::office {

struct InOfficeSheet {
    std::filesystem::path workbook;  // the user's file; LibreOffice works on a private copy
    std::size_t sheet = 0;           // index in tab order
    std::string name;                // what LibreOffice must find at that index
};

struct InOfficeBatch {
    // How soffice ended, and per sheet its saved file (nothing when it saved none).
    ConversionBatch run;
    // Per sheet, why the script could not save it, when it said.
    std::vector<std::string> reasons;
};

// True when a sheet of `source` bound for `extension` is saved inside LibreOffice: the design
// asked for, a source LibreOffice reads for us, an output format it writes, and soffice able to
// run the script. Otherwise the round trip through .xlsx saves it.
bool savedInOffice(const OfficeConverter& converter, const std::filesystem::path& source,
                   std::string_view extension);

// Saves `sheets` in one soffice start as files of `extension` in `folder` (made if need be),
// under names unique within it. Throws pv::Error (a temporary folder failure) naming
// `sheets.front()` when the job cannot be prepared; a sheet that fails gets no file.
InOfficeBatch saveInOffice(OfficeConverter& converter, const std::vector<InOfficeSheet>& sheets,
                           const std::string& extension, const std::filesystem::path& folder);

}  // namespace pv::office
