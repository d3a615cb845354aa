#include "host/CsvFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "core/Error.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipWriter.h"

namespace pv::host {

namespace {
constexpr std::size_t kFlushAt = 1 << 20;
}  // namespace

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

CsvFile::CsvFile(std::filesystem::path target) : target_(std::move(target)) {
    temporary_ = temporaryBeside(target_);
    registered_.emplace(temporary_.string());
    file_.open(temporary_, std::ios::binary | std::ios::trunc);
    if (!file_) {
        fail(std::strerror(errno));
    }
}

CsvFile::~CsvFile() {
    if (!temporary_.empty()) {
        file_.close();
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

void CsvFile::fail(const std::string& what) {
    throw Error(ZipError::CannotWriteOutput,
                target_.string() + ": cannot write the CSV file (" + what + ")");
}

void CsvFile::row(const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            buffer_ += ',';
        }
        buffer_ += csvField(fields[i]);
    }
    buffer_ += '\n';
    if (buffer_.size() >= kFlushAt) {
        file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
        if (!file_) {
            fail(std::strerror(errno));
        }
    }
}

void CsvFile::commit() {
    file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    file_.close();
    if (!file_) {
        fail(std::strerror(errno));
    }
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        fail(ec.message());
    }
    temporary_.clear();
    registered_.reset();
}

}  // namespace pv::host
