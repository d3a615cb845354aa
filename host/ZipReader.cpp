#include "host/ZipReader.h"

#include <zip.h>

#include <array>
#include <fstream>
#include <memory>

#include "core/Error.h"
#include "host/HostErrors.h"
#include "host/PackagePath.h"

namespace pv::host {

namespace {

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// A compound file (legacy workbook, or any encrypted OOXML workbook) starts with this.
bool isCompoundFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 4> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    return in.gcount() == 4 && head == std::array<unsigned char, 4>{0xD0, 0xCF, 0x11, 0xE0};
}

}  // namespace

ZipReader::ZipReader(const std::filesystem::path& file, ZipLimits limits)
    : file_(file), limits_(limits) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file_, ec)) {
        throw Error(errors::kCannotOpenFile, file_.string() + ": no such file");
    }
    if (isCompoundFile(file_)) {
        throw Error(
            errors::kLegacyOrEncrypted,
            file_.string() + ": a legacy or encrypted workbook, which this engine does not read");
    }
    int code = 0;
    archive_ = zip_open(file_.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive_ == nullptr) {
        const int number = code == ZIP_ER_OPEN || code == ZIP_ER_READ ? errors::kCannotOpenFile
                                                                      : errors::kCorruptZip;
        throw Error(number,
                    file_.string() + ": not a readable zip package (" + zipErrorText(code) + ")");
    }
    try {
        checkEntries();
    } catch (...) {
        zip_discard(archive_);
        archive_ = nullptr;
        throw;
    }
}

ZipReader::~ZipReader() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
}

std::string ZipReader::where(std::string_view part) const {
    return file_.string() + ": " + std::string(part);
}

void ZipReader::checkEntries() {
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits_.maxEntries) {
        throw Error(errors::kZipBomb,
                    file_.string() + ": too many entries (" + std::to_string(count) + ")");
    }
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
            st.name == nullptr) {
            throw Error(errors::kCorruptZip,
                        file_.string() + ": unreadable entry " + std::to_string(i));
        }
        std::string name = st.name;
        // Some writers separate folders with backslashes; part names always use "/".
        for (auto& ch : name) {
            ch = ch == '\\' ? '/' : ch;
        }
        if (!isSafePartName(name)) {
            throw Error(errors::kUnsafeEntry, where(name) + ": unsafe entry name");
        }
        const std::string lower = lowercase(name);
        if (!byLowerName_.emplace(lower, entries_.size()).second) {
            throw Error(errors::kUnsafeEntry, where(name) + ": duplicate entry name");
        }
        if (st.encryption_method != ZIP_EM_NONE) {
            throw Error(errors::kUnsupportedEntry, where(name) + ": encrypted entry");
        }
        if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE) {
            throw Error(errors::kUnsupportedEntry, where(name) + ": compression method " +
                                                       std::to_string(st.comp_method) +
                                                       " is not supported");
        }
        if (st.size > limits_.maxPartSize ||
            (st.size > (1u << 20) &&
             static_cast<double>(st.size) >
                 limits_.maxRatio * static_cast<double>(std::max<zip_uint64_t>(st.comp_size, 1)))) {
            throw Error(errors::kZipBomb, where(name) + ": inflates to " + std::to_string(st.size) +
                                              " bytes from " + std::to_string(st.comp_size) +
                                              " (possible zip bomb)");
        }
        total += st.size;
        if (total > limits_.maxTotalSize) {
            throw Error(errors::kZipBomb, file_.string() + ": the parts inflate to more than " +
                                              std::to_string(limits_.maxTotalSize) +
                                              " bytes (possible zip bomb)");
        }
        entries_.push_back({name, static_cast<std::uint64_t>(i), st.size, st.comp_size});
    }
}

const ZipEntry* ZipReader::find(std::string_view part) const {
    const auto it = byLowerName_.find(lowercase(part));
    return it == byLowerName_.end() ? nullptr : &entries_[it->second];
}

void ZipReader::stream(std::string_view part,
                       const std::function<bool(const char*, std::size_t)>& sink) const {
    const ZipEntry* entry = find(part);
    if (entry == nullptr) {
        throw Error(errors::kMissingPart, where(part) + ": part missing");
    }
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> handle(
        zip_fopen_index(archive_, entry->index, 0), &zip_fclose);
    if (!handle) {
        throw Error(errors::kCorruptZip,
                    where(part) + ": cannot open entry (" + zip_strerror(archive_) + ")");
    }
    std::array<char, 1 << 16> buffer;
    std::uint64_t inflated = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(handle.get(), buffer.data(), buffer.size());
        if (n < 0) {
            throw Error(errors::kCorruptZip,
                        where(part) + ": corrupt entry (" + zip_file_strerror(handle.get()) + ")");
        }
        if (n == 0) {
            break;
        }
        inflated += static_cast<std::uint64_t>(n);
        if (inflated > entry->size) {
            throw Error(errors::kZipBomb,
                        where(part) + ": inflates past its declared size (possible zip bomb)");
        }
        if (!sink(buffer.data(), static_cast<std::size_t>(n))) {
            return;
        }
    }
    if (inflated != entry->size) {
        throw Error(errors::kCorruptZip, where(part) + ": truncated entry");
    }
}

std::string ZipReader::read(std::string_view part) const {
    const ZipEntry* entry = find(part);
    if (entry == nullptr) {
        throw Error(errors::kMissingPart, where(part) + ": part missing");
    }
    if (entry->size > limits_.maxDomPartSize) {
        throw Error(errors::kZipBomb, where(part) + ": part too large to load");
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(entry->size));
    stream(part, [&](const char* bytes, std::size_t n) {
        data.append(bytes, n);
        return true;
    });
    return data;
}

}  // namespace pv::host
