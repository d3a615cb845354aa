#pragma once
// What the split run asks of a spreadsheet application: open a workbook read-only, list its
// sheets, read a sheet's used range and a cell's value as text, and save one sheet as a workbook
// of its own. Our engine (EngineHost) implements it for Office Open XML packages.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/package/SheetInfo.h"

namespace pv::host {

// A source workbook, opened read-only: the file is never written, locked or touched.
// Every failure throws pv::Error naming the file.
class SourceWorkbook {
  public:
    virtual ~SourceWorkbook() = default;

    virtual const std::filesystem::path& path() const = 0;
    // Every sheet in tab order.
    virtual const std::vector<SheetInfo>& sheets() const = 0;
    // Throws for a sheet without cells (a chart sheet).
    virtual UsedRange usedRange(std::size_t sheet) = 0;
    // usedRange(sheet).hasContentBeyondA1(), which a host may know without reading the whole
    // sheet.
    virtual bool hasContentBeyondA1(std::size_t sheet) {
        return usedRange(sheet).hasContentBeyondA1();
    }
    // The value of cell (row, column), both 1-based, as text; the empty text for an empty cell.
    virtual std::string cellText(std::size_t sheet, int row, int column) = 0;
    // Saves the sheet as a standalone one-sheet workbook at `output`, atomically: a failure
    // leaves no file there. The output's extension picks the package type.
    virtual void saveSheetAs(std::size_t sheet, const std::filesystem::path& output) = 0;
};

class SpreadsheetHost {
  public:
    // Told which workbook the host's work has reached while it prepares many of them at once
    // (a batch converted by another program), so that a run can show it. Called on the thread
    // that does the work, while it works.
    using SourceProgress = std::function<void(const std::filesystem::path& workbook)>;

    virtual ~SpreadsheetHost() = default;

    virtual std::unique_ptr<SourceWorkbook> open(const std::filesystem::path& path) = 0;
    // True when saveSheetAs of a workbook opened from `source` can write a file with the
    // extension `outputExtension` (".xlsx", compared case-insensitively).
    virtual bool canWrite(const std::filesystem::path& source,
                          const std::string& outputExtension) const = 0;
    // What a name without extension gets.
    virtual std::string defaultExtension() const = 0;
    // Replaces the progress callback (empty: none). A host that does no such batch work never
    // calls it.
    virtual void setSourceProgress(SourceProgress /*progress*/) {}
};

// Beside its packages our engine writes a sheet as CSV: saveSheetAs to a name with this
// extension.
inline constexpr const char* kCsvExtension = ".csv";

struct EngineOptions {
    // CSV cells as stored (numbers and date serials unformatted) instead of as the sheet shows
    // them.
    bool csvRawValues = false;
};

// Our own engine for .xlsx, .xlsm, .xltx and .xltm.
std::unique_ptr<SpreadsheetHost> createEngineHost(EngineOptions options = {});

// A quick self-test of the engine (it builds and reads back a tiny workbook in memory).
bool engineSelfTest() noexcept;

}  // namespace pv::host
