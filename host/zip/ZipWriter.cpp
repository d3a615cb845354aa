#include "host/zip/ZipWriter.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

#include "core/Error.h"
#include "host/zip/FileNameLimit.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

// The temporary file's name: ".", the output's name, "." and a random number, ".tmp". libzip
// writes the finished archive beside it under that name + ".XXXXXX" before the rename; an output
// whose name is near the file system's limit lends the temporary only its start, so that both
// fit.
constexpr std::size_t kTemporaryNameRoom = 1 + 1 + 20 + 4 + 7;

// Hands libzip an entry deflated already: its stat names the method, sizes and CRC, so libzip
// copies the bytes as they are, as it does an entry of another archive.
struct DeflatedSource {
    const DeflatedPart* part;
    std::size_t at = 0;
    zip_error_t error{};
};

zip_int64_t readDeflated(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* source = static_cast<DeflatedSource*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            source->at = 0;
            if (source->part->spill && std::fseek(source->part->spill.get(), 0, SEEK_SET) != 0) {
                zip_error_set(&source->error, ZIP_ER_SEEK, errno);
                return -1;
            }
            return 0;
        case ZIP_SOURCE_READ: {
            const std::string& bytes = source->part->bytes;
            if (source->at < bytes.size()) {
                const std::size_t n = std::min<std::size_t>(length, bytes.size() - source->at);
                std::memcpy(data, bytes.data() + source->at, n);
                source->at += n;
                return static_cast<zip_int64_t>(n);
            }
            if (!source->part->spill) {
                return 0;
            }
            // The rest from the temporary file, which holds exactly the bytes past the memory.
            const std::size_t n = std::fread(data, 1, length, source->part->spill.get());
            if (n == 0 && std::ferror(source->part->spill.get()) != 0) {
                zip_error_set(&source->error, ZIP_ER_READ, errno);
                return -1;
            }
            source->at += n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                        ZIP_STAT_ENCRYPTION_METHOD;
            st->size = source->part->size;
            st->comp_size = source->part->compressedSize();
            st->comp_method = ZIP_CM_DEFLATE;
            st->crc = source->part->crc;
            st->encryption_method = ZIP_EM_NONE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_FREE:
            delete source;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::size_t limit = fileNameLimit(folder);
    const std::string lent = cutToBytes(
        target.filename().string(), limit > kTemporaryNameRoom ? limit - kTemporaryNameRoom : 0);
    return folder / ("." + lent + "." + std::to_string(random()) + ".tmp");
}

ZipWriter::ZipWriter(std::filesystem::path target) : target_(std::move(target)) {
    temporary_ = temporaryBeside(target_);
    registered_.emplace(temporary_.string());
    int code = 0;
    archive_ = zip_open(temporary_.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (archive_ == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw Error(ZipError::CannotWriteOutput,
                    target_.string() + ": cannot create the output (" + text + ")");
    }
}

ZipWriter::~ZipWriter() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
}

void ZipWriter::fail(const std::string& what) {
    throw Error(ZipError::CannotWriteOutput,
                target_.string() + ": " + what + " (" + zip_strerror(archive_) + ")");
}

void ZipWriter::copyRaw(const ZipReader& source, const std::string& part, const std::string& name) {
    const ZipEntry* entry = source.find(part);
    if (entry == nullptr) {
        throw Error(ZipError::MissingPart, source.where(part) + ": part missing");
    }
    // The bytes go out unread: a corrupt entry would make every output corrupt.
    source.checkIntact(part);
    zip_source_t* data = zip_source_zip(archive_, source.archive(), entry->index, 0, 0, -1);
    if (data == nullptr) {
        fail("cannot copy " + part);
    }
    const std::string& stored = name.empty() ? entry->name : name;
    if (zip_file_add(archive_, stored.c_str(), data, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(data);
        fail("cannot copy " + part);
    }
}

void ZipWriter::add(const std::string& part, std::string_view data) {
    addDeflated(part, deflatePart(data));
}

void ZipWriter::addDeflated(const std::string& part, DeflatedPart data) {
    buffers_.push_back(std::move(data));
    auto* state = new DeflatedSource{&buffers_.back()};
    zip_source_t* source = zip_source_function(archive_, readDeflated, state);
    if (source == nullptr) {
        delete state;
        fail("cannot add " + part);
    }
    const zip_int64_t index = zip_file_add(archive_, part.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail("cannot add " + part);
    }
    // The date the application itself gives every entry, rather than the time of the save, so
    // that an output's bytes depend only on its source.
    std::tm epoch{};
    epoch.tm_year = 80;
    epoch.tm_mday = 1;
    epoch.tm_isdst = -1;
    zip_file_set_mtime(archive_, static_cast<zip_uint64_t>(index), std::mktime(&epoch), 0);
}

void ZipWriter::commit() {
    if (zip_close(archive_) != 0) {
        fail("cannot write the output");
    }
    archive_ = nullptr;
    buffers_.clear();
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        throw Error(
            ZipError::CannotWriteOutput,
            target_.string() + ": cannot move the output into place (" + ec.message() + ")");
    }
}

}  // namespace pv::host
