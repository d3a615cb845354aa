#include "OutputCheck.h"

#include <fstream>

#include "TestEnv.h"

#include "host/zip/EntryNames.h"

#include <algorithm>
#include <cstdlib>

namespace pv::test {

namespace {

// The test executables live in <build>/tests.
fs::path buildDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path().parent_path();
}

// The checkers are the repository's own, beside this file; their schemas are in tests/schemas.
fs::path toolPath(const char* name) {
    return sourceDir() / "tests" / "support" / name;
}

CheckReport run(const std::string& command) {
    CheckReport report;
    report.status = runCommand(command, &report.output);
    return report;
}

}  // namespace

fs::path fixtureDir() {
    if (const char* v = std::getenv("PV_FIXTURE_DIR"); v && *v)
        return v;
    return buildDir() / "fixtures";
}

fs::path sampleDir() {
    return binDir() / "Samples";
}

fs::path corpusDir() {
    return sourceDir() / "tests" / "corpus";
}

std::vector<fs::path> corpusFiles() {
    static const char* const kNotWorkbooks[] = {"licen", "readme", "copying", "notice"};
    std::vector<fs::path> files;
    std::error_code ec;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(corpusDir(), ec)) {
        if (entry.is_directory(ec))
            folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end());
    for (const auto& folder : folders) {
        for (const auto& file : filesIn(folder)) {
            const std::string name = pv::host::lowercase(file.filename().string());
            const bool notWorkbook =
                std::any_of(std::begin(kNotWorkbooks), std::end(kNotWorkbooks),
                            [&](const char* prefix) { return name.starts_with(prefix); });
            if (!notWorkbook)
                files.push_back(file);
        }
    }
    return files;
}

namespace {

bool startsWith(const fs::path& file, const std::string& magic) {
    std::ifstream in(file, std::ios::binary);
    std::string head(magic.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return in && head == magic;
}

}  // namespace

bool isCompoundFile(const fs::path& file) {
    return startsWith(file, "\xD0\xCF\x11\xE0");
}

bool isZipArchive(const fs::path& file) {
    return startsWith(file, std::string("PK\x03\x04", 4));
}

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file(ec))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The checker's report is on stdout; stderr only carries openpyxl's noise at exit (a zip closed
// twice for macro-enabled packages), which would read as differences.
CheckReport runSplitCheck(const fs::path& source, const fs::path& outDir) {
    return run("{ " + shellQuote(python()) + " " + shellQuote(toolPath("check_split.py").string()) +
               " " + shellQuote(source.string()) + " " + shellQuote(outDir.string()) +
               " 2>/dev/null; }");
}

CheckReport runSheetCheck(const fs::path& source, const std::string& sheet,
                          const fs::path& output) {
    return run("{ " + shellQuote(python()) + " " + shellQuote(toolPath("check_split.py").string()) +
               " " + shellQuote(source.string()) + " " + shellQuote(sheet) + " " +
               shellQuote(output.string()) + " 2>/dev/null; }");
}

CheckReport runPackageCheck(const fs::path& source, const std::vector<fs::path>& outputs) {
    std::string command = shellQuote(python()) + " " +
                          shellQuote(toolPath("check_package.py").string()) + " --against " +
                          shellQuote(source.string());
    for (const auto& output : outputs)
        command += " " + shellQuote(output.string());
    return run(command);
}

bool referenceReaderRefused(const CheckReport& report) {
    return report.status == 0 &&
           report.output.find("the reader cannot open the source") != std::string::npos;
}

}  // namespace pv::test
