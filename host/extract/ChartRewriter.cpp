#include "host/extract/ChartRewriter.h"

#include <vector>

#include "host/extract/ReferenceRewriters.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

// Moves the cache's points (and format code) into a literal of the given name.
void toLiteral(pugi::xml_node ref, pugi::xml_node cache, const std::string& literalName) {
    auto parent = ref.parent();
    auto literal = parent.insert_child_before(literalName.c_str(), ref);
    if (cache) {
        for (auto child : cache.children()) {
            if (localName(child.name()) != "extLst") {
                literal.append_copy(child);
            }
        }
    }
    if (!childLocal(literal, "ptCount")) {
        literal.prepend_child((prefixOf(ref) + "ptCount").c_str()).append_attribute("val") = 0;
    }
    parent.remove_child(ref);
}

std::string firstPointText(pugi::xml_node cache) {
    const auto pt = childLocal(cache, "pt");
    return pt ? childLocal(pt, "v").text().get() : "";
}

void replaceReference(pugi::xml_node ref) {
    const std::string prefix = prefixOf(ref);
    const auto local = localName(ref.name());
    auto parent = ref.parent();
    const auto parentLocal = localName(parent.name());
    if (local == "numRef") {
        toLiteral(ref, childLocal(ref, "numCache"), prefix + "numLit");
    } else if (local == "multiLvlStrRef") {
        const auto cache = childLocal(ref, "multiLvlStrCache");
        const auto level = childLocal(cache, "lvl");
        auto literal = parent.insert_child_before((prefix + "strLit").c_str(), ref);
        literal.append_copy(childLocal(cache, "ptCount"));
        for (auto pt : level.children()) {
            literal.append_copy(pt);
        }
        if (!childLocal(literal, "ptCount")) {
            literal.prepend_child((prefix + "ptCount").c_str()).append_attribute("val") = 0;
        }
        parent.remove_child(ref);
    } else if (parentLocal == "tx" && localName(parent.parent().name()) == "ser") {
        const std::string text = firstPointText(childLocal(ref, "strCache"));
        parent.insert_child_before((prefix + "v").c_str(), ref).text().set(text.c_str());
        parent.remove_child(ref);
    } else if (parentLocal == "tx") {
        // A title: its text as rich text, the only other form a title's text may take.
        const std::string text = firstPointText(childLocal(ref, "strCache"));
        auto rich = parent.insert_child_before((prefix + "rich").c_str(), ref);
        rich.append_child("a:bodyPr");
        rich.append_child("a:p").append_child("a:r").append_child("a:t").text().set(text.c_str());
        parent.remove_child(ref);
    } else {
        toLiteral(ref, childLocal(ref, "strCache"), prefix + "strLit");
    }
}

}  // namespace

std::optional<std::string> rewriteChart(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope,
                                        const std::set<std::string>& droppedLinks) {
    pugi::xml_document doc;
    loadPart(doc, zip, part);
    bool changed = dropLinks(doc, droppedLinks);
    // One foreign reference at a time, collecting afresh: a removal may take others with it.
    for (;;) {
        pugi::xml_node f;
        for (auto candidate : descendantsLocal(doc, "f")) {
            if (scope.isForeign(candidate.text().get())) {
                f = candidate;
                break;
            }
        }
        if (!f) {
            break;
        }
        changed = true;
        auto ref = f.parent();
        const auto local = localName(ref.name());
        if (local == "numRef" || local == "strRef" || local == "multiLvlStrRef") {
            replaceReference(ref);
            continue;
        }
        // Anywhere else (extension data such as label ranges): drop the enclosing extension.
        auto node = ref;
        while (node && localName(node.name()) != "ext") {
            node = node.parent();
        }
        auto victim = node ? node : f;
        victim.parent().remove_child(victim);
    }
    for (auto node : descendantsLocal(doc, "pivotSource")) {
        node.parent().remove_child(node);
        changed = true;
    }
    if (!changed) {
        return std::nullopt;
    }
    return saveXml(doc);
}

}  // namespace pv::host
