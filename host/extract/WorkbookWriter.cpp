#include "host/extract/PartWriters.h"

#include <set>

#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"

namespace pv::host {

namespace {

// Workbook extensions that point at parts (pivot caches, slicer and timeline caches, the data
// model): those parts are not carried, so neither are the extensions.
bool dropsWorkbookExtension(pugi::xml_node ext) {
    static const std::set<std::string> kUris = {
        "{BBE1A952-AA13-448e-AADC-164F8A28A991}", "{46BE6895-7355-4a93-B00E-2C351335B9C9}",
        "{876F7934-8845-4945-9796-88D515C7AA90}", "{841E416B-1EF1-43b6-AB56-02D37102CBD5}",
        "{983426D0-5260-488c-9760-48F4B6AC55F4}", "{A2CB5862-8E78-49c6-8D9D-AF26E26ADB89}",
        "{D0CA8CA8-9F24-4464-BF8E-62219DCF47F9}", "{FCE2AD5D-F65C-4FA6-A056-5C36A1767C68}"};
    if (kUris.count(ext.attribute("uri").value()) != 0) {
        return true;
    }
    for (auto node : ext.select_nodes(".//*")) {
        for (auto a : node.node().attributes()) {
            if (std::string_view(a.name()).starts_with("r:")) {
                return true;
            }
        }
    }
    return false;
}

void filterNames(pugi::xml_node names, const std::vector<bool>& keptNames) {
    std::size_t index = 0;
    for (auto name = names.first_child(); name;) {
        auto next = name.next_sibling();
        if (name.type() == pugi::node_element && localName(name.name()) == "definedName") {
            const bool keepIt = index < keptNames.size() && keptNames[index];
            ++index;
            if (!keepIt) {
                names.remove_child(name);
            } else if (auto local = name.attribute("localSheetId")) {
                local.set_value(0);
            }
        }
        name = next;
    }
}

}  // namespace

std::string writeWorkbook(std::string_view xml, const std::string& where,
                          std::string_view sheetRelationshipId, const std::vector<bool>& keptNames,
                          bool keepsExternalReferences) {
    pugi::xml_document doc;
    loadXml(doc, xml, where);
    auto root = doc.document_element();
    for (auto node = root.first_child(); node;) {
        auto next = node.next_sibling();
        const auto local = localName(node.name());
        if (local == "sheets") {
            for (auto sheet = node.first_child(); sheet;) {
                auto nextSheet = sheet.next_sibling();
                if (attributeLocal(sheet, "id").value() != sheetRelationshipId) {
                    node.remove_child(sheet);
                } else {
                    sheet.remove_attribute("state");
                }
                sheet = nextSheet;
            }
        } else if (local == "bookViews") {
            for (auto view : node.children()) {
                view.remove_attribute("activeTab");
                view.remove_attribute("firstSheet");
            }
        } else if (local == "definedNames") {
            filterNames(node, keptNames);
            if (!node.first_child()) {
                root.remove_child(node);
            }
        } else if ((local == "externalReferences" && !keepsExternalReferences) ||
                   local == "pivotCaches" || local == "customWorkbookViews" ||
                   local == "webPublishObjects") {
            root.remove_child(node);
        } else if (local == "extLst") {
            for (auto ext = node.first_child(); ext;) {
                auto nextExt = ext.next_sibling();
                if (dropsWorkbookExtension(ext)) {
                    node.remove_child(ext);
                }
                ext = nextExt;
            }
            if (!node.first_child()) {
                root.remove_child(node);
            }
        }
        node = next;
    }
    return saveXml(doc);
}

}  // namespace pv::host
