#include "host/extract/PartWriters.h"

#include "host/package/SheetInfo.h"
#include "host/xml/XmlDocument.h"

namespace pv::host {

// The application properties list sheet names: list only ours.
std::string writeAppProperties(std::string_view xml, const std::string& where,
                               const SheetInfo& sheet) {
    static const char* kVt = "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
    pugi::xml_document doc;
    loadXml(doc, xml, where);
    auto root = doc.document_element();
    std::string vt;
    for (auto a : root.attributes()) {
        if (std::string_view(a.value()) == kVt &&
            std::string_view(a.name()).starts_with("xmlns:")) {
            vt = std::string(a.name()).substr(6) + ":";
        }
    }
    if (vt.empty()) {
        vt = "vt:";
        root.append_attribute("xmlns:vt") = kVt;
    }
    const char* heading = sheet.kind == SheetKind::Chartsheet ? "Charts" : "Worksheets";
    if (auto pairs = childLocal(root, "HeadingPairs")) {
        pairs.remove_children();
        auto vector = pairs.append_child((vt + "vector").c_str());
        vector.append_attribute("size") = 2;
        vector.append_attribute("baseType") = "variant";
        vector.append_child((vt + "variant").c_str())
            .append_child((vt + "lpstr").c_str())
            .text()
            .set(heading);
        vector.append_child((vt + "variant").c_str())
            .append_child((vt + "i4").c_str())
            .text()
            .set(1);
    }
    if (auto titles = childLocal(root, "TitlesOfParts")) {
        titles.remove_children();
        auto vector = titles.append_child((vt + "vector").c_str());
        vector.append_attribute("size") = 1;
        vector.append_attribute("baseType") = "lpstr";
        vector.append_child((vt + "lpstr").c_str()).text().set(sheet.name.c_str());
    }
    return saveXml(doc);
}

}  // namespace pv::host
