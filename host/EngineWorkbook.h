#pragma once
// A workbook opened by our engine: the package checked and its workbook part read at once;
// shared strings and styles read when first needed; one sheet's scan cached at a time.
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "host/ContentTypes.h"
#include "host/SharedStrings.h"
#include "host/SheetScan.h"
#include "host/SpreadsheetHost.h"
#include "host/StyleTable.h"
#include "host/WorkbookModel.h"
#include "host/ZipReader.h"

namespace pv::host {

class SheetScope;

class EngineWorkbook : public SourceWorkbook {
  public:
    explicit EngineWorkbook(const std::filesystem::path& path);
    ~EngineWorkbook() override;

    const std::filesystem::path& path() const override { return path_; }
    const std::vector<SheetInfo>& sheets() const override { return sheets_; }
    UsedRange usedRange(std::size_t sheet) override;
    std::string cellText(std::size_t sheet, int row, int column) override;
    void saveSheetAs(std::size_t sheet, const std::filesystem::path& output) override;

  private:
    const SheetEntry& worksheet(std::size_t sheet) const;
    const SharedStrings* strings();
    const StyleTable& styles();
    const SheetScope& scope(std::size_t sheet);
    // The full scan of a sheet, judged for extraction, cached for the last sheet asked.
    const SheetScan& scan(std::size_t sheet);
    std::string textOf(const ScannedCell& cell);

    std::filesystem::path path_;
    ZipReader zip_;
    WorkbookModel model_;
    ContentTypes types_;
    std::vector<SheetInfo> sheets_;
    std::optional<SharedStrings> strings_;
    std::optional<StyleTable> styles_;
    std::optional<std::size_t> scannedSheet_;
    SheetScan scan_;
    std::unique_ptr<SheetScope> scope_;
    std::optional<std::size_t> scopeSheet_;
};

}  // namespace pv::host
