#include "host/zip/ZipReader.h"

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/Error.h"
#include "core/EventHook.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipLayout.h"

namespace pv::host {

namespace {

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

}  // namespace

ZipReader::ZipReader(const std::filesystem::path& file, ZipLimits limits)
    : file_(file), limits_(limits) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file_, ec)) {
        throw Error(ZipError::CannotOpenFile, file_.string() + ": no such file");
    }
    refuseIfPasswordEncrypted(file_);
    if (isCompoundFile(file_)) {
        throw Error(
            ZipError::LegacyOrEncrypted,
            file_.string() + ": a legacy or encrypted workbook, which this engine does not read");
    }
    int code = 0;
    // Without the library's consistency check: it refuses local headers that differ from the
    // central directory in ways other readers accept (a data descriptor's zero CRC and sizes, a
    // modification time). The central directory is authoritative; what is unsafe is checked
    // below, and CRC and sizes when inflating.
    archive_ = zip_open(file_.c_str(), ZIP_RDONLY, &code);
    if (archive_ == nullptr) {
        const ZipError number = code == ZIP_ER_OPEN || code == ZIP_ER_READ
                                    ? ZipError::CannotOpenFile
                                    : ZipError::CorruptZip;
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
        throw Error(ZipError::ZipBomb,
                    file_.string() + ": too many entries (" + std::to_string(count) + ")");
    }
    // Read from the same directory as the library's, or the archive is ambiguous.
    const std::vector<EntryExtent> extents = readEntryExtents(file_);
    if (extents.size() != static_cast<std::uint64_t>(count)) {
        throw Error(ZipError::CorruptZip,
                    file_.string() + ": the central directory is ambiguous (entry counts differ)");
    }
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
            st.name == nullptr) {
            throw Error(ZipError::CorruptZip,
                        file_.string() + ": unreadable entry " + std::to_string(i));
        }
        const char* raw = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        const EntryExtent& extent = extents[static_cast<std::size_t>(i)];
        if (raw == nullptr || extent.rawName != raw || extent.compressedSize != st.comp_size) {
            throw Error(ZipError::CorruptZip, file_.string() + ": entry " + std::to_string(i) +
                                                  " differs between two readings of the "
                                                  "central directory");
        }
        std::string name = st.name;
        // Some writers separate folders with backslashes; part names always use "/".
        for (auto& ch : name) {
            ch = ch == '\\' ? '/' : ch;
        }
        if (!isSafePartName(name)) {
            throw Error(ZipError::UnsafeEntry, where(name) + ": unsafe entry name");
        }
        const std::string lower = lowercase(name);
        if (!byLowerName_.emplace(lower, entries_.size()).second) {
            throw Error(ZipError::UnsafeEntry, where(name) + ": duplicate entry name");
        }
        if (st.encryption_method != ZIP_EM_NONE) {
            throw Error(ZipError::UnsupportedEntry, where(name) + ": encrypted entry");
        }
        if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE) {
            throw Error(ZipError::UnsupportedEntry, where(name) + ": compression method " +
                                                        std::to_string(st.comp_method) +
                                                        " is not supported");
        }
        if (st.size > limits_.maxPartSize ||
            (st.size > (1u << 20) &&
             static_cast<double>(st.size) >
                 limits_.maxRatio * static_cast<double>(std::max<zip_uint64_t>(st.comp_size, 1)))) {
            throw Error(ZipError::ZipBomb,
                        where(name) + ": inflates to " + std::to_string(st.size) + " bytes from " +
                            std::to_string(st.comp_size) + " (possible zip bomb)");
        }
        total += st.size;
        if (total > limits_.maxTotalSize) {
            throw Error(ZipError::ZipBomb, file_.string() + ": the parts inflate to more than " +
                                               std::to_string(limits_.maxTotalSize) +
                                               " bytes (possible zip bomb)");
        }
        ZipEntry entry{name, static_cast<std::uint64_t>(i), st.size, st.comp_size};
        entry.crc = st.crc;
        entry.deflated = st.comp_method == ZIP_CM_DEFLATE;
        entries_.push_back(std::move(entry));
    }
}

const ZipEntry* ZipReader::find(std::string_view part) const {
    const auto it = byLowerName_.find(lowercase(part));
    return it == byLowerName_.end() ? nullptr : &entries_[it->second];
}

namespace {

// Parts this big are inflated on a second thread while the caller works through what is
// already inflated: on a big worksheet, inflating takes about as long as reading the XML.
constexpr std::uint64_t kInflateAheadFrom = 8u << 20;

// Deflate never grows data by more than a few bytes per 16 KB block: a compressed size far past
// that is a lie of the directory, not to be trusted with a buffer of its size.
bool plausibleCompressedSize(const ZipEntry& entry) {
    return entry.compressedSize <= entry.size + entry.size / 8 + 1024;
}

constexpr std::size_t kAheadChunk = 1 << 18;
constexpr std::size_t kAheadChunks = 4;
// Inflated bytes between two reading pulses: a few per second on a big sheet.
constexpr std::uint64_t kPulseEvery = 16u << 20;

// Hands inflated chunks from the inflating thread to the reading one, at most kAheadChunks
// ahead; either side can end it early.
class ChunkQueue {
  public:
    // Inflating side: an empty buffer to fill, or nothing when the reader has gone.
    std::optional<std::string> emptyChunk() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return cancelled_ || ready_.size() < kAheadChunks; });
        if (cancelled_) {
            return std::nullopt;
        }
        if (spare_.empty()) {
            return std::string();
        }
        std::string chunk = std::move(spare_.back());
        spare_.pop_back();
        return chunk;
    }
    void push(std::string chunk) {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(chunk));
        changed_.notify_all();
    }
    void close(std::exception_ptr failure) {
        std::lock_guard lock(mutex_);
        closed_ = true;
        failure_ = std::move(failure);
        changed_.notify_all();
    }
    // Reading side: the next chunk; nothing at the end (throwing what inflating hit).
    std::optional<std::string> next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || !ready_.empty(); });
        if (ready_.empty()) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            return std::nullopt;
        }
        std::string chunk = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return chunk;
    }
    void recycle(std::string chunk) {
        std::lock_guard lock(mutex_);
        spare_.push_back(std::move(chunk));
    }
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> ready_;
    std::vector<std::string> spare_;
    bool closed_ = false;
    bool cancelled_ = false;
    std::exception_ptr failure_;
};

}  // namespace

void ZipReader::inflate(const ZipEntry& entry, const ChunkSink& sink) const {
    if (entry.deflated) {
        inflateDeflated(entry, sink);
        return;
    }
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> handle(
        zip_fopen_index(archive_, entry.index, 0), &zip_fclose);
    if (!handle) {
        throw Error(ZipError::CorruptZip,
                    where(entry.name) + ": cannot open entry (" + zip_strerror(archive_) + ")");
    }
    std::uint64_t inflated = 0;
    for (;;) {
        const auto [buffer, capacity] = sink.buffer();
        if (capacity == 0) {
            return;
        }
        const zip_int64_t n = zip_fread(handle.get(), buffer, capacity);
        if (n < 0) {
            throw Error(ZipError::CorruptZip, where(entry.name) + ": corrupt entry (" +
                                                  zip_file_strerror(handle.get()) + ")");
        }
        if (n == 0) {
            break;
        }
        inflated += static_cast<std::uint64_t>(n);
        if (inflated > entry.size) {
            throw Error(
                ZipError::ZipBomb,
                where(entry.name) + ": inflates past its declared size (possible zip bomb)");
        }
        if (!sink.filled(static_cast<std::size_t>(n))) {
            return;
        }
    }
    if (inflated != entry.size) {
        throw Error(ZipError::CorruptZip, where(entry.name) + ": truncated entry");
    }
    entry.intact = true;
}

void ZipReader::inflateDeflated(const ZipEntry& entry, const ChunkSink& sink) const {
    // The compressed bytes as they are, inflated here: the library's own path checks the CRC
    // with zlib's, several times slower than libdeflate's, which on a big part costs a fifth
    // of the inflate. Sizes, deflate data and CRC are all checked below instead.
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> handle(
        zip_fopen_index(archive_, entry.index, ZIP_FL_COMPRESSED), &zip_fclose);
    if (!handle) {
        throw Error(ZipError::CorruptZip,
                    where(entry.name) + ": cannot open entry (" + zip_strerror(archive_) + ")");
    }
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        throw std::bad_alloc();
    }
    std::unique_ptr<z_stream, decltype(&inflateEnd)> guard(&z, &inflateEnd);
    constexpr std::size_t kCompressedStep = 1 << 16;
    const auto input = std::make_unique_for_overwrite<Bytef[]>(kCompressedStep);
    std::uint64_t left = entry.compressedSize;  // compressed bytes not yet read
    std::uint64_t inflated = 0;
    std::uint32_t crc = 0;
    bool ended = false;
    while (!ended) {
        const auto [buffer, capacity] = sink.buffer();
        if (capacity == 0) {
            return;
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = static_cast<uInt>(std::min<std::size_t>(capacity, 1u << 30));
        while (z.avail_out > 0 && !ended) {
            if (z.avail_in == 0) {
                if (left == 0) {
                    throw Error(ZipError::CorruptZip, where(entry.name) + ": truncated entry");
                }
                const zip_int64_t n = zip_fread(handle.get(), input.get(),
                                                std::min<std::uint64_t>(left, kCompressedStep));
                if (n <= 0) {
                    throw Error(ZipError::CorruptZip,
                                where(entry.name) +
                                    (n < 0 ? ": corrupt entry (" +
                                                 std::string(zip_file_strerror(handle.get())) + ")"
                                           : std::string(": truncated entry")));
                }
                left -= static_cast<std::uint64_t>(n);
                z.next_in = input.get();
                z.avail_in = static_cast<uInt>(n);
            }
            const int result = ::inflate(&z, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                ended = true;
            } else if (result == Z_MEM_ERROR) {
                throw std::bad_alloc();
            } else if (result != Z_OK) {
                throw Error(ZipError::CorruptZip,
                            where(entry.name) + ": corrupt entry (invalid deflate data)");
            }
        }
        const std::size_t n = reinterpret_cast<char*>(z.next_out) - buffer;
        inflated += n;
        if (inflated > entry.size) {
            throw Error(
                ZipError::ZipBomb,
                where(entry.name) + ": inflates past its declared size (possible zip bomb)");
        }
        crc = libdeflate_crc32(crc, buffer, n);
        if (ended) {
            if (inflated != entry.size) {
                throw Error(ZipError::CorruptZip, where(entry.name) + ": truncated entry");
            }
            if (crc != entry.crc) {
                throw Error(ZipError::CorruptZip,
                            where(entry.name) + ": corrupt entry (CRC error)");
            }
            entry.intact = true;
        }
        if (n > 0 && !sink.filled(n)) {
            return;
        }
    }
}

void ZipReader::inflateWhole(const ZipEntry& entry, char* room) const {
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> handle(
        zip_fopen_index(archive_, entry.index, ZIP_FL_COMPRESSED), &zip_fclose);
    if (!handle) {
        throw Error(ZipError::CorruptZip,
                    where(entry.name) + ": cannot open entry (" + zip_strerror(archive_) + ")");
    }
    const auto compressedSize = static_cast<std::size_t>(entry.compressedSize);
    const auto compressed = std::make_unique_for_overwrite<char[]>(compressedSize);
    char* const deflated = compressed.get();
    const zip_int64_t read = zip_fread(handle.get(), deflated, compressedSize);
    if (read < 0 || static_cast<std::uint64_t>(read) != entry.compressedSize) {
        throw Error(ZipError::CorruptZip, where(entry.name) + ": truncated entry");
    }
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> decompressor(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!decompressor) {
        throw std::bad_alloc();
    }
    // Room for exactly the declared size: more is refused by the decompressor itself.
    const auto size = static_cast<std::size_t>(entry.size);
    std::size_t produced = 0;
    const auto result = libdeflate_deflate_decompress_ex(
        decompressor.get(), deflated, compressedSize, room, size, nullptr, &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE) {
        throw Error(ZipError::ZipBomb,
                    where(entry.name) + ": inflates past its declared size (possible zip bomb)");
    }
    if (result != LIBDEFLATE_SUCCESS) {
        throw Error(ZipError::CorruptZip,
                    where(entry.name) + ": corrupt entry (invalid deflate data)");
    }
    if (produced != size) {
        throw Error(ZipError::CorruptZip, where(entry.name) + ": truncated entry");
    }
    if (libdeflate_crc32(0, room, size) != entry.crc) {
        throw Error(ZipError::CorruptZip, where(entry.name) + ": corrupt entry (CRC error)");
    }
    entry.intact = true;
}

void ZipReader::checkIntact(std::string_view part) const {
    const ZipEntry* entry = find(part);
    if (entry == nullptr) {
        throw Error(ZipError::MissingPart, where(part) + ": part missing");
    }
    if (!entry->intact) {
        stream(part, [](const char*, std::size_t) { return true; });
    }
}

void ZipReader::stream(std::string_view part,
                       const std::function<bool(const char*, std::size_t)>& sink,
                       Extent extent) const {
    const ZipEntry* entry = find(part);
    if (entry == nullptr) {
        throw Error(ZipError::MissingPart, where(part) + ": part missing");
    }
    // A long read gives a pulse now and then, on the reading thread.
    std::uint64_t sincePulse = 0;
    const auto deliver = [&](const char* bytes, std::size_t n) {
        sincePulse += n;
        if (sincePulse >= kPulseEvery) {
            sincePulse = 0;
            EventHook::letEventsThrough();
        }
        return sink(bytes, n);
    };
    if (entry->size < kInflateAheadFrom && entry->deflated && plausibleCompressedSize(*entry) &&
        (extent == Extent::Whole || entry->size <= (1u << 16))) {
        // Small enough to hold: libdeflate inflates it whole, about twice as fast as zlib in
        // steps, and the reader still gets it in steps.
        const auto size = static_cast<std::size_t>(entry->size);
        const auto room = std::make_unique_for_overwrite<char[]>(size);
        inflateWhole(*entry, room.get());
        constexpr std::size_t kStep = 1 << 16;
        for (std::size_t at = 0; at < size; at += kStep) {
            if (!deliver(room.get() + at, std::min(kStep, size - at))) {
                return;
            }
        }
        return;
    }
    if (entry->size < kInflateAheadFrom) {
        std::array<char, 1 << 16> buffer;
        inflate(*entry, {[&] {
                             return std::pair{buffer.data(), buffer.size()};
                         },
                         [&](std::size_t n) { return deliver(buffer.data(), n); }});
        return;
    }
    // The archive is used by the inflating thread alone until it is joined.
    ChunkQueue queue;
    std::thread inflating([&] {
        std::string chunk;
        std::exception_ptr failure;
        try {
            inflate(*entry, {[&] {
                                 auto empty = queue.emptyChunk();
                                 if (!empty) {
                                     return std::pair<char*, std::size_t>{nullptr, 0};
                                 }
                                 chunk = std::move(*empty);
                                 chunk.resize(kAheadChunk);
                                 return std::pair{chunk.data(), chunk.size()};
                             },
                             [&](std::size_t n) {
                                 chunk.resize(n);
                                 queue.push(std::move(chunk));
                                 return true;
                             }});
        } catch (...) {
            failure = std::current_exception();
        }
        queue.close(failure);
    });
    struct Join {
        ChunkQueue& queue;
        std::thread& thread;
        ~Join() {
            queue.cancel();
            thread.join();
        }
    } join{queue, inflating};
    while (auto chunk = queue.next()) {
        if (!deliver(chunk->data(), chunk->size())) {
            return;
        }
        queue.recycle(std::move(*chunk));
    }
}

std::string ZipReader::read(std::string_view part) const {
    const ZipEntry* entry = find(part);
    if (entry == nullptr) {
        throw Error(ZipError::MissingPart, where(part) + ": part missing");
    }
    if (entry->size > limits_.maxDomPartSize) {
        throw Error(ZipError::ZipBomb, where(part) + ": part too large to load");
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
