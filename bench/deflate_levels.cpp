// What deflate costs at each level on a workload's own parts: size and speed for zlib's level 6
// (what zip -6 makes) and for libdeflate's levels 4 to 6 (sizes as a share of zlib's), each the
// fastest of three runs on one core, speeds in MB of input a second. The engine's choice of
// level trades exactly these.
// Usage: pv-deflate-levels FILE...   (inflated parts, e.g. a sheet unzipped from a workbook)
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

template <typename F>
double shortestOfThree(F&& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::size_t zlibDeflate(const std::string& in, std::vector<unsigned char>& out) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return 0;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    const std::size_t size = result == Z_STREAM_END ? z.total_out : 0;
    deflateEnd(&z);
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: pv-deflate-levels FILE...\n");
        return 2;
    }
    std::printf("%-36s %8s  %-18s  %-24s  %-24s  %-24s\n", "part", "MB", "zlib 6: KB, MB/s",
                "libdeflate 4: size, MB/s", "libdeflate 5: size, MB/s", "libdeflate 6: size, MB/s");
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        const std::string in((std::istreambuf_iterator<char>(file)), {});
        if (!file.eof() && !file) {
            std::fprintf(stderr, "pv-deflate-levels: cannot read %s\n", argv[i]);
            return 1;
        }
        std::vector<unsigned char> out(compressBound(static_cast<uLong>(in.size())));
        std::size_t zlibSize = 0;
        const double zlibSeconds = shortestOfThree([&] { zlibSize = zlibDeflate(in, out); });
        if (zlibSize == 0) {
            std::fprintf(stderr, "pv-deflate-levels: zlib failed on %s\n", argv[i]);
            return 1;
        }
        const double megabytes = in.size() / 1e6;
        std::printf("%-36s %8.2f  %8.1f, %8.0f", argv[i], megabytes, zlibSize / 1e3,
                    megabytes / zlibSeconds);
        for (int level = 4; level <= 6; ++level) {
            const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>
                compressor(libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
            if (!compressor) {
                std::fprintf(stderr, "pv-deflate-levels: no compressor for level %d\n", level);
                return 1;
            }
            std::size_t size = 0;
            const double seconds = shortestOfThree([&] {
                size = libdeflate_deflate_compress(compressor.get(), in.data(), in.size(),
                                                   out.data(), out.size());
            });
            std::printf("  %6.3f of zlib, %8.0f     ", static_cast<double>(size) / zlibSize,
                        megabytes / seconds);
        }
        std::printf("\n");
    }
    return 0;
}
