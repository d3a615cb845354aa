#pragma once
// The relationships of one part, read from its ".rels" part.
#include <string>
#include <string_view>
#include <vector>

namespace pv::host {

class ZipReader;

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // the resolved part name, maybe absent from the package; "" for
                         // external and in-document targets
    bool external = false;
    std::string location;  // what an in-document target ("#'Sheet 2'!A1") points at, without "#"

    // True when the type URI ends with "/" + `suffix` ("worksheet", "styles").
    bool is(std::string_view suffix) const;
};

// The relationships of `sourcePart` ("" for the package's own); none when it has no ".rels".
std::vector<Relationship> readRelationships(const ZipReader& zip, std::string_view sourcePart);

}  // namespace pv::host
