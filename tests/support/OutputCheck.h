#pragma once
// Where the test workbooks are, and the two independent checkers that judge split outputs
// (tests/support/check_split.py and check_package.py, on Debian's python3-openpyxl and lxml).
#include <filesystem>
#include <string>
#include <vector>

namespace pv::test {

namespace fs = std::filesystem;

// Both are found without the test environment too, because gtest's test listing runs
// without it and the data-driven cases are named from these folders.
fs::path fixtureDir();  // workbooks written by pv-make-workbooks fixtures
fs::path sampleDir();   // the sample workbooks beside the executables
fs::path corpusDir();   // tests/corpus: real workbooks, one folder (with its licence) per origin

// Every file of every corpus collection, by folder and name, without the licence and readme files
// kept beside them.
std::vector<fs::path> corpusFiles();

// Every regular file directly in `dir`, sorted by name; none when the folder is missing.
std::vector<fs::path> filesIn(const fs::path& dir);
// Starts as a compound file does (D0 CF 11 E0): a legacy .xls workbook, or an encrypted one.
bool isCompoundFile(const fs::path& file);
// Starts as a zip archive's first entry does (PK 03 04).
bool isZipArchive(const fs::path& file);

struct CheckReport {
    int status = -1;     // the checker's exit status
    std::string output;  // what it printed
};

// check_split.py SOURCE OUTDIR: every content sheet of SOURCE is in OUTDIR as
// "<sheet name><source extension>" and equals the source sheet; nothing leaks. One process per
// call, reading SOURCE once however many sheets it has.
CheckReport runSplitCheck(const fs::path& source, const fs::path& outDir);

// check_split.py SOURCE SHEET OUTPUT: one output equals its source sheet; nothing leaks.
CheckReport runSheetCheck(const fs::path& source, const std::string& sheet, const fs::path& output);

// check_package.py --against SOURCE OUTPUT...: the outputs add no structural problem.
CheckReport runPackageCheck(const fs::path& source, const std::vector<fs::path>& outputs);

// True when check_split.py could not read the source, so it judged nothing.
bool referenceReaderRefused(const CheckReport& report);

}  // namespace pv::test
