#include "host/zip/DeflateStream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#if !defined(_WIN32)
#include <stdlib.h>
#include <unistd.h>
#endif

#include "core/Error.h"
#include "host/zip/ZipErrors.h"

namespace pv::host {

namespace {

// zlib's usual level: libdeflate's level 6 is as small or smaller at no greater cost.
constexpr int kLevel = 6;
// Cell markup, whatever its length (see PartContent).
constexpr int kMarkupLevel = 5;

[[noreturn]] void outOfMemory() {
    throw Error(ZipError::CannotWriteOutput, "cannot deflate a part: out of memory");
}

// libdeflate's CRC-32 (the zip one) runs several times faster than zlib's.
std::uint32_t crcOf(std::string_view bytes) {
    return libdeflate_crc32(0, bytes.data(), bytes.size());
}

// Room a thread reuses from one chunk to the next: allocating it anew each time costs a page
// fault per page, as much as a tenth of the deflate itself.
class Scratch {
  public:
    char* room(std::size_t size) {
        if (size > capacity_) {
            buffer_ = std::make_unique_for_overwrite<char[]>(size);
            capacity_ = size;
        }
        return buffer_.get();
    }

  private:
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
};

// The calling thread's compressor for `level`, kept for its next part (its tables are over a
// megabyte).
libdeflate_compressor* threadCompressor(int level) {
    struct Free {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    thread_local std::array<std::unique_ptr<libdeflate_compressor, Free>, 13> byLevel;  // 0-12
    auto& compressor = byLevel.at(static_cast<std::size_t>(level));
    if (!compressor) {
        compressor.reset(libdeflate_alloc_compressor(level));
        if (!compressor) {
            outOfMemory();
        }
    }
    return compressor.get();
}

std::string deflateWhole(std::string_view input, int level) {
    if (input.empty()) {
        return std::string("\x03\x00", 2);  // one final block holding only its end
    }
    libdeflate_compressor* compressor = threadCompressor(level);
    thread_local Scratch scratch;
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor, input.size());
    char* room = scratch.room(bound);
    const std::size_t size =
        libdeflate_deflate_compress(compressor, input.data(), input.size(), room, bound);
    if (size == 0) {
        outOfMemory();  // the bound is always enough
    }
    return std::string(room, size);
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
    thread_local Scratch room;
    const std::size_t roomSize = input.size() + 1;
    char* const inflated = room.room(roomSize);
    const auto* begin = reinterpret_cast<const Bytef*>(stream.data());
    z.next_in = const_cast<Bytef*>(begin);
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(inflated);
    z.avail_out = static_cast<uInt>(roomSize);
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
    const auto produced = roomSize - z.avail_out;
    if (produced != input.size() || std::memcmp(inflated, input.data(), produced) != 0) {
        return std::nullopt;
    }
    return end;
}

// One chunk as a piece of a longer deflate stream. libdeflate compresses it alone (no primed
// dictionary: over a whole chunk that costs less than libdeflate saves on zlib); unless it is
// the last, its final block is made an ordinary one and an empty stored block (zlib's sync
// flush) ends it on a byte boundary, so the next chunk's stream simply follows.
std::string deflateChunk(std::string_view input, bool last, int level) {
    std::string out = deflateWhole(input, level);
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

// Workers: one a core. Chunks in flight (handed over, not yet joined): one more, so that the
// writer fills the next while every worker deflates; the memory held stays a few chunks.
std::size_t workerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// Where a long part's deflated bytes wait: the folder TMPDIR names, as for every other
// temporary file of a run (std::tmpfile would ignore it).
std::filesystem::path temporaryFolder() {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : folder;
}

// A file in it that has no name, so that it goes however the process ends.
std::shared_ptr<std::FILE> unnamedTemporaryFile() {
#if defined(_WIN32)
    return std::shared_ptr<std::FILE>(std::tmpfile(), &std::fclose);
#else
    std::string name = (temporaryFolder() / "pellavine-part-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return nullptr;
    }
    ::unlink(name.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<std::FILE>(file, &std::fclose);
#endif
}

}  // namespace

namespace {

// A chunk handed over to be deflated.
struct ChunkJob {
    std::string input;
    bool last = false;
    int level = kLevel;
    std::string output;
    std::uint32_t crc = 0;
    enum class State { Waiting, Running, Done } state = State::Waiting;
    std::exception_ptr failure;
};

// The process's deflating threads, one a core, started on first use and shared by every stream
// of every thread: a thread's compressor and buffers (a few megabytes, each page faulted in on
// first use) then serve chunk after chunk, part after part.
class DeflatePool {
  public:
    static DeflatePool& shared() {
        static DeflatePool pool(workerCount());
        return pool;
    }

    ~DeflatePool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        work_.notify_all();
        for (auto& thread : threads_) {
            thread.join();
        }
    }
    DeflatePool(const DeflatePool&) = delete;
    DeflatePool& operator=(const DeflatePool&) = delete;

    std::size_t size() const { return threads_.size(); }

    void submit(ChunkJob* job) {
        {
            std::lock_guard lock(mutex_);
            waiting_.push_back(job);
        }
        work_.notify_one();
    }
    void waitFor(const ChunkJob& job) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return job.state == ChunkJob::State::Done; });
    }
    // Takes back those of `jobs` not started and waits for the others to finish.
    template <typename Jobs>
    void withdraw(const Jobs& jobs) {
        std::unique_lock lock(mutex_);
        for (const auto& job : jobs) {
            if (job->state == ChunkJob::State::Waiting) {
                std::erase(waiting_, job.get());
                job->state = ChunkJob::State::Done;
            }
        }
        done_.wait(lock, [&] {
            return std::none_of(jobs.begin(), jobs.end(), [](const auto& job) {
                return job->state == ChunkJob::State::Running;
            });
        });
    }

  private:
    explicit DeflatePool(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            threads_.emplace_back([this] { work(); });
        }
    }

    void work() {
        for (;;) {
            ChunkJob* job = nullptr;
            {
                std::unique_lock lock(mutex_);
                work_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
                if (waiting_.empty()) {
                    return;
                }
                job = waiting_.front();
                waiting_.pop_front();
                job->state = ChunkJob::State::Running;
            }
            try {
                job->output = deflateChunk(job->input, job->last, job->level);
                job->crc = crcOf(job->input);
            } catch (...) {
                job->failure = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                job->state = ChunkJob::State::Done;
            }
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<ChunkJob*> waiting_;  // owned by the streams that handed them over
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

// One stream's chunks on the shared pool, handed back in the order they came.
class DeflateStream::Workers {
  public:
    using Job = ChunkJob;

    Workers() : pool_(DeflatePool::shared()) {}
    ~Workers() { pool_.withdraw(jobs_); }  // a chunk being deflated finishes; the rest go
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    std::size_t inFlight() const { return jobs_.size(); }
    std::size_t count() const { return pool_.size(); }

    void submit(std::string input, bool last, int level) {
        auto job = std::make_unique<Job>();
        job->input = std::move(input);
        job->last = last;
        job->level = level;
        jobs_.push_back(std::move(job));
        pool_.submit(jobs_.back().get());
    }
    // The oldest chunk, once deflated; throws what deflating it threw.
    std::unique_ptr<Job> next() {
        pool_.waitFor(*jobs_.front());
        std::unique_ptr<Job> job = std::move(jobs_.front());
        jobs_.pop_front();
        if (job->failure) {
            std::rethrow_exception(job->failure);
        }
        return job;
    }

  private:
    DeflatePool& pool_;
    std::deque<std::unique_ptr<Job>> jobs_;  // in the order handed over
};

DeflateStream::DeflateStream(std::string where, PartContent content, std::size_t memoryBudget)
    : where_(std::move(where)),
      chunkLevel_(content == PartContent::CellMarkup ? kMarkupLevel : kLevel),
      memoryBudget_(memoryBudget) {}
DeflateStream::~DeflateStream() = default;

void DeflateStream::write(std::string_view bytes) {
    // A full chunk waits for the next byte: a part of exactly one chunk is deflated whole.
    while (!bytes.empty()) {
        if (chunk_.size() == kChunk) {
            launch(false);
        }
        const std::size_t take = std::min(bytes.size(), kChunk - chunk_.size());
        chunk_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
    }
}

void DeflateStream::launch(bool last) {
    chunked_ = true;
    if (!workers_) {
        workers_ = std::make_unique<Workers>();
    }
    while (workers_->inFlight() > workers_->count()) {
        collect();
    }
    std::string input;
    input.swap(chunk_);
    workers_->submit(std::move(input), last, chunkLevel_);
    if (!last) {
        if (!spare_.empty()) {
            chunk_ = std::move(spare_.back());
            spare_.pop_back();
        } else {
            chunk_.reserve(kChunk);
        }
    }
}

void DeflateStream::collect() {
    auto job = workers_->next();
    if (out_.spill || out_.bytes.size() + job->output.size() > memoryBudget_) {
        spill(job->output);
    } else {
        // Past a chunk's worth the part is a long one: room for the whole budget at once, so
        // that it is not copied again while it grows.
        if (out_.bytes.size() >= kChunk && out_.bytes.capacity() < memoryBudget_) {
            out_.bytes.reserve(memoryBudget_);
        }
        out_.bytes.append(job->output);
    }
    out_.crc = static_cast<std::uint32_t>(
        crc32_combine(out_.crc, job->crc, static_cast<z_off_t>(job->input.size())));
    out_.size += job->input.size();
    job->input.clear();
    spare_.push_back(std::move(job->input));
}

void DeflateStream::spill(std::string_view bytes) {
    if (!out_.spill) {
        out_.spill = unnamedTemporaryFile();
        if (!out_.spill) {
            throw spillFailed("no temporary file can be made for");
        }
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), out_.spill.get()) != bytes.size()) {
        throw spillFailed("the temporary file cannot be written (disk full?) with");
    }
    out_.spilled += bytes.size();
}

Error DeflateStream::spillFailed(const std::string& what) const {
    return Error(ZipError::CannotWriteOutput,
                 (where_.empty() ? std::string("a part") : where_) + ": " + what +
                     " its deflated bytes past " + std::to_string(memoryBudget_ >> 20) +
                     " MB, in the temporary folder " + temporaryFolder().string());
}

DeflatedPart DeflateStream::finish() {
    if (!chunked_) {
        out_.bytes = deflateWhole(chunk_, chunkLevel_);
        out_.crc = crcOf(chunk_);
        out_.size = chunk_.size();
    } else {
        launch(true);
        while (workers_->inFlight() > 0) {
            collect();
        }
    }
    if (out_.spill && std::fflush(out_.spill.get()) != 0) {
        throw spillFailed("the temporary file cannot be written (disk full?) with");
    }
    DeflatedPart done = std::move(out_);
    reset();
    return done;
}

void DeflateStream::reset() {
    workers_.reset();
    spare_.clear();
    chunk_.clear();
    out_ = DeflatedPart{};
    chunked_ = false;
}

DeflatedPart deflatePart(std::string_view bytes, PartContent content) {
    DeflateStream stream({}, content);
    stream.write(bytes);
    return stream.finish();
}

}  // namespace pv::host
