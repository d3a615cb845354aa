#pragma once
// Which file a path names, and whether it changed: two spellings of one unchanged file give the
// same identity, the same file rewritten gives another. Caches of what was learned or converted
// from a source key on it, so a changed source is read again.
#include <compare>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pv::host {

struct SourceIdentity {
    std::string path;  // absolute, symbolic links resolved where the file exists
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // time of last change, in the file clock's ticks
    bool exists = false;        // false when the file could not be read: size and time are 0

    auto operator<=>(const SourceIdentity&) const = default;
};

SourceIdentity identifySource(const std::filesystem::path& file);

}  // namespace pv::host
