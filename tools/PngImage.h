#pragma once
// Small PNG pictures made in code (stored, uncompressed deflate), so samples and fixtures carry
// real images without binary files in the repository.
#include <cstdint>
#include <filesystem>
#include <string>

namespace pv::tools {

class PngImage {
  public:
    // A width x height checkerboard of two RGB colours (0xRRGGBB) in squares of `square` pixels.
    PngImage(int width, int height, std::uint32_t colourA, std::uint32_t colourB, int square = 4);

    const std::string& bytes() const { return bytes_; }
    const unsigned char* data() const;
    std::size_t size() const { return bytes_.size(); }
    void writeTo(const std::filesystem::path& path) const;

  private:
    std::string bytes_;
};

}  // namespace pv::tools
