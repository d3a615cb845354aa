#include "OutputCheck.h"

#include <fstream>

#include "TestEnv.h"

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

fs::path toolPath(const char* name) {
    return sharedDir() / "tools" / name;
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
    return sharedDir() / "corpus" / "calamine";
}

bool isCompoundFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string magic(4, '\0');
    in.read(magic.data(), 4);
    return in && magic == "\xD0\xCF\x11\xE0";
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

CheckReport runSplitCheck(const fs::path& source, const fs::path& outDir) {
    // Its report is on stdout; stderr only carries openpyxl's noise at exit (a zip closed twice
    // for macro-enabled packages), which would read as differences.
    return run("{ " + shellQuote(python()) + " " + shellQuote(toolPath("split_check.py").string()) +
               " " + shellQuote(source.string()) + " " + shellQuote(outDir.string()) +
               " 2>/dev/null; }");
}

CheckReport runSheetCheck(const fs::path& source, const std::string& sheet,
                          const fs::path& output) {
    return run("{ " + shellQuote(python()) + " " + shellQuote(toolPath("split_check.py").string()) +
               " " + shellQuote(source.string()) + " " + shellQuote(sheet) + " " +
               shellQuote(output.string()) + " 2>/dev/null; }");
}

CheckReport runPackageCheck(const fs::path& source, const std::vector<fs::path>& outputs) {
    std::string command = shellQuote(python()) + " " +
                          shellQuote(toolPath("ooxml_check.py").string()) + " --quiet --against " +
                          shellQuote(source.string());
    for (const auto& output : outputs)
        command += " " + shellQuote(output.string());
    return run(command);
}

bool referenceReaderRefused(const CheckReport& report) {
    return report.status == 0 &&
           report.output.find("source unreadable by the reference reader") != std::string::npos;
}

}  // namespace pv::test
