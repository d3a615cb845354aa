#include "core/Error.h"
#include "host/EngineWorkbook.h"
#include "host/HostErrors.h"
#include "host/PackagePath.h"
#include "host/SheetExtractor.h"
#include "host/SpreadsheetHost.h"
#include "host/WorkbookFactsCache.h"

namespace pv::host {

namespace {

bool isReadable(const std::string& extension) {
    return extension == ".xlsx" || extension == ".xlsm" || extension == ".xltx" ||
           extension == ".xltm";
}

class EngineHost : public SpreadsheetHost {
  public:
    std::unique_ptr<SourceWorkbook> open(const std::filesystem::path& path) override {
        if (!isReadable(lowercaseExtension(path.filename().string()))) {
            throw Error(errors::kUnsupportedFormat,
                        path.string() +
                            ": this engine reads .xlsx, .xlsm, .xltx and .xltm "
                            "workbooks only");
        }
        return std::make_unique<EngineWorkbook>(path, facts_.forFile(path));
    }

    bool canWrite(const std::filesystem::path& source,
                  const std::string& outputExtension) const override {
        return isReadable(lowercaseExtension(source.filename().string())) &&
               *mainContentTypeFor(lowercase(outputExtension)) != '\0';
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
