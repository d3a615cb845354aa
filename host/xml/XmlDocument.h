#pragma once
// Small parts (workbook, relationships, content types, styles, charts) loaded whole with
// pugixml. A DOCTYPE is refused, and pugixml expands no entity beyond the five predefined ones.
#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace pv::host {

class ZipReader;

// Parses `xml`; throws pv::Error naming `where` when it is malformed or declares a DOCTYPE.
void loadXml(pugi::xml_document& doc, std::string_view xml, const std::string& where);
void loadPart(pugi::xml_document& doc, const ZipReader& zip, std::string_view part);
// Throws pv::Error (DtdRefused) when a part copied into an output as it is declares a
// DOCTYPE: what the engine refuses to read must not reach an output either. Reads the prolog
// only; a prolog over 1 MB is refused as malformed.
void screenCopiedXml(const ZipReader& zip, std::string_view part);
// The document as written back, with an XML declaration.
std::string saveXml(pugi::xml_document& doc);

// The first child with local name `local` (any prefix).
pugi::xml_node childLocal(pugi::xml_node node, std::string_view local);
// An attribute by local name (any prefix).
pugi::xml_attribute attributeLocal(pugi::xml_node node, std::string_view local);
// Every element below `node` with local name `local`, in document order.
std::vector<pugi::xml_node> descendantsLocal(pugi::xml_node node, std::string_view local);
// The prefix of a node's name, with its colon ("x:"), or "".
std::string prefixOf(pugi::xml_node node);

}  // namespace pv::host
