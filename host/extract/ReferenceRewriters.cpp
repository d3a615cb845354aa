#include "host/extract/ReferenceRewriters.h"

#include "host/refs/FormulaReferences.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

// The part loaded, edited, and written again when `edit` says it changed something.
template <typename Edit>
std::optional<std::string> edited(const ZipReader& zip, const std::string& part, Edit edit) {
    pugi::xml_document doc;
    loadPart(doc, zip, part);
    return edit(doc) ? std::optional(saveXml(doc)) : std::nullopt;
}

std::string unescapedXmlText(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> rewriteChartEx(const ZipReader& zip, const std::string& part,
                                          const SheetScope& scope,
                                          const std::set<std::string>& droppedLinks) {
    return edited(zip, part, [&](pugi::xml_document& doc) {
        bool changed = dropLinks(doc, droppedLinks);
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

// VML drawings are often not well-formed XML (an unclosed <br> in a text box), so they are edited
// as text: each <x:FmlaLink>, <x:FmlaRange>... whose formula reaches another sheet goes.
std::optional<std::string> rewriteVmlControlLinks(const ZipReader& zip, const std::string& part,
                                                  const SheetScope& scope) {
    std::string vml = zip.read(part);
    bool changed = false;
    for (std::size_t at = vml.find(":Fmla"); at != std::string::npos; at = vml.find(":Fmla", at)) {
        const std::size_t open = vml.rfind('<', at);
        const std::size_t openEnd = vml.find('>', at);
        if (open == std::string::npos || openEnd == std::string::npos || vml[open + 1] == '/') {
            at += 5;
            continue;
        }
        const std::string tag = vml.substr(open + 1, openEnd - open - 1);
        const std::string close = "</" + tag + ">";
        const std::size_t closeAt = vml.find(close, openEnd);
        if (tag.find_first_of(" \t\r\n/<") != std::string::npos || closeAt == std::string::npos) {
            at = openEnd;
            continue;
        }
        const std::string formula =
            unescapedXmlText(std::string_view(vml).substr(openEnd + 1, closeAt - openEnd - 1));
        if (scope.isForeign(formula)) {
            vml.erase(open, closeAt + close.size() - open);
            changed = true;
            at = open;
        } else {
            at = closeAt + close.size();
        }
    }
    return changed ? std::optional(std::move(vml)) : std::nullopt;
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
            const bool foreign =
                (sheet && scope.isForeign(quotedInFormula(sheet.value(), '\'') + "!A1")) ||
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

std::optional<std::string> rewriteTable(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope) {
    return edited(zip, part, [&](pugi::xml_document& doc) {
        bool changed = false;
        for (auto column : descendantsLocal(doc, "tableColumn")) {
            for (const char* local : {"calculatedColumnFormula", "totalsRowFormula"}) {
                auto formula = childLocal(column, local);
                if (!formula || !scope.isForeign(formula.text().get())) {
                    continue;
                }
                column.remove_child(formula);
                changed = true;
                // A custom total without its formula: the totals cell is a plain cell.
                if (std::string_view(local) == "totalsRowFormula" &&
                    std::string_view(column.attribute("totalsRowFunction").value()) == "custom") {
                    column.remove_attribute("totalsRowFunction");
                }
            }
        }
        return changed;
    });
}

bool dropLinks(pugi::xml_node root, const std::set<std::string>& relationshipIds) {
    bool changed = false;
    for (const char* local : {"hlinkClick", "hlinkHover"}) {
        for (auto link : descendantsLocal(root, local)) {
            if (relationshipIds.count(attributeLocal(link, "id").value()) != 0) {
                link.parent().remove_child(link);
                changed = true;
            }
        }
    }
    return changed;
}

std::optional<std::string> rewriteLinks(const ZipReader& zip, const std::string& part,
                                        const std::set<std::string>& relationshipIds) {
    return edited(zip, part,
                  [&](pugi::xml_document& doc) { return dropLinks(doc, relationshipIds); });
}

}  // namespace pv::host
