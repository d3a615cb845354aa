#include "host/zip/ZipWriter.h"

#include <zip.h>

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

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::size_t limit = fileNameLimit(folder);
    const std::string lent = cutToBytes(
        target.filename().string(), limit > kTemporaryNameRoom ? limit - kTemporaryNameRoom : 0);
    return folder / ("." + lent + "." + std::to_string(random()) + ".tmp");
}

// Deflate levels for parts we write ourselves: the usual one for small parts (the library's
// default, the maximum, costs several times as much for a few bytes less), and the fastest for
// big ones, since big sheets dominate the run time.
constexpr zip_uint32_t kSmallPartLevel = 6;
constexpr zip_uint32_t kLargePartLevel = 1;
constexpr std::size_t kLargePart = 1 << 20;

}  // namespace

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

void ZipWriter::add(const std::string& part, std::string data) {
    buffers_.push_back(std::move(data));
    const std::string& bytes = buffers_.back();
    zip_source_t* source = zip_source_buffer(archive_, bytes.data(), bytes.size(), 0);
    if (source == nullptr) {
        fail("cannot add " + part);
    }
    const zip_int64_t index = zip_file_add(archive_, part.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail("cannot add " + part);
    }
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                             bytes.size() >= kLargePart ? kLargePartLevel : kSmallPartLevel);
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
