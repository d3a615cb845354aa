#pragma once
// Names of the entries of an archive: which ones are safe to store, and how they compare.
#include <string>
#include <string_view>

namespace pv::host {

// True for a name that may be stored in a package: relative, "/"-separated, no "." or ".."
// segment, no empty segment, no backslash or control character.
bool isSafePartName(std::string_view name);
// ASCII lowercase: part names compare case-insensitively.
std::string lowercase(std::string_view text);
// The extension of a path, lowercase, with its dot (".xlsx"), or "".
std::string lowercaseExtension(std::string_view path);

}  // namespace pv::host
