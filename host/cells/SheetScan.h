#pragma once
// What one pass over a worksheet part learns: the used range, the cells (cached, so repeated
// cell reads are cheap), which shared strings it uses, and whether it refers outside itself.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/cells/FormulaJudge.h"

namespace pv::host {

class SharedStrings;
class ZipReader;

struct ScannedCell {
    int row = 0;
    int column = 0;
    char type = 'n';  // n number, s shared string, i inline string, f formula text, b, e, d
    int style = 0;
    std::string value;  // <v> text, or the inline string's text
};

// What extraction needs to know of a sheet; small, so it outlives the cells and is shared
// between the copies of a workbook opened on different threads.
struct SheetFacts {
    // The used range as the application reckons it (its own <dimension> in the workbooks it
    // writes agrees): every <c> element, styled or not, with or without a value; every row
    // with a custom height, hidden or with a row style, for the rows only; every note and
    // threaded comment (when the scan reads them). Merged areas and column widths or styles
    // do not extend it: a whole merged column stays one cell of the range.
    int lastRow = 0;  // 0 when the sheet uses no cell
    int lastColumn = 0;
    std::vector<bool> usedStrings;  // by shared string index
    bool refersToOtherSheets = false;
    bool refersToExternalWorkbooks = false;
    bool usesCellMetadata = false;  // cm or vm attributes
};

struct SheetScan : SheetFacts {
    std::vector<ScannedCell> cells;  // by row, then column
    bool cellsComplete = true;       // false when the sheet had too many cells to cache
    // The pass ended where ScanOptions asked it to: what it learnt holds for the part read.
    bool stoppedEarly = false;

    const ScannedCell* find(int row, int column) const;
};

struct ScanOptions {
    const FormulaJudge* scope = nullptr;  // to judge formulas; none for reading only
    // The shared string table's size, to check each cell's index and note the strings used;
    // none for reading only.
    std::optional<std::size_t> sharedStringCount;
    std::size_t maxCachedCells = 2'000'000;
    // A lookup on a sheet too big to cache reads only a window of rows: cells before
    // firstCachedRow are not kept, and the parse stops after stopAfterRow.
    int firstCachedRow = 1;
    std::optional<int> stopAfterRow;
    // The cells of the sheet's notes and threaded comments count for the used range (read
    // from the parts its relationships name).
    bool withNotes = false;
    // Questions a pass can answer before the end of the sheet: whether its used range reaches
    // beyond A1, and whether it refers to other sheets (a scan judging formulas).
    bool stopBeyondA1 = false;
    bool stopWhenReferringOut = false;
};

SheetScan scanSheet(const ZipReader& zip, const std::string& part, const ScanOptions& options);

// A scan fed the events of another pass over the part, so that a pass with work of its own (a
// rewrite) learns the sheet's facts on the way instead of reading the part again. Fed every
// event of a whole pass, result() is what scanSheet() returns for the same options.
class SheetScanner;
class SheetScanEvents {
  public:
    SheetScanEvents(const ZipReader& zip, const std::string& part, const ScanOptions& options);
    ~SheetScanEvents();
    SheetScanEvents(const SheetScanEvents&) = delete;
    SheetScanEvents& operator=(const SheetScanEvents&) = delete;

    void start(const char* name, const char** attributes);
    void end(const char* name);
    void text(const char* text, int length);
    SheetScan result();

  private:
    const ZipReader& zip_;
    const std::string& part_;
    const ScanOptions& options_;
    std::unique_ptr<SheetScanner> scanner_;
};

// A shared-string cell's <v> as an index (blanks around it allowed), nullopt when it is none.
std::optional<std::size_t> sharedStringIndex(std::string_view value);

}  // namespace pv::host
