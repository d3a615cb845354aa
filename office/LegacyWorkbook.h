#pragma once
// A source workbook as the run sees it when LibreOffice is at hand: our engine reads it (from a
// converted .xlsx when the source is in another format) and writes every format it knows; an
// output in another format (.xls, .xlt, .ods) is written by the engine as .xlsx, converted by
// LibreOffice and moved into place atomically; or, when the run asks for it, a legacy source's
// sheet is saved by LibreOffice itself (InOfficeSplit.h). A sheet too large for the output's
// format is never cut down: its save fails and writes nothing.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/SpreadsheetHost.h"
#include "office/ConvertedSheets.h"
#include "office/ConvertedSources.h"
#include "office/OfficeConverter.h"

namespace pv::office {

class LegacyWorkbook : public host::SourceWorkbook {
  public:
    // `engineWorkbook` was opened from `converted` (or from `source` itself when it is nothing).
    LegacyWorkbook(std::filesystem::path source,
                   std::unique_ptr<host::SourceWorkbook> engineWorkbook,
                   std::optional<ConvertedFile> converted, const host::SpreadsheetHost& engine,
                   std::shared_ptr<OfficeConverter> converter,
                   std::shared_ptr<ConvertedSheets> convertedSheets);
    ~LegacyWorkbook() override;

    const std::filesystem::path& path() const override { return source_; }
    const std::vector<host::SheetInfo>& sheets() const override;
    host::UsedRange usedRange(std::size_t sheet) override;
    bool hasContentBeyondA1(std::size_t sheet) override;
    std::string cellText(std::size_t sheet, int row, int column) override;
    void saveSheetAs(std::size_t sheet, const std::filesystem::path& output) override;

  private:
    // Runs an engine call; a failure names the user's workbook, not our converted copy.
    template <typename Call>
    auto namingSource(Call&& call) -> decltype(call());

    std::string sheetText(std::size_t sheet) const;  // sheet "<name>" of <source>
    bool fits(std::size_t sheet, const std::string& extension, host::UsedRange& range);
    class SheetBatch;
    // The sheet converted into `extension` by LibreOffice, in a start that also converts the
    // sheets the run will ask for next in that format; the file is the caller's to remove.
    std::filesystem::path convertedSheet(std::size_t sheet, const std::string& extension,
                                         const std::filesystem::path& output);
    // `book`'s worksheets with content beyond A1 that fit `extension`'s grid and are not
    // converted yet.
    std::vector<std::size_t> sheetsToBatch(host::SourceWorkbook& book,
                                           const std::string& extension) const;
    ConversionBatch convert(SheetBatch& batch, const std::string& extension,
                            const std::filesystem::path& outbox);

    std::filesystem::path source_;
    std::unique_ptr<host::SourceWorkbook> engineWorkbook_;
    std::optional<ConvertedFile> converted_;
    const host::SpreadsheetHost& engine_;
    std::shared_ptr<OfficeConverter> converter_;
    std::shared_ptr<ConvertedSheets> convertedSheets_;
};

}  // namespace pv::office
