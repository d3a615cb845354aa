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
    std::unique_ptr<SourceWorkbook> open(const std::filesystem::path& path) override {
        if (!isEngineReadable(lowercaseExtension(path.filename().string()))) {
            throw Error(HostError::UnsupportedFormat, path.string() + ": this engine reads " +
                                                          readableExtensionsText(false) +
                                                          " workbooks only");
        }
        return std::make_unique<EngineWorkbook>(path, facts_.forFile(path));
    }

    bool canWrite(const std::filesystem::path& source,
                  const std::string& outputExtension) const override {
        return isEngineReadable(lowercaseExtension(source.filename().string())) &&
               !mainContentTypeFor(lowercase(outputExtension)).empty();
    }

    std::string defaultExtension() const override { return ".xlsx"; }

  private:
    WorkbookFactsCache facts_;
};

}  // namespace

std::unique_ptr<SpreadsheetHost> createEngineHost() {
    return std::make_unique<EngineHost>();
}

}  // namespace pv::host
