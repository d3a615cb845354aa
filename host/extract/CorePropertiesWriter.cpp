#include <algorithm>
#include <cctype>

#include "host/extract/PartWriters.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/EntryNames.h"

namespace pv::host {

namespace {

bool isWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || std::isalnum(byte) != 0;
}

// Where `text` (lowercase) holds `name` (lowercase) as a word of its own, from `from` on: "Q1"
// in "Q1 totals" and in "'Q1'!A1", not in "Q10"; npos when nowhere.
std::size_t findWord(std::string_view text, std::string_view name, std::size_t from = 0) {
    if (name.empty()) {
        return std::string_view::npos;
    }
    for (auto at = text.find(name, from); at != std::string_view::npos;
         at = text.find(name, at + 1)) {
        const auto end = at + name.size();
        if ((at == 0 || !isWordByte(text[at - 1])) &&
            (end == text.size() || !isWordByte(text[end]))) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::string textOf(pugi::xml_node node) {
    std::string out;
    for (auto piece : node.select_nodes(".//text()")) {
        out += piece.node().value();
        out += ' ';
    }
    return out;
}

}  // namespace

// The core properties are the document's title and description: written for a workbook of all
// sheets, they may name the others.
std::string writeCoreProperties(std::string_view xml, const std::string& where,
                                const std::string& sheet,
                                const std::vector<std::string>& otherSheets) {
    pugi::xml_document doc;
    loadXml(doc, xml, where);
    auto root = doc.document_element();
    const std::string own = lowercase(sheet);
    for (auto node = root.first_child(); node;) {
        auto next = node.next_sibling();
        const auto local = localName(node.name());
        if (local == "title" && node.first_child()) {
            node.remove_children();
            node.text().set(sheet.c_str());
        } else if (local == "subject" || local == "keywords" || local == "description" ||
                   local == "category") {
            // The kept sheet's own name is no mention of another that it contains ("Sales" in
            // "Sales 2024").
            std::string text = lowercase(textOf(node));
            for (auto at = findWord(text, own); at != std::string::npos;
                 at = findWord(text, own, at + 1)) {
                std::fill_n(text.begin() + static_cast<std::ptrdiff_t>(at), own.size(), ' ');
            }
            if (std::any_of(otherSheets.begin(), otherSheets.end(), [&](const std::string& name) {
                    return findWord(text, lowercase(name)) != std::string::npos;
                })) {
                root.remove_child(node);
            }
        }
        node = next;
    }
    return saveXml(doc);
}

}  // namespace pv::host
