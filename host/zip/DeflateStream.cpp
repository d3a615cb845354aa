#include "host/zip/DeflateStream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "core/Error.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {

// zlib's usual level: libdeflate's level 6 is as small or smaller at no greater cost.
constexpr int kLevel = 6;
constexpr std::size_t kWindow = 32 * 1024;

[[noreturn]] void outOfMemory() {
    throw Error(ZipError::CannotWriteOutput, "cannot deflate a part: out of memory");
}

std::uint32_t crcOf(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string deflateWhole(std::string_view input) {
    if (input.empty()) {
        return std::string("\x03\x00", 2);  // one final block holding only its end
    }
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kLevel), &libdeflate_free_compressor);
    if (!compressor) {
        outOfMemory();
    }
    std::string out(libdeflate_deflate_compress_bound(compressor.get(), input.size()), '\0');
    const std::size_t size = libdeflate_deflate_compress(compressor.get(), input.data(),
                                                         input.size(), out.data(), out.size());
    if (size == 0) {
        outOfMemory();  // the bound is always enough
    }
    out.resize(size);
    return out;
}

// One chunk as a piece of a longer deflate stream: primed with `dictionary`, ended byte-aligned
// (sync flush) unless it is the last.
std::string deflateChunk(std::string_view input, std::string_view dictionary, bool last) {
    z_stream z{};
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        outOfMemory();
    }
    std::unique_ptr<z_stream, decltype(&deflateEnd)> guard(&z, &deflateEnd);
    if (!dictionary.empty()) {
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size()));
    }
    // Room for the sync flush's empty block beyond the bound.
    std::string out(deflateBound(&z, static_cast<uLong>(input.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((last && result != Z_STREAM_END) || (!last && result != Z_OK) || z.avail_in != 0) {
        outOfMemory();
    }
    out.resize(z.total_out);
    return out;
}

// Chunks deflated ahead of the writer: enough to keep every core busy, few enough to bound
// the memory held.
std::size_t maxPending() {
    return std::max(2u, std::thread::hardware_concurrency());
}

}  // namespace

DeflateStream::~DeflateStream() {
    for (auto& piece : pending_) {
        if (piece.valid()) {
            piece.wait();
        }
    }
}

void DeflateStream::write(std::string_view bytes) {
    // A full chunk waits for the next byte: a part of exactly one chunk is deflated whole.
    while (!bytes.empty()) {
        if (chunk_.size() == kChunk) {
            std::string full;
            full.swap(chunk_);
            launch(std::move(full), false);
        }
        const std::size_t take = std::min(bytes.size(), kChunk - chunk_.size());
        chunk_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
    }
}

void DeflateStream::launch(std::string input, bool last) {
    chunked_ = true;
    std::string dictionary = window_;
    window_.assign(input, input.size() - std::min(input.size(), kWindow), std::string::npos);
    while (pending_.size() >= maxPending()) {
        collect();
    }
    pending_.push_back(std::async(
        std::launch::async, [input = std::move(input), dictionary = std::move(dictionary), last] {
            return Piece{deflateChunk(input, dictionary, last), crcOf(input), input.size()};
        }));
}

void DeflateStream::collect() {
    Piece piece = pending_.front().get();
    pending_.pop_front();
    out_.bytes.append(piece.bytes);
    out_.crc = static_cast<std::uint32_t>(
        crc32_combine(out_.crc, piece.crc, static_cast<z_off_t>(piece.size)));
    out_.size += piece.size;
}

DeflatedPart DeflateStream::finish() {
    if (!chunked_) {
        out_ = DeflatedPart{deflateWhole(chunk_), crcOf(chunk_), chunk_.size()};
    } else {
        std::string rest;
        rest.swap(chunk_);
        launch(std::move(rest), true);
        while (!pending_.empty()) {
            collect();
        }
    }
    DeflatedPart done = std::move(out_);
    reset();
    return done;
}

void DeflateStream::reset() {
    while (!pending_.empty()) {
        pending_.front().wait();
        pending_.pop_front();
    }
    chunk_.clear();
    window_.clear();
    out_ = DeflatedPart{};
    chunked_ = false;
}

DeflatedPart deflatePart(std::string_view bytes) {
    DeflateStream stream;
    stream.write(bytes);
    return stream.finish();
}

}  // namespace pv::host
