#include "host/xml/XmlDocument.h"

#include <algorithm>
#include <sstream>

#include "core/Error.h"
#include "host/xml/XmlErrors.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {
// The tree's deepest element nesting, found without recursion so that no depth can exhaust the
// stack here.
bool nestedTooDeeply(const pugi::xml_document& doc) {
    int depth = 0;
    pugi::xml_node node = doc.first_child();
    while (node) {
        if (node.type() == pugi::node_element && depth >= kMaxXmlDepth) {
            return true;
        }
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            ++depth;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            --depth;
            if (node == doc) {
                return false;
            }
        }
        if (node) {
            node = node.next_sibling();
        }
    }
    return false;
}
enum class Prolog { Doctype, Plain, Unfinished };

// Looks through what comes before the root element: declaration, processing instructions,
// comments and blanks. Text in UTF-16 is read through its ASCII bytes, which is all the markup
// looked for here needs.
Prolog readProlog(std::string_view bytes) {
    std::string narrow;
    if (bytes.size() >= 2 &&
        (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        for (std::size_t i = bytes[0] == '\xFF' ? 2 : 3; i < bytes.size(); i += 2) {
            narrow += bytes[i];
        }
        bytes = narrow;
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::size_t at = 0;
    for (;;) {
        at = bytes.find_first_not_of(" \t\r\n", at);
        if (at == std::string_view::npos || bytes.size() - at < 9) {
            return Prolog::Unfinished;
        }
        const std::string_view rest = bytes.substr(at);
        std::size_t end = std::string_view::npos;
        if (rest.starts_with("<?")) {
            end = rest.find("?>");
        } else if (rest.starts_with("<!--")) {
            end = rest.find("-->");
        } else {
            return rest.starts_with("<!DOCTYPE") ? Prolog::Doctype : Prolog::Plain;
        }
        if (end == std::string_view::npos) {
            return Prolog::Unfinished;
        }
        at += end + 2;
    }
}

}  // namespace

void screenCopiedXml(const ZipReader& zip, std::string_view part) {
    constexpr std::size_t kMaxProlog = 1 << 20;
    std::string head;
    Prolog prolog = Prolog::Unfinished;
    zip.stream(part, [&](const char* bytes, std::size_t n) {
        head.append(bytes, std::min(n, kMaxProlog + 1 - head.size()));
        prolog = readProlog(head);
        return prolog == Prolog::Unfinished && head.size() <= kMaxProlog;
    });
    if (prolog == Prolog::Doctype) {
        throw Error(XmlError::DtdRefused,
                    zip.where(part) + ": a document type or entity declaration is not allowed");
    }
    if (prolog == Prolog::Unfinished && head.size() > kMaxProlog) {
        throw Error(XmlError::MalformedXml, zip.where(part) + ": an XML prolog over 1 MB");
    }
}

void loadXml(pugi::xml_document& doc, std::string_view xml, const std::string& where) {
    const auto result =
        doc.load_buffer(xml.data(), xml.size(),
                        pugi::parse_default | pugi::parse_doctype | pugi::parse_declaration);
    if (!result) {
        throw Error(XmlError::MalformedXml, where + ": malformed XML at byte " +
                                                std::to_string(result.offset) + " (" +
                                                result.description() + ")");
    }
    for (auto node : doc.children()) {
        if (node.type() == pugi::node_doctype) {
            throw Error(XmlError::DtdRefused,
                        where + ": a document type or entity declaration is not allowed");
        }
    }
    if (!doc.document_element()) {
        throw Error(XmlError::MalformedXml, where + ": no root element");
    }
    if (nestedTooDeeply(doc)) {
        throw Error(XmlError::MalformedXml, where + ": elements nested too deeply");
    }
}

void loadPart(pugi::xml_document& doc, const ZipReader& zip, std::string_view part) {
    loadXml(doc, zip.read(part), zip.where(part));
}

std::string saveXml(pugi::xml_document& doc) {
    std::ostringstream out;
    for (auto node = doc.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_declaration) {
            doc.remove_child(node);
            break;
        }
    }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

pugi::xml_node childLocal(pugi::xml_node node, std::string_view local) {
    for (auto child : node.children()) {
        if (child.type() == pugi::node_element && localName(child.name()) == local) {
            return child;
        }
    }
    return {};
}

pugi::xml_attribute attributeLocal(pugi::xml_node node, std::string_view local) {
    for (auto a : node.attributes()) {
        if (localName(a.name()) == local) {
            return a;
        }
    }
    return {};
}

std::string prefixOf(pugi::xml_node node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

namespace {
void collectLocal(pugi::xml_node node, std::string_view local, std::vector<pugi::xml_node>& out) {
    for (auto child : node.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        if (localName(child.name()) == local) {
            out.push_back(child);
        }
        collectLocal(child, local, out);
    }
}
}  // namespace

std::vector<pugi::xml_node> descendantsLocal(pugi::xml_node node, std::string_view local) {
    std::vector<pugi::xml_node> out;
    collectLocal(node, local, out);
    return out;
}

}  // namespace pv::host
