#pragma once
// Part names inside a package: "xl/worksheets/sheet1.xml", never with a leading "/".
#include <string>
#include <string_view>

namespace pv::host {

// The folder of a part ("xl/worksheets" for "xl/worksheets/sheet1.xml", "" at the root).
std::string partFolder(std::string_view part);
// The relationships part of a part: "xl/worksheets/_rels/sheet1.xml.rels"; "_rels/.rels" for "".
std::string relationshipsPartOf(std::string_view part);
// A relationship target resolved against its source part; "" when it leaves the package.
std::string resolveTarget(std::string_view sourcePart, std::string_view target);
// True for a name that may be stored in a package: relative, "/"-separated, no "." or ".."
// segment, no empty segment, no backslash or control character.
bool isSafePartName(std::string_view name);
// ASCII lowercase: part names compare case-insensitively.
std::string lowercase(std::string_view text);
// The extension of a path, lowercase, with its dot (".xlsx"), or "".
std::string lowercaseExtension(std::string_view path);

}  // namespace pv::host
