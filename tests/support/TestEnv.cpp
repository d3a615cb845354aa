#include "TestEnv.h"

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace pv::test {

namespace {
fs::path fromEnv(const char* name, const fs::path& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? fs::path(v) : fallback;
}
}  // namespace

// The build compiles its own folders in (ctest's per-case environment is not reliable), and the
// environment may still point elsewhere.
fs::path sourceDir() {
    return fromEnv("PV_SOURCE_DIR", PV_TEST_SOURCE_DIR);
}
fs::path binDir() {
    return fromEnv("PV_BIN_DIR", PV_TEST_BIN_DIR);
}
std::string python() {
    return fromEnv("PV_PYTHON", "/usr/bin/python3").string();
}

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        auto candidate = fs::temp_directory_path() / ("pv-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only files or folders; give write access back before removing.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string shellQuote(const std::string& text) {
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buf{};
    std::string text;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
        text.append(buf.data(), n);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pv::test
