#pragma once
// A package opened read-only, with every entry checked before anything is read: names safe and
// unique (case-insensitively, as part names compare), stored or deflated, not encrypted, and
// sizes within caps, no two entries sharing bytes, none past the central directory. Reading counts
// the inflated bytes itself, so an entry that inflates past what it declared is caught whatever the
// zip library reports.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct zip;

namespace pv::host {

struct ZipLimits {
    std::uint64_t maxEntries = 20000;
    std::uint64_t maxPartSize = 2ull << 30;     // inflated bytes of one part
    std::uint64_t maxTotalSize = 8ull << 30;    // inflated bytes of all parts
    std::uint64_t maxDomPartSize = 256u << 20;  // parts loaded whole into memory
    double maxRatio = 1000.0;                   // inflated / compressed, for parts over 1 MB
};

struct ZipEntry {
    std::string name;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint32_t crc = 0;  // as the central directory has it
    bool deflated = false;  // else stored
    // Set once the entry was inflated to its end: its CRC and size matched.
    mutable bool intact = false;
};

class ZipReader {
  public:
    explicit ZipReader(const std::filesystem::path& file, ZipLimits limits = {});
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    const std::filesystem::path& file() const { return file_; }
    const std::vector<ZipEntry>& entries() const { return entries_; }
    // The entry of a part name, compared case-insensitively; nullptr when absent.
    const ZipEntry* find(std::string_view part) const;
    bool contains(std::string_view part) const { return find(part) != nullptr; }
    // The whole part (for small parts); throws when it is absent or over maxDomPartSize.
    std::string read(std::string_view part) const;
    // How much of a part a stream is expected to take: a reader that will likely stop near the
    // start (the first rows of a sheet) is better served by inflating in steps.
    enum class Extent { Whole, Start };
    // Streams the inflated part in chunks; `sink` returns false to stop early.
    void stream(std::string_view part, const std::function<bool(const char*, std::size_t)>& sink,
                Extent extent = Extent::Whole) const;
    // Inflates the part to its end unless a read already did, so that a part copied as it is
    // is known intact (CRC, deflate data, size); throws pv::Error when it is not.
    void checkIntact(std::string_view part) const;
    zip* archive() const { return archive_; }

    // "file: part: what" for error descriptions.
    std::string where(std::string_view part) const;

  private:
    // Where inflate() puts the bytes: buffer() gives room (no room ends the read), filled()
    // takes the n bytes written there and returns false to stop.
    struct ChunkSink {
        std::function<std::pair<char*, std::size_t>()> buffer;
        std::function<bool(std::size_t)> filled;
    };
    void inflate(const ZipEntry& entry, const ChunkSink& sink) const;
    void inflateDeflated(const ZipEntry& entry, const ChunkSink& sink) const;
    // A deflated entry inflated in one call into `room` (entry.size bytes), its CRC and size
    // checked.
    void inflateWhole(const ZipEntry& entry, char* room) const;
    void checkEntries();

    std::filesystem::path file_;
    ZipLimits limits_;
    zip* archive_ = nullptr;
    std::vector<ZipEntry> entries_;
    std::unordered_map<std::string, std::size_t> byLowerName_;
};

}  // namespace pv::host
