#pragma once
// Where the entries of a zip archive lie in the file, read from its central directory (which is
// authoritative) and the length fields of each local header. The zip library reads each entry
// from those same places, so they are where an archive is checked for entries that share bytes
// or reach past the central directory.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pv::host {

struct EntryExtent {
    std::string rawName;  // as stored, before any decoding
    std::uint64_t compressedSize = 0;
    std::uint64_t begin = 0;  // the local header
    std::uint64_t end = 0;    // past the compressed data
};

// In central-directory order; throws ZipError::CorruptZip, naming the entries, when an entry
// lies outside the space before the central directory or two entries overlap.
std::vector<EntryExtent> readEntryExtents(const std::filesystem::path& file);

}  // namespace pv::host
