#include "host/package/Relationships.h"

#include "core/Error.h"
#include "host/package/PackagePath.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

bool Relationship::is(std::string_view suffix) const {
    return type.size() > suffix.size() &&
           type.compare(type.size() - suffix.size(), suffix.size(), suffix) == 0 &&
           type[type.size() - suffix.size() - 1] == '/';
}

std::vector<Relationship> readRelationships(const ZipReader& zip, std::string_view sourcePart) {
    const std::string relsPart =
        sourcePart.empty() ? std::string("_rels/.rels") : relationshipsPartOf(sourcePart);
    std::vector<Relationship> out;
    if (!zip.contains(relsPart)) {
        return out;
    }
    pugi::xml_document doc;
    loadPart(doc, zip, relsPart);
    for (auto node : doc.document_element().children()) {
        if (node.type() != pugi::node_element || localName(node.name()) != "Relationship") {
            continue;
        }
        Relationship rel;
        rel.id = node.attribute("Id").value();
        rel.type = node.attribute("Type").value();
        const std::string target = node.attribute("Target").value();
        rel.external = std::string_view(node.attribute("TargetMode").value()) == "External";
        if (!target.empty() && target.front() == '#') {
            rel.location = target.substr(1);
        }
        if (!rel.external && !target.empty() && target.front() != '#') {
            // Not checked here: a target that is not in the package is a missing part to
            // whoever follows the relationship, and most are never followed.
            rel.target = resolveTarget(sourcePart, target);
        }
        out.push_back(std::move(rel));
    }
    return out;
}

}  // namespace pv::host
