#pragma once
// A workbook opened by our engine: the package checked and its workbook part read at once;
// shared strings and styles read when first needed; one sheet's facts kept at a time. What
// extraction needs of each sheet is kept in facts shared with the other open copies of the file.
// Cells are not kept whole: a lookup reads a window of rows from the row asked for.
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "host/SpreadsheetHost.h"
#include "host/WorkbookFacts.h"
#include "host/cells/SharedStrings.h"
#include "host/cells/SheetScan.h"
#include "host/cells/StyleTable.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/ContentTypes.h"
#include "host/package/WorkbookModel.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

class SheetScope;

class EngineWorkbook : public SourceWorkbook {
  public:
    // `facts` come from the host's cache; none: this copy keeps its own.
    explicit EngineWorkbook(const std::filesystem::path& path,
                            std::shared_ptr<WorkbookFacts> facts = nullptr,
                            EngineOptions options = {});
    ~EngineWorkbook() override;

    const std::filesystem::path& path() const override { return path_; }
    const std::vector<SheetInfo>& sheets() const override { return sheets_; }
    UsedRange usedRange(std::size_t sheet) override;
    // Reads the sheet only as far as its first cell beyond A1.
    bool hasContentBeyondA1(std::size_t sheet) override;
    std::string cellText(std::size_t sheet, int row, int column) override;
    void saveSheetAs(std::size_t sheet, const std::filesystem::path& output) override;

  private:
    const SheetEntry& worksheet(std::size_t sheet) const;
    const SharedStrings* strings();
    const StyleTable& styles();
    const SheetScope& scope(std::size_t sheet);
    // The used range and what extraction needs: the shared facts when a copy has scanned the
    // sheet, else a scan that keeps no cells. Kept for the last sheet asked. Given `rewritten`,
    // a scan for the sheet's save, which may rewrite the sheet on the way (set when it did).
    const SheetFacts& facts(std::size_t sheet, std::optional<PreparedSheet>* rewritten = nullptr);
    ScanOptions factsScanOptions(std::size_t sheet);
    SheetFacts scanForSave(std::size_t sheet, ScanOptions options,
                           std::optional<PreparedSheet>& rewritten);
    // A part's size inflated, as its entry gives it; 0 for a missing part.
    std::uint64_t inflatedSize(const std::string& part) const;
    // The facts learnt by a pass that also rewrites the sheet for its save; nothing when that
    // pass cannot be made or fails.
    std::optional<SheetFacts> scanWhileRewriting(std::size_t sheet, const ScanOptions& options,
                                                 std::optional<PreparedSheet>& rewritten);
    // A cell, read from a window of rows starting at its own (kept for the next lookups).
    const ScannedCell* windowCell(std::size_t sheet, int row, int column);
    // A cell's text: for naming (cellText), for a CSV field as shown (formatShown, booleans as
    // TRUE and FALSE) or as stored.
    enum class CellText { Naming, CsvShown, CsvRaw };
    std::string textOf(const ScannedCell& cell, CellText form);
    void saveSheetAsCsv(std::size_t sheet, const std::filesystem::path& target);

    std::filesystem::path path_;
    EngineOptions options_;
    ZipReader zip_;
    WorkbookModel model_;
    ContentTypes types_;
    std::vector<SheetInfo> sheets_;
    std::shared_ptr<WorkbookFacts> facts_;
    std::shared_ptr<const SharedStrings> strings_;
    std::shared_ptr<const SheetScope::TableNames> tables_;
    std::optional<StyleTable> styles_;
    std::optional<std::size_t> factsSheet_;
    SheetFacts lastFacts_;
    std::unique_ptr<SheetScope> scope_;
    std::optional<std::size_t> scopeSheet_;
    std::optional<std::size_t> windowSheet_;
    SheetScan window_;
    int windowFirstRow_ = 0;
    int windowLastRow_ = -1;
};

}  // namespace pv::host
