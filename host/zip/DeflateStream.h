#pragma once
// Deflates a part as it is written, in memory bounded by a few chunks. A part of one chunk is
// deflated whole by libdeflate; a longer one in chunks of kChunk bytes, each deflated whole by
// libdeflate on a worker thread while the caller writes on (a few chunks in flight at most),
// then made to end in a sync flush (checked by inflating it) so that the pieces join into one
// deflate stream. The chunks are cut at fixed offsets and joined in order, so the bytes never
// depend on how many threads ran or when. Either way the result is no larger than zlib's
// level 6 would make it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"

namespace pv::host {

struct DeflatedPart {
    std::string bytes;  // raw deflate data, or its start when the rest went to `spill`
    std::uint32_t crc = 0;
    std::uint64_t size = 0;  // uncompressed
    // The deflate data past the memory budget, in an unnamed temporary file (gone once closed).
    std::shared_ptr<std::FILE> spill;
    std::uint64_t spilled = 0;

    std::uint64_t compressedSize() const { return bytes.size() + spilled; }
};

class DeflateStream {
  public:
    static constexpr std::size_t kChunk = 1 << 20;
    // Deflated bytes a part keeps in memory; the rest waits for the output in a temporary
    // file, so that a sheet of any length is written in bounded memory.
    static constexpr std::size_t kMemoryBudget = 8u << 20;

    // `where` names the part in errors (ZipReader::where of the part it is written from).
    explicit DeflateStream(std::string where = {}, std::size_t memoryBudget = kMemoryBudget);
    ~DeflateStream();
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    void write(std::string_view bytes);
    // The whole part deflated; the stream is empty again afterwards.
    DeflatedPart finish();
    // Forgets what was written.
    void reset();

  private:
    class Workers;
    void launch(bool last);
    void collect();
    void spill(std::string_view bytes);
    Error spillFailed(const std::string& what) const;

    std::string chunk_;
    std::unique_ptr<Workers> workers_;  // started by the first full chunk
    std::vector<std::string> spare_;    // chunk buffers deflated already, to fill again
    std::string where_;
    std::size_t memoryBudget_;
    DeflatedPart out_;
    bool chunked_ = false;
};

// Deflates a whole buffer as DeflateStream does.
DeflatedPart deflatePart(std::string_view bytes);

}  // namespace pv::host
