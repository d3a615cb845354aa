#pragma once
// A new package written atomically: into a temporary file in the target folder, renamed over
// the target only when complete. Entries are either copied compressed from a source package
// (no inflate, no deflate) or deflated from memory (DeflateStream.h), ahead of the commit.
// A writer not committed leaves no file.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>

#include "core/TemporaryFiles.h"
#include "host/zip/DeflateStream.h"

struct zip;

namespace pv::host {

class ZipReader;

// A hidden name beside `target` for the file being written: ".", the output's name (cut to leave
// room), "." and a random number, ".tmp".
std::filesystem::path temporaryBeside(const std::filesystem::path& target);

class ZipWriter {
  public:
    explicit ZipWriter(std::filesystem::path target);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Copies an entry's compressed bytes as they are, under `name` (by default as the source
    // spells it).
    void copyRaw(const ZipReader& source, const std::string& part, const std::string& name = {});
    void add(const std::string& part, std::string_view data);
    // An entry deflated already.
    void addDeflated(const std::string& part, DeflatedPart data);
    // Writes the package and renames it over the target.
    void commit();

  private:
    void fail(const std::string& what);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::optional<TemporaryFile> registered_;  // removed if a signal ends the program meanwhile
    zip* archive_ = nullptr;
    std::deque<DeflatedPart> buffers_;  // libzip reads them at commit
};

}  // namespace pv::host
