#pragma once
// The spreadsheet host of a run: our engine, with workbooks in other formats (.xls, .xlsb, .ods,
// .xlt) read and written through an installed LibreOffice. LibreOffice is optional: without it
// such a workbook gets one clear error and everything else works as before.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/SpreadsheetHost.h"
#include "office/OfficeConverter.h"

namespace pv::office {

class ConvertedSheets;
class ConvertedSources;

class LegacyHost : public host::SpreadsheetHost {
  public:
    LegacyHost(std::unique_ptr<host::SpreadsheetHost> engine, OfficeSettings office);
    ~LegacyHost() override;

    // The run's workbooks, named before the first is opened, so that those LibreOffice must
    // convert go through it together, in one start, and so do their outputs in each format.
    // With `outputExtension` (".pdf"), every output of the run is in that format: the first
    // conversion into it takes every content sheet of the run's workbooks.
    void prepare(const std::vector<std::filesystem::path>& workbooks,
                 const std::string& outputExtension = {});

    std::unique_ptr<host::SourceWorkbook> open(const std::filesystem::path& path) override;
    bool canWrite(const std::filesystem::path& source,
                  const std::string& outputExtension) const override;
    std::string defaultExtension() const override;
    // Told as LibreOffice reaches each workbook of a batch, sources and outputs alike.
    void setSourceProgress(SourceProgress progress) override;

    // How long this host's conversions took, and how many soffice starts they needed.
    const OfficeConverter& office() const { return *converter_; }

  private:
    std::unique_ptr<host::SpreadsheetHost> engine_;
    std::shared_ptr<OfficeConverter> converter_;
    std::unique_ptr<ConvertedSources> sources_;
    std::shared_ptr<ConvertedSheets> convertedSheets_;
};

// Our engine, with LibreOffice found as officeSettingsFromEnvironment() says.
std::unique_ptr<LegacyHost> createLegacyHost(host::EngineOptions engine = {});

}  // namespace pv::office
