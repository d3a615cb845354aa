#include "core/Error.h"
#include "host/EngineWorkbook.h"
#include "host/HostErrors.h"
#include "host/SpreadsheetHost.h"
#include "host/WorkbookFactsCache.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookFormats.h"

namespace pv::host {

namespace {

class EngineHost : public SpreadsheetHost {
  public:
    explicit EngineHost(EngineOptions options) : options_(options) {}

    std::unique_ptr<SourceWorkbook> open(const std::filesystem::path& path) override {
        if (!isEngineReadable(lowercaseExtension(path.filename().string()))) {
            throw Error(HostError::UnsupportedFormat, path.string() + ": this engine reads " +
                                                          readableExtensionsText(false) +
                                                          " workbooks only");
        }
        return std::make_unique<EngineWorkbook>(path, facts_.forFile(path), options_);
    }

    bool canWrite(const std::filesystem::path& source,
                  const std::string& outputExtension) const override {
        const std::string extension = lowercase(outputExtension);
        return isEngineReadable(lowercaseExtension(source.filename().string())) &&
               (!mainContentTypeFor(extension).empty() || extension == kCsvExtension);
    }

    std::string defaultExtension() const override { return ".xlsx"; }

  private:
    EngineOptions options_;
    WorkbookFactsCache facts_;
};

}  // namespace

std::unique_ptr<SpreadsheetHost> createEngineHost(EngineOptions options) {
    return std::make_unique<EngineHost>(options);
}

}  // namespace pv::host
