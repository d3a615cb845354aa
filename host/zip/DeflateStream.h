#pragma once
// Deflates a part as it is written, in memory bounded by a few chunks. A part of one chunk is
// deflated whole by libdeflate; a longer one in chunks of kChunk bytes, each deflated whole by
// libdeflate on a worker thread while the caller writes on (a few chunks in flight at most),
// then made to end in a sync flush (checked by inflating it) so that the pieces join into one
// deflate stream. The chunks are cut at fixed offsets and joined in order, so the bytes never
// depend on how many threads ran or when. Either way the result is about as small as zlib's
// level 6 would make it, or smaller (see PartContent).
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

// What a part holds, which decides how hard its long runs are searched. Cell markup repeats
// itself so much that libdeflate's level 5 deflates it in about 60% of level 6's time: over the
// 45 sheets longer than a chunk in our test workbooks, 1.7% larger than level 6 and 5.9%
// smaller than zlib's level 6 (one sheet, of column styles, 3% larger than zlib's); over their
// 478 sheets of 512 bytes to one chunk, 2.2% larger than level 6 and 3.2% smaller than zlib's.
// Short sheets count too: in a batch of small workbooks, deflating them is a third of the work.
// Text such as a table of unique strings needs level 6 to stay as small.
enum class PartContent { Text, CellMarkup };

class DeflateStream {
  public:
    static constexpr std::size_t kChunk = 1 << 20;
    // Deflated bytes a part keeps in memory; the rest waits for the output in a temporary
    // file, so that a sheet of any length is written in bounded memory.
    static constexpr std::size_t kMemoryBudget = 8u << 20;

    // `where` names the part in errors (ZipReader::where of the part it is written from).
    explicit DeflateStream(std::string where = {}, PartContent content = PartContent::Text,
                           std::size_t memoryBudget = kMemoryBudget);
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
    int chunkLevel_;
    std::size_t memoryBudget_;
    DeflatedPart out_;
    bool chunked_ = false;
};

// Deflates a whole buffer as DeflateStream does.
DeflatedPart deflatePart(std::string_view bytes, PartContent content = PartContent::Text);

}  // namespace pv::host
