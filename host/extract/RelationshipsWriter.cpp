#include "host/extract/PartWriters.h"

#include "host/package/Relationships.h"
#include "host/xml/XmlDocument.h"

namespace pv::host {

namespace {

template <typename Keep>
std::string filterRelationships(std::string_view xml, const std::string& where,
                                const RelationshipTargets& targets, Keep keepRelationship) {
    pugi::xml_document doc;
    loadXml(doc, xml, where);
    auto root = doc.document_element();
    for (auto rel = root.first_child(); rel;) {
        auto next = rel.next_sibling();
        if (rel.type() == pugi::node_element && !keepRelationship(rel)) {
            root.remove_child(rel);
        } else if (const auto it = targets.find(rel.attribute("Id").value()); it != targets.end()) {
            rel.attribute("Target").set_value(it->second.c_str());
        }
        rel = next;
    }
    return saveXml(doc);
}

}  // namespace

std::string writeRelationshipsKeeping(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& keptIds,
                                      const RelationshipTargets& targets) {
    return filterRelationships(xml, where, targets, [&](const pugi::xml_node& rel) {
        return keptIds.count(rel.attribute("Id").value()) != 0;
    });
}

std::string writeRelationshipsWithout(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& droppedIds,
                                      const RelationshipTargets& targets) {
    return filterRelationships(xml, where, targets, [&](const pugi::xml_node& rel) {
        return droppedIds.count(rel.attribute("Id").value()) == 0;
    });
}

std::string writePackageRelationships(std::string_view xml, const std::string& where,
                                      const RelationshipTargets& targets) {
    return filterRelationships(xml, where, targets, [](const pugi::xml_node& node) {
        const Relationship rel{"", node.attribute("Type").value(), "", false, ""};
        return rel.is("officeDocument") || rel.is("core-properties") ||
               rel.is("extended-properties") || rel.is("custom-properties");
    });
}

}  // namespace pv::host
