#pragma once
// Paths the tests need and a temporary folder that cleans up after itself.
#include <filesystem>
#include <string>

namespace pv::test {

namespace fs = std::filesystem;

fs::path sourceDir();  // the repository
fs::path binDir();     // build/bin: executables, Samples/
std::string python();  // the interpreter with openpyxl

// A fresh, empty folder removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const fs::path& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Runs a command through the shell; its exit status, with stdout and stderr in `output`.
int runCommand(const std::string& command, std::string* output = nullptr);

// Quotes a text for the shell.
std::string shellQuote(const std::string& text);

}  // namespace pv::test
