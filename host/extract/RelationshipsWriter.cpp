#include "host/extract/PartWriters.h"

#include "host/package/Relationships.h"
#include "host/xml/XmlDocument.h"

namespace pv::host {

namespace {

template <typename Keep>
std::string filterRelationships(std::string_view xml, const std::string& where,
                                Keep keepRelationship) {
    pugi::xml_document doc;
    loadXml(doc, xml, where);
    auto root = doc.document_element();
    for (auto rel = root.first_child(); rel;) {
        auto next = rel.next_sibling();
        if (rel.type() == pugi::node_element && !keepRelationship(rel)) {
            root.remove_child(rel);
        }
        rel = next;
    }
    return saveXml(doc);
}

}  // namespace

std::string writeRelationshipsKeeping(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& keptIds) {
    return filterRelationships(xml, where, [&](const pugi::xml_node& rel) {
        return keptIds.count(rel.attribute("Id").value()) != 0;
    });
}

std::string writeRelationshipsWithout(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& droppedIds) {
    return filterRelationships(xml, where, [&](const pugi::xml_node& rel) {
        return droppedIds.count(rel.attribute("Id").value()) == 0;
    });
}

std::string writePackageRelationships(std::string_view xml, const std::string& where) {
    return filterRelationships(xml, where, [](const pugi::xml_node& node) {
        const Relationship rel{"", node.attribute("Type").value(), "", false};
        return rel.is("officeDocument") || rel.is("core-properties") ||
               rel.is("extended-properties") || rel.is("custom-properties");
    });
}

}  // namespace pv::host
