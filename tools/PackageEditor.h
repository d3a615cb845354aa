#pragma once
// Edits text parts of a written package in place, for what libxlsxwriter cannot express
// (1904 dates, very hidden sheets, template content types).
#include <filesystem>
#include <string>

struct zip;

namespace pv::tools {

class PackageEditor {
  public:
    explicit PackageEditor(const std::filesystem::path& path);
    ~PackageEditor();
    PackageEditor(const PackageEditor&) = delete;
    PackageEditor& operator=(const PackageEditor&) = delete;

    // Replaces the first occurrence of `from` in `entry`; throws when it is not there, so a
    // change in the library's output is noticed rather than silently ignored.
    void replace(const std::string& entry, const std::string& from, const std::string& to);
    void commit();

  private:
    std::string read(const std::string& entry);

    std::filesystem::path path_;
    zip* archive_;
};

}  // namespace pv::tools
