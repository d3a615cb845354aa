#include "office/LegacyHost.h"

#include "core/Error.h"
#include "host/HostErrors.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "office/ConvertedSheets.h"
#include "office/ConvertedSources.h"
#include "office/LegacyFormats.h"
#include "office/LegacyWorkbook.h"
#include "office/OfficeErrors.h"

namespace pv::office {

namespace fs = std::filesystem;

LegacyHost::LegacyHost(std::unique_ptr<host::SpreadsheetHost> engine, OfficeSettings office)
    : engine_(std::move(engine)),
      converter_(std::make_shared<OfficeConverter>(std::move(office))),
      sources_(std::make_unique<ConvertedSources>(converter_)),
      convertedSheets_(std::make_shared<ConvertedSheets>()) {}

LegacyHost::~LegacyHost() = default;

void LegacyHost::prepare(const std::vector<fs::path>& workbooks,
                         const std::string& outputExtension) {
    if (converter_->available()) {
        sources_->prepare(workbooks);
        convertedSheets_->prepare(
            workbooks, [this](const fs::path& path) { return open(path); },
            host::lowercase(outputExtension));
    }
}

std::unique_ptr<host::SourceWorkbook> LegacyHost::open(const fs::path& path) {
    const std::string extension = host::lowercaseExtension(path.string());
    const host::WorkbookFormat* format = host::findWorkbookFormat(extension);
    if (format == nullptr || format->reader == host::FormatHandler::Nobody) {
        throw Error(host::HostError::UnsupportedFormat,
                    path.string() + ": not a workbook format this program reads (it reads " +
                        host::readableExtensionsText(true) + " workbooks)");
    }
    if (!legacy::isConvertedOnOpen(extension)) {
        return std::make_unique<LegacyWorkbook>(path, engine_->open(path), std::nullopt, *engine_,
                                                converter_, convertedSheets_);
    }
    if (!converter_->available()) {
        throw Error(OfficeError::OfficeMissing, path.string() + ": opening " + extension +
                                                    " workbooks needs LibreOffice (soffice) "
                                                    "installed");
    }
    ConvertedFile converted = sources_->xlsxFor(path);
    std::unique_ptr<host::SourceWorkbook> workbook;
    try {
        workbook = engine_->open(converted.file);
    } catch (const Error& e) {
        throw Error(e.number(),
                    path.string() +
                        ": its conversion by LibreOffice could not be read: " + e.description());
    }
    return std::make_unique<LegacyWorkbook>(path, std::move(workbook), std::move(converted),
                                            *engine_, converter_, convertedSheets_);
}

bool LegacyHost::canWrite(const fs::path& source, const std::string& outputExtension) const {
    const std::string extension = host::lowercaseExtension("x" + outputExtension);
    const bool converted = legacy::isConvertedOnOpen(host::lowercaseExtension(source.string()));
    if (converted && !converter_->available()) {
        return false;
    }
    // A converted source reaches the engine as an .xlsx package.
    const fs::path engineSource = converted ? fs::path("converted.xlsx") : source;
    if (engine_->canWrite(engineSource, extension)) {
        return true;
    }
    return engine_->canWrite(engineSource, ".xlsx") && legacy::exportFilter(extension) &&
           converter_->available();
}

std::string LegacyHost::defaultExtension() const {
    return engine_->defaultExtension();
}

void LegacyHost::setSourceProgress(SourceProgress progress) {
    converter_->setProgress(std::move(progress));
}

std::unique_ptr<LegacyHost> createLegacyHost(host::EngineOptions engine) {
    return std::make_unique<LegacyHost>(host::createEngineHost(engine),
                                        officeSettingsFromEnvironment());
}

}  // namespace pv::office
