#include "host/ReferenceRewriters.h"

#include "host/SheetScope.h"
#include "host/XmlDocument.h"

namespace pv::host {

namespace {

// A sheet name as a formula writes it: quoted, inner quotes doubled.
std::string quotedSheet(std::string_view name) {
    std::string out = "'";
    for (char c : name) {
        out += c;
        if (c == '\'') {
            out += c;
        }
    }
    return out + "'";
}

// The part loaded, edited, and written again when `edit` says it changed something.
template <typename Edit>
std::optional<std::string> edited(const ZipReader& zip, const std::string& part, Edit edit) {
    pugi::xml_document doc;
    loadPart(doc, zip, part);
    return edit(doc) ? std::optional(saveXml(doc)) : std::nullopt;
}

}  // namespace

std::optional<std::string> rewriteChartEx(const ZipReader& zip, const std::string& part,
                                          const SheetScope& scope) {
    return edited(zip, part, [&](pugi::xml_document& doc) {
        bool changed = false;
        // Every formula of a chartEx is optional beside its cached levels or value.
        for (auto f : descendantsLocal(doc, "f")) {
            if (scope.isForeign(f.text().get())) {
                f.parent().remove_child(f);
                changed = true;
            }
        }
        return changed;
    });
}

std::optional<std::string> rewriteControlProperties(const ZipReader& zip, const std::string& part,
                                                    const SheetScope& scope) {
    return edited(zip, part, [&](pugi::xml_document& doc) {
        bool changed = false;
        auto control = doc.document_element();
        for (const char* name : {"fmlaLink", "fmlaRange", "fmlaGroup", "fmlaTxbx"}) {
            auto attribute = control.attribute(name);
            if (attribute && scope.isForeign(attribute.value())) {
                control.remove_attribute(attribute);
                changed = true;
            }
        }
        return changed;
    });
}

std::optional<std::string> rewritePivotCacheSource(const ZipReader& zip, const std::string& part,
                                                   const SheetScope& scope) {
    return edited(zip, part, [&](pugi::xml_document& doc) {
        bool changed = false;
        for (auto source : descendantsLocal(doc, "worksheetSource")) {
            if (attributeLocal(source, "id")) {
                continue;  // another workbook's range: external links stay
            }
            const auto sheet = source.attribute("sheet");
            const auto name = source.attribute("name");
            const bool foreign = (sheet && scope.isForeign(quotedSheet(sheet.value()) + "!A1")) ||
                                 (name && scope.isForeign(name.value()));
            if (foreign) {
                // The cached records stay readable; the source is gone, so it is never refreshed.
                source.remove_attribute("sheet");
                source.remove_attribute("name");
                source.remove_attribute("ref");
                doc.document_element().remove_attribute("refreshOnLoad");
                changed = true;
            }
        }
        return changed;
    });
}

}  // namespace pv::host
