#include "host/zip/DeflateStream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "core/Error.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {

// zlib's usual level: libdeflate's level 6 is as small or smaller at no greater cost.
constexpr int kLevel = 6;

[[noreturn]] void outOfMemory() {
    throw Error(ZipError::CannotWriteOutput, "cannot deflate a part: out of memory");
}

// libdeflate's CRC-32 (the zip one) runs several times faster than zlib's.
std::uint32_t crcOf(std::string_view bytes) {
    return libdeflate_crc32(0, bytes.data(), bytes.size());
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

// The end of a deflate stream found by walking its blocks: where the final block's header is
// and how many bits of the last byte are left over after its end.
struct StreamEnd {
    std::size_t lastHeaderByte = 0;
    unsigned lastHeaderBit = 0;
    std::size_t bytes = 0;    // bytes holding the stream
    unsigned unusedBits = 0;  // high bits of the last of them that follow the final block
};

// Inflates `stream` block by block (zlib stops at each block boundary when asked), checking
// that it gives back `input`; nullopt when it does not.
std::optional<StreamEnd> walkBlocks(std::string_view stream, std::string_view input) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        outOfMemory();
    }
    std::unique_ptr<z_stream, decltype(&inflateEnd)> guard(&z, &inflateEnd);
    std::string scratch(input.size() + 1, '\0');
    const auto* begin = reinterpret_cast<const Bytef*>(stream.data());
    z.next_in = const_cast<Bytef*>(begin);
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(scratch.data());
    z.avail_out = static_cast<uInt>(scratch.size());
    StreamEnd end;
    for (;;) {
        const uInt before = z.avail_in + z.avail_out;
        const int result = inflate(&z, Z_BLOCK);
        if ((result != Z_OK && result != Z_STREAM_END) || z.avail_in + z.avail_out == before) {
            return std::nullopt;
        }
        if ((z.data_type & 128) == 0) {
            continue;  // the output ran out, or the input: neither happens on a good stream
        }
        const auto used = static_cast<std::size_t>(z.next_in - begin);
        const auto unused = static_cast<unsigned>(z.data_type & 7);
        if ((z.data_type & 64) != 0) {  // the block just ended was the final one
            end.bytes = used;
            end.unusedBits = unused;
            break;
        }
        // The next block's header starts at the first unused bit.
        end.lastHeaderByte = unused == 0 ? used : used - 1;
        end.lastHeaderBit = unused == 0 ? 0 : 8 - unused;
    }
    const auto produced = scratch.size() - z.avail_out;
    if (produced != input.size() || std::memcmp(scratch.data(), input.data(), produced) != 0) {
        return std::nullopt;
    }
    return end;
}

// One chunk as a piece of a longer deflate stream. libdeflate compresses it alone (no primed
// dictionary: over a whole chunk that costs less than libdeflate saves on zlib); unless it is
// the last, its final block is made an ordinary one and an empty stored block (zlib's sync
// flush) ends it on a byte boundary, so the next chunk's stream simply follows.
std::string deflateChunk(std::string_view input, bool last) {
    std::string out = deflateWhole(input);
    if (last) {
        return out;
    }
    const auto end = walkBlocks(out, input);
    if (!end || end->bytes != out.size()) {
        throw Error(ZipError::CannotWriteOutput, "cannot deflate a part: the compressor failed");
    }
    out[end->lastHeaderByte] = static_cast<char>(
        static_cast<unsigned char>(out[end->lastHeaderByte]) & ~(1u << end->lastHeaderBit));
    if (end->unusedBits < 3) {
        out.push_back('\0');  // the empty block's three header bits do not fit in the last byte
    }
    out.append("\0\0\xff\xff", 4);
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
    while (pending_.size() >= maxPending()) {
        collect();
    }
    pending_.push_back(std::async(std::launch::async, [input = std::move(input), last] {
        return Piece{deflateChunk(input, last), crcOf(input), input.size()};
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
    out_ = DeflatedPart{};
    chunked_ = false;
}

DeflatedPart deflatePart(std::string_view bytes) {
    DeflateStream stream;
    stream.write(bytes);
    return stream.finish();
}

}  // namespace pv::host
