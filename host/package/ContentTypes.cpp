#include "host/package/ContentTypes.h"

#include "host/package/PackagePath.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

ContentTypes ContentTypes::read(const ZipReader& zip) {
    pugi::xml_document doc;
    loadPart(doc, zip, "[Content_Types].xml");
    ContentTypes types;
    for (auto node : doc.document_element().children()) {
        const auto local = localName(node.name());
        if (local == "Default") {
            types.defaults_.emplace_back(lowercase(node.attribute("Extension").value()),
                                         node.attribute("ContentType").value());
        } else if (local == "Override") {
            std::string_view part = node.attribute("PartName").value();
            if (!part.empty() && part.front() == '/') {
                part.remove_prefix(1);
            }
            types.overrides_[lowercase(part)] = node.attribute("ContentType").value();
        }
    }
    return types;
}

std::string ContentTypes::of(std::string_view part) const {
    if (const auto it = overrides_.find(lowercase(part)); it != overrides_.end()) {
        return it->second;
    }
    const std::string extension = lowercaseExtension(part);
    for (const auto& [ext, type] : defaults_) {
        if (!extension.empty() && ext == extension.substr(1)) {
            return type;
        }
    }
    return {};
}

bool ContentTypes::hasOverride(std::string_view part) const {
    return overrides_.count(lowercase(part)) != 0;
}

}  // namespace pv::host
