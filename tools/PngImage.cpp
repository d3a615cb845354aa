#include "PngImage.h"

#include <array>
#include <fstream>
#include <stdexcept>

namespace pv::tools {

namespace {

std::uint32_t crc32(const std::string& data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(const std::string& data) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBigEndian(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

void putChunk(std::string& out, const char* type, const std::string& payload) {
    putBigEndian(out, static_cast<std::uint32_t>(payload.size()));
    const std::string typed = std::string(type, 4) + payload;
    out += typed;
    putBigEndian(out, crc32(typed));
}

// A zlib stream of stored blocks: no compressor needed, every decoder reads it.
std::string storedZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
        const bool last = pos + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    putBigEndian(out, adler32(raw));
    return out;
}

}  // namespace

PngImage::PngImage(int width, int height, std::uint32_t colourA, std::uint32_t colourB,
                   int square) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // filter type: none
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = ((x / square + y / square) % 2) ? colourB : colourA;
            raw += static_cast<char>((c >> 16) & 0xFF);
            raw += static_cast<char>((c >> 8) & 0xFF);
            raw += static_cast<char>(c & 0xFF);
        }
    }
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace

    bytes_ = "\x89PNG\r\n\x1a\n";
    putChunk(bytes_, "IHDR", header);
    putChunk(bytes_, "IDAT", storedZlib(raw));
    putChunk(bytes_, "IEND", "");
}

const unsigned char* PngImage::data() const {
    return reinterpret_cast<const unsigned char*>(bytes_.data());
}

void PngImage::writeTo(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    if (!out)
        throw std::runtime_error(path.string() + ": cannot write the image");
}

}  // namespace pv::tools
