#pragma once
// The file actually written for a chosen output name. A name asking for a format that cannot be
// written ("no_value.xls" for an .xlsx source without LibreOffice) must not lose the sheet, so
// the sheet is saved in its source's format under the source's extension instead, or in the
// default format when the source's cannot be written either (.xlsb).
#include <optional>
#include <string>

#include "core/Error.h"
#include "host/SpreadsheetHost.h"
#include "split/SplitErrors.h"

namespace pv::split {

struct OutputTarget {
    std::string path;             // the file to write
    bool substituted = false;     // the extension differs from the name's
    bool sourceFormat = true;     // a substitute has the source's extension, not the default one
    bool tooLarge = false;        // the name's format is written, but cannot hold the sheet
    bool sourceTooSmall = false;  // nor can the source's format, which is written
};

// A sheet's used range, read the first time fitting a name to the writer needs it: only formats
// with a smaller grid than the engine's (.xls) look at it, and reading it is a pass over the
// whole sheet.
class LazyUsedRange {
  public:
    // Nothing to read: `known` is all there is (none: every format fits).
    explicit LazyUsedRange(std::optional<host::UsedRange> known = std::nullopt) : known_(known) {}
    LazyUsedRange(host::SourceWorkbook& workbook, std::size_t sheet)
        : workbook_(&workbook), sheet_(sheet) {}

    // Reads the range on the first call, when there is a workbook to read it from.
    const std::optional<host::UsedRange>& get();
    const std::optional<host::UsedRange>& known() const { return known_; }

  private:
    host::SourceWorkbook* workbook_ = nullptr;
    std::size_t sheet_ = 0;
    std::optional<host::UsedRange> known_;
};

// `name` is a full file name from the naming rules; `sourcePath` the listed workbook. A name
// without an extension (numbered names) gets the engine's default one. With the sheet's used
// range (read only for a format with a grid), a format too small for the sheet (.xls) counts as one
// that cannot be written: the sheet is never cut down. Deciding this while naming lets the run
// reserve the name actually written. Throws pv::Error (SplitError::CannotWriteAnyFormat) when
// neither the source's format nor the default one can be written.
OutputTarget fitOutputToWriter(const std::string& name, const std::string& sourcePath,
                               const host::SpreadsheetHost& host, LazyUsedRange& used);

// The note for a substituted extension, for the report and the command line's output: which file
// was written instead of which, and why in that format. `sheetName` and `used` explain a sheet
// too large for the name's format.
std::string substitutionNote(const std::string& name, const std::string& sourcePath,
                             const OutputTarget& target, const std::string& sheetName = {},
                             const host::UsedRange& used = {});

}  // namespace pv::split
