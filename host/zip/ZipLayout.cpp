#include "host/zip/ZipLayout.h"

#include <algorithm>
#include <fstream>

#include "core/Error.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndOfCentral = 0x06054b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint32_t kZip64EndOfCentral = 0x06064b50;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::size_t kEndOfCentralSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
// A central directory past this is no workbook's: the entry cap allows far less.
constexpr std::uint64_t kMaxCentralSize = 64u << 20;

std::uint64_t le(const std::string& bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

class ArchiveFile {
  public:
    explicit ArchiveFile(const std::filesystem::path& file)
        : file_(file), in_(file, std::ios::binary) {
        in_.seekg(0, std::ios::end);
        size_ = static_cast<std::uint64_t>(std::max<std::streamoff>(in_.tellg(), 0));
    }
    std::uint64_t size() const { return size_; }
    // `n` bytes at `offset`; fails when the file ends first.
    std::string read(std::uint64_t offset, std::uint64_t n) {
        if (offset > size_ || n > size_ - offset) {
            fail("a directory record lies past the end of the file");
        }
        std::string bytes(static_cast<std::size_t>(n), '\0');
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(bytes.data(), static_cast<std::streamsize>(n));
        if (in_.gcount() != static_cast<std::streamsize>(n)) {
            fail("the file could not be read");
        }
        return bytes;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw Error(ZipError::CorruptZip, file_.string() + ": " + what);
    }

  private:
    std::filesystem::path file_;
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

struct CentralDirectory {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
};

// The last end record whose directory fits before it, as readers look from the end.
CentralDirectory findCentralDirectory(ArchiveFile& file) {
    const std::uint64_t tailSize =
        std::min<std::uint64_t>(file.size(), kEndOfCentralSize + kMaxCommentSize);
    const std::uint64_t tailStart = file.size() - tailSize;
    const std::string tail = file.read(tailStart, tailSize);
    for (std::size_t at = tail.size() < kEndOfCentralSize ? std::string::npos
                                                          : tail.size() - kEndOfCentralSize;
         at != std::string::npos; at = at == 0 ? std::string::npos : at - 1) {
        if (le(tail, at, 4) != kEndOfCentral) {
            continue;
        }
        const std::uint64_t position = tailStart + at;
        CentralDirectory cd{le(tail, at + 16, 4), le(tail, at + 12, 4), le(tail, at + 10, 2)};
        if ((cd.offset == 0xFFFFFFFF || cd.size == 0xFFFFFFFF || cd.entries == 0xFFFF) &&
            position >= 20) {
            const std::string locator = file.read(position - 20, 20);
            if (le(locator, 0, 4) == kZip64Locator) {
                const std::string end = file.read(le(locator, 8, 8), 56);
                if (le(end, 0, 4) != kZip64EndOfCentral) {
                    file.fail("the zip64 end of central directory is missing");
                }
                cd = {le(end, 48, 8), le(end, 40, 8), le(end, 32, 8)};
            }
        }
        if (cd.offset <= position && cd.size <= position - cd.offset) {
            return cd;
        }
    }
    file.fail("no end of central directory");
}

}  // namespace

std::vector<EntryExtent> readEntryExtents(const std::filesystem::path& path) {
    ArchiveFile file(path);
    const CentralDirectory cd = findCentralDirectory(file);
    if (cd.size > kMaxCentralSize) {
        throw Error(ZipError::ZipBomb, path.string() + ": the central directory is too large");
    }
    const std::string directory = file.read(cd.offset, cd.size);
    std::vector<EntryExtent> extents;
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < cd.entries; ++i) {
        if (at + 46 > directory.size() || le(directory, at, 4) != kCentralHeader) {
            file.fail("central directory entry " + std::to_string(i) + " is damaged");
        }
        const std::size_t nameSize = le(directory, at + 28, 2);
        const std::size_t extraSize = le(directory, at + 30, 2);
        const std::size_t commentSize = le(directory, at + 32, 2);
        const std::size_t next = at + 46 + nameSize + extraSize + commentSize;
        if (next > directory.size()) {
            file.fail("central directory entry " + std::to_string(i) + " is damaged");
        }
        EntryExtent extent;
        extent.rawName = directory.substr(at + 46, nameSize);
        std::uint64_t size = le(directory, at + 24, 4);
        extent.compressedSize = le(directory, at + 20, 4);
        extent.begin = le(directory, at + 42, 4);
        // Fields too large for 32 bits are in the zip64 extra field, in this order.
        for (std::size_t e = at + 46 + nameSize; e + 4 <= at + 46 + nameSize + extraSize;) {
            const std::size_t length = le(directory, e + 2, 2);
            if (le(directory, e, 2) == kZip64Extra) {
                std::size_t field = e + 4;
                for (std::uint64_t* value : {&size, &extent.compressedSize, &extent.begin}) {
                    if (*value == 0xFFFFFFFF && field + 8 <= e + 4 + length) {
                        *value = le(directory, field, 8);
                        field += 8;
                    }
                }
            }
            e += 4 + length;
        }
        const std::string local = file.read(extent.begin, 30);
        if (le(local, 0, 4) != kLocalHeader) {
            file.fail(extent.rawName + ": no local header where the central directory puts it");
        }
        const std::uint64_t dataStart = extent.begin + 30 + le(local, 26, 2) + le(local, 28, 2);
        extent.end = dataStart + extent.compressedSize;
        if (extent.compressedSize > cd.offset || extent.end > cd.offset) {
            file.fail(extent.rawName + ": the entry reaches past the central directory");
        }
        extents.push_back(std::move(extent));
        at = next;
    }
    // Two entries sharing bytes would let one stored byte count many times over.
    std::vector<const EntryExtent*> byOffset;
    byOffset.reserve(extents.size());
    for (const auto& extent : extents) {
        byOffset.push_back(&extent);
    }
    std::sort(byOffset.begin(), byOffset.end(),
              [](const EntryExtent* a, const EntryExtent* b) { return a->begin < b->begin; });
    for (std::size_t i = 1; i < byOffset.size(); ++i) {
        if (byOffset[i]->begin < byOffset[i - 1]->end) {
            file.fail(byOffset[i - 1]->rawName + " and " + byOffset[i]->rawName +
                      ": the entries overlap");
        }
    }
    return extents;
}

}  // namespace pv::host
