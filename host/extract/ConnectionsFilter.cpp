#include "host/extract/ConnectionsFilter.h"

#include <set>

#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

std::string filterConnections(const ZipReader& zip, const std::string& connectionsPart,
                              const std::vector<std::string>& queryTableParts,
                              const SheetScope& scope) {
    std::set<std::string> used;
    for (const auto& part : queryTableParts) {
        if (!zip.contains(part)) {
            continue;
        }
        pugi::xml_document table;
        loadPart(table, zip, part);
        used.insert(table.document_element().attribute("connectionId").value());
    }
    pugi::xml_document connections;
    loadPart(connections, zip, connectionsPart);
    for (auto connection : descendantsLocal(connections, "connection")) {
        // x15:connection inside an extension names the data model, not a connection of its own.
        if (connection.parent() != connections.document_element()) {
            continue;
        }
        if (used.count(connection.attribute("id").value()) == 0) {
            connections.document_element().remove_child(connection);
            continue;
        }
        for (auto parameter : descendantsLocal(connection, "parameter")) {
            const auto cell = parameter.attribute("cell");
            if (cell && scope.isForeign(cell.value())) {
                parameter.remove_attribute(cell);
                if (auto type = parameter.attribute("parameterType")) {
                    type.set_value("prompt");
                } else {
                    parameter.append_attribute("parameterType") = "prompt";
                }
            }
        }
    }
    return saveXml(connections);
}

}  // namespace pv::host
