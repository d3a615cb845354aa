#pragma once
// A CSV file written atomically: UTF-8 without a byte-order mark, fields separated by commas,
// rows ended by a line feed (as LibreOffice writes them here, and as tools that load CSV into
// databases expect by default), a field quoted when it holds a comma, a quote or a line end (its
// quotes doubled, as RFC 4180 says). The file appears under its name only when complete.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TemporaryFiles.h"

namespace pv::host {

// The field as it goes into the file.
std::string csvField(std::string_view text);

class CsvFile {
  public:
    explicit CsvFile(std::filesystem::path target);
    ~CsvFile();  // not committed: nothing is left
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // The row's fields in order; the row ends with the next row or the commit.
    void row(const std::vector<std::string>& fields);
    // Throws pv::Error (ZipError::CannotWriteOutput) naming the target when anything failed.
    void commit();

  private:
    void fail(const std::string& what);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::optional<TemporaryFile> registered_;
    std::ofstream file_;
    std::string buffer_;
};

}  // namespace pv::host
