#include "host/extract/PartWriters.h"
#include "host/package/ContentTypes.h"
#include "host/xml/XmlEmitter.h"

namespace pv::host {

std::string writeContentTypes(const ContentTypes& types, const std::vector<std::string>& parts,
                              std::string_view workbookPart, std::string_view workbookType) {
    std::string out;
    XmlEmitter emitter(out);
    emitter.declaration();
    emitter.open("Types");
    emitter.attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
    bool hasRels = false;
    for (const auto& [extension, type] : types.defaults()) {
        hasRels = hasRels || extension == "rels";
        emitter.open("Default");
        emitter.attribute("Extension", extension);
        emitter.attribute("ContentType", type);
        emitter.end("Default");
    }
    if (!hasRels) {
        emitter.open("Default");
        emitter.attribute("Extension", "rels");
        emitter.attribute("ContentType",
                          "application/vnd.openxmlformats-package.relationships+xml");
        emitter.end("Default");
    }
    for (const auto& part : parts) {
        const bool isWorkbook = part == workbookPart;
        if (!(isWorkbook || types.hasOverride(part))) {
            continue;
        }
        emitter.open("Override");
        emitter.attribute("PartName", "/" + part);
        emitter.attribute("ContentType", isWorkbook ? std::string(workbookType) : types.of(part));
        emitter.end("Override");
    }
    emitter.end("Types");
    return out;
}

}  // namespace pv::host
