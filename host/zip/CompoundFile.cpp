#include "host/zip/CompoundFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "core/Error.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {

constexpr std::array<unsigned char, 8> kSignature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
// Directory sectors walked at most: a looping chain ends here.
constexpr int kMaxDirectorySectors = 4096;

std::uint32_t le(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

// Reads only what it needs: the header, the directory's sectors and the FAT sectors that chain
// them (those the header lists; a directory beyond them is not looked at).
class CompoundReader {
  public:
    explicit CompoundReader(const std::filesystem::path& file) : in_(file, std::ios::binary) {
        header_.resize(512);
        in_.read(reinterpret_cast<char*>(header_.data()), 512);
        if (in_.gcount() != 512 ||
            !std::equal(kSignature.begin(), kSignature.end(), header_.begin())) {
            return;
        }
        const std::uint32_t shift = le(&header_[30], 2);
        if (shift != 9 && shift != 12) {
            return;
        }
        sectorSize_ = 1u << shift;
        valid_ = true;
    }

    bool valid() const { return valid_; }

    // Calls `entry(name, type)` for each directory entry until it returns true.
    template <typename Visit>
    bool anyEntry(const Visit& entry) {
        std::uint32_t sector = le(&header_[48], 4);
        std::vector<unsigned char> data;
        for (int walked = 0; sector != kEndOfChain && walked < kMaxDirectorySectors; ++walked) {
            if (!readSector(sector, data)) {
                return false;
            }
            for (std::size_t at = 0; at + 128 <= data.size(); at += 128) {
                const unsigned char* e = &data[at];
                const std::uint32_t nameBytes = std::min<std::uint32_t>(le(e + 64, 2), 64);
                std::u16string name;
                for (std::uint32_t i = 0; i + 1 < nameBytes; i += 2) {
                    const char16_t ch = static_cast<char16_t>(le(e + i, 2));
                    if (ch == 0) {
                        break;
                    }
                    name += ch;
                }
                if (entry(name, e[66])) {
                    return true;
                }
            }
            if (!nextSector(sector)) {
                return false;
            }
        }
        return false;
    }

  private:
    bool readSector(std::uint32_t sector, std::vector<unsigned char>& data) {
        data.assign(sectorSize_, 0);
        in_.clear();
        in_.seekg(static_cast<std::streamoff>((std::uint64_t{sector} + 1) * sectorSize_));
        in_.read(reinterpret_cast<char*>(data.data()), sectorSize_);
        return in_.gcount() == static_cast<std::streamsize>(sectorSize_);
    }

    bool nextSector(std::uint32_t& sector) {
        const std::uint32_t perFatSector = sectorSize_ / 4;
        const std::uint32_t fatIndex = sector / perFatSector;
        if (fatIndex >= 109) {
            return false;
        }
        std::vector<unsigned char> fat;
        if (!readSector(le(&header_[76 + 4 * fatIndex], 4), fat)) {
            return false;
        }
        sector = le(&fat[4 * (sector % perFatSector)], 4);
        return true;
    }

    std::ifstream in_;
    std::vector<unsigned char> header_;
    std::uint32_t sectorSize_ = 512;
    bool valid_ = false;
};

constexpr unsigned char kStream = 2;

}  // namespace

bool isCompoundFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 4> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    return in.gcount() == 4 && std::equal(head.begin(), head.end(), kSignature.begin());
}

bool hasCompoundStream(const std::filesystem::path& file,
                       std::initializer_list<std::u16string_view> names) {
    CompoundReader reader(file);
    if (!reader.valid()) {
        return false;
    }
    const auto folded = [](char16_t ch) {
        return ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - u'a' + u'A') : ch;
    };
    return reader.anyEntry([&](const std::u16string& name, unsigned char type) {
        if (type != kStream) {
            return false;
        }
        for (const std::u16string_view wanted : names) {
            if (std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(),
                           [&](char16_t a, char16_t b) { return folded(a) == folded(b); })) {
                return true;
            }
        }
        return false;
    });
}

bool isPasswordEncrypted(const std::filesystem::path& file) {
    CompoundReader reader(file);
    if (!reader.valid()) {
        return false;
    }
    bool info = false;
    bool package = false;
    reader.anyEntry([&](const std::u16string& name, unsigned char type) {
        if (type == kStream) {
            info = info || name == u"EncryptionInfo";
            package = package || name == u"EncryptedPackage";
        }
        return info && package;
    });
    return info && package;
}

void refuseIfPasswordEncrypted(const std::filesystem::path& file) {
    if (isPasswordEncrypted(file)) {
        throw Error(ZipError::Encrypted,
                    file.string() +
                        ": the workbook is encrypted with a password, which "
                        "cannot be read without it; save it without one first");
    }
}

}  // namespace pv::host
