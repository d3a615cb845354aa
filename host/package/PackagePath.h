#pragma once
// Part names inside a package: "xl/worksheets/sheet1.xml", never with a leading "/".
#include <string>
#include <string_view>

#include "host/zip/EntryNames.h"

namespace pv::host {

// The folder of a part ("xl/worksheets" for "xl/worksheets/sheet1.xml", "" at the root).
std::string partFolder(std::string_view part);
// The relationships part of a part: "xl/worksheets/_rels/sheet1.xml.rels"; "_rels/.rels" for "".
std::string relationshipsPartOf(std::string_view part);
// A relationship target resolved against its source part, a ".." above the root staying at the
// root; "" when it names no part (such as "/"). The part need not be in the package.
std::string resolveTarget(std::string_view sourcePart, std::string_view target);
// The relative target that resolveTarget() takes from `sourcePart` ("" for the package) to
// `part`, byte for byte: "../media/image%201.png".
std::string relativeTarget(std::string_view sourcePart, std::string_view part);

}  // namespace pv::host
