#include "host/extract/ChartRewriter.h"

#include <vector>

#include "host/extract/OtherSheetCells.h"
#include "host/extract/ReferenceRewriters.h"
#include "host/refs/SheetRange.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

// The cells a reference written without cached points names, read from their sheet; nothing
// when it has points, names something other than one block of a sheet, or cannot be read.
std::optional<CachedBlock> uncachedCells(pugi::xml_node ref, pugi::xml_node cache,
                                         OtherSheetCells* cells) {
    if (cells == nullptr || childLocal(cache, "pt")) {
        return std::nullopt;
    }
    const auto range = parseSheetRange(childLocal(ref, "f").text().get());
    if (!range) {
        return std::nullopt;
    }
    return cells->block(range->sheet, range->first, range->last);
}

// What a point of a literal shows of a cell: numbers only for number literals.
bool showsAs(const CachedCell& cell, bool numbers) {
    return numbers ? cell.kind == CachedCell::Kind::Number : cell.kind != CachedCell::Kind::Empty;
}

// Moves the cache's points (and format code) into a literal of the given name; without cached
// points, the points are the cells the reference names.
void toLiteral(pugi::xml_node ref, pugi::xml_node cache, const std::string& literalName,
               OtherSheetCells* cells) {
    const std::string prefix = prefixOf(ref);
    const bool numbers = localName(literalName) == "numLit";
    const auto block = uncachedCells(ref, cache, cells);
    auto parent = ref.parent();
    auto literal = parent.insert_child_before(literalName.c_str(), ref);
    if (block) {
        if (const auto format = childLocal(cache, "formatCode"); format && numbers) {
            literal.append_copy(format);
        }
        literal.append_child((prefix + "ptCount").c_str()).append_attribute("val") =
            block->cells.size();
        for (std::size_t i = 0; i < block->cells.size(); ++i) {
            const CachedCell& cell = block->cells[i];
            if (showsAs(cell, numbers)) {
                auto pt = literal.append_child((prefix + "pt").c_str());
                pt.append_attribute("idx") = i;
                pt.append_child((prefix + "v").c_str()).text().set(literalText(cell).c_str());
            }
        }
    } else if (cache) {
        for (auto child : cache.children()) {
            if (localName(child.name()) != "extLst") {
                literal.append_copy(child);
            }
        }
    }
    if (!childLocal(literal, "ptCount")) {
        literal.prepend_child((prefix + "ptCount").c_str()).append_attribute("val") = 0;
    }
    parent.remove_child(ref);
}

// A series name or title: the cached text, else the text of the cells named, joined by blanks.
std::string shownName(pugi::xml_node ref, OtherSheetCells* cells) {
    const auto cache = childLocal(ref, "strCache");
    if (const auto pt = childLocal(cache, "pt")) {
        return childLocal(pt, "v").text().get();
    }
    std::string text;
    if (const auto block = uncachedCells(ref, cache, cells)) {
        for (const auto& cell : block->cells) {
            if (cell.kind != CachedCell::Kind::Empty) {
                text += (text.empty() ? "" : " ") + literalText(cell);
            }
        }
    }
    return text;
}

void replaceReference(pugi::xml_node ref, OtherSheetCells* cells) {
    const std::string prefix = prefixOf(ref);
    const auto local = localName(ref.name());
    auto parent = ref.parent();
    const auto parentLocal = localName(parent.name());
    if (local == "numRef") {
        toLiteral(ref, childLocal(ref, "numCache"), prefix + "numLit", cells);
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
        const std::string text = shownName(ref, cells);
        parent.insert_child_before((prefix + "v").c_str(), ref).text().set(text.c_str());
        parent.remove_child(ref);
    } else if (parentLocal == "tx") {
        // A title: its text as rich text, the only other form a title's text may take.
        const std::string text = shownName(ref, cells);
        auto rich = parent.insert_child_before((prefix + "rich").c_str(), ref);
        rich.append_child("a:bodyPr");
        rich.append_child("a:p").append_child("a:r").append_child("a:t").text().set(text.c_str());
        parent.remove_child(ref);
    } else {
        toLiteral(ref, childLocal(ref, "strCache"), prefix + "strLit", cells);
    }
}

}  // namespace

std::optional<std::string> rewriteChart(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope,
                                        const std::set<std::string>& droppedLinks,
                                        OtherSheetCells* otherSheets) {
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
            replaceReference(ref, otherSheets);
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
