// Every real workbook of the shared corpus, every fixture and sample through the engine, judged by
// the two independent checkers: each content sheet saved as "<sheet name><source extension>" must
// equal its source sheet, leak nothing of the other sheets and add no package problem. Files
// the engine cannot split (legacy formats, corrupt packages) must still fail cleanly.
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

#include "core/Error.h"
#include "host/HostErrors.h"
#include "host/SpreadsheetHost.h"
#include "host/xml/XmlErrors.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/ZipErrors.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace pv::test;
using pv::host::SheetKind;

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool isOpenXmlWorkbook(const fs::path& path) {
    static const std::set<std::string> kExtensions = {".xlsx", ".xlsm", ".xltx", ".xltm"};
    return kExtensions.count(lowerExtension(path)) > 0;
}

std::vector<fs::path> splittableWorkbooks() {
    std::vector<fs::path> files;
    for (const auto& f : filesIn(corpusDir())) {
        if (isOpenXmlWorkbook(f))
            files.push_back(f);
    }
    for (const auto& f : filesIn(fixtureDir()))
        files.push_back(f);
    for (const auto& f : filesIn(sampleDir()))
        files.push_back(f);
    return files;
}

std::vector<fs::path> otherCorpusFiles() {
    std::vector<fs::path> files;
    for (const auto& f : filesIn(corpusDir())) {
        if (!isOpenXmlWorkbook(f) && f.filename() != "LICENSE-MIT.md")
            files.push_back(f);
    }
    return files;
}

// "issue_644.xlsx" in the fixtures folder -> "fixture_issue_644_xlsx".
std::string caseName(const testing::TestParamInfo<fs::path>& info) {
    std::string name = info.param.parent_path() == fixtureDir()  ? "fixture_"
                       : info.param.parent_path() == sampleDir() ? "sample_"
                                                                 : "";
    for (char c : info.param.filename().string())
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

struct SplitRun {
    bool opened = false;
    std::vector<fs::path> outputs;
    std::vector<std::string> failures;  // pv::Error descriptions, by sheet
    std::vector<int> numbers;           // the same failures' error numbers
};

enum class Sheets { WithContent, Every };

// What the split run asks of the engine, sheet by sheet: used range, a few cells, a save.
// Only pv::Error is an acceptable failure; anything else escapes to the test.
SplitRun splitSheets(const fs::path& source, const fs::path& outDir, Sheets which,
                     const std::string& outputExtension) {
    SplitRun run;
    try {
        auto host = pv::host::createEngineHost();
        auto workbook = host->open(source);
        run.opened = true;
        const auto& sheets = workbook->sheets();
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            try {
                if (sheets[i].kind == SheetKind::Worksheet) {
                    const auto range = workbook->usedRange(i);
                    workbook->cellText(i, 1, 1);
                    workbook->cellText(i, 3, 3);
                    workbook->cellText(i, range.lastRow, range.lastColumn);
                    if (which == Sheets::WithContent && range.lastRow == 1 && range.lastColumn == 1)
                        continue;
                } else if (which == Sheets::WithContent) {
                    continue;
                }
                const fs::path output = outDir / (sheets[i].name + outputExtension);
                workbook->saveSheetAs(i, output);
                run.outputs.push_back(output);
            } catch (const pv::Error& e) {
                run.failures.push_back(sheets[i].name + ": " + std::to_string(e.number()) + " " +
                                       e.description());
                run.numbers.push_back(e.number());
            }
        }
    } catch (const pv::Error& e) {
        run.failures.push_back(std::to_string(e.number()) + " " + e.description());
        run.numbers.push_back(e.number());
    }
    return run;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

// Differences between a fixture and its split that no faithful output can avoid.
struct Unavoidable {
    const char* output;  // the output's sheet name
    const char* first;   // fragments the checker's line holds, in this order
    const char* second;
};
const Unavoidable kUnavoidable[] = {
    // A link to another sheet has nowhere to point once that sheet is gone.
    {"Summary", "hyperlinks differ: [] vs source ", "'South!A1')]"},
    // A name that points to another sheet cannot stay, so formulas using it keep their values.
    {"North", "G5 formula ", ", source '=TaxRate*D5'"},
    {"Summary", "B7 formula ", ", source '=NorthTotal'"},
    {"Summary", "B8 formula ", ", source '=BothRegions'"},
    // A dropdown drawn from another sheet keeps offering the choices it showed, as an explicit
    // list; the checker's leak test counts those choices as that sheet's text.
    {"South", "found only on other sheets", "'lists-apricot', 'lists-bilberry', 'lists-cherry']"},
};

bool isUnavoidable(const std::string& line) {
    return std::any_of(std::begin(kUnavoidable), std::end(kUnavoidable), [&](const auto& known) {
        const auto output = line.find("/" + std::string(known.output) + ".");
        const auto first = line.find(known.first);
        return output != std::string::npos && first != std::string::npos && output < first &&
               line.find(known.second, first) != std::string::npos;
    });
}

// The checker's report without its summary line and without the unavoidable differences.
std::vector<std::string> unexpectedDifferences(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) {
        const bool summary = line.find(" passed, ") != std::string::npos;
        if (!line.empty() && !summary && !isUnavoidable(line))
            lines.push_back(line);
    }
    return lines;
}

// Fixture sheets carry "MARKER-<sheet name without blanks>-<tag>"; any other sheet's marker
// in any entry of an output, XML or not, is a leak.
std::vector<std::string> foreignMarkers(const fs::path& output, std::string sheetName) {
    sheetName.erase(std::remove(sheetName.begin(), sheetName.end(), ' '), sheetName.end());
    const std::string own = "MARKER-" + sheetName + "-";
    std::vector<std::string> found;
    int error = 0;
    zip_t* archive = zip_open(output.c_str(), ZIP_RDONLY, &error);
    if (!archive)
        return {"cannot open " + output.string()};
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_file_t* file = nullptr;
        if (zip_stat_index(archive, i, 0, &st) != 0 || !(file = zip_fopen_index(archive, i, 0)))
            continue;
        std::string data(st.size, '\0');
        zip_fread(file, data.data(), st.size);
        zip_fclose(file);
        for (auto at = data.find("MARKER-"); at != std::string::npos;
             at = data.find("MARKER-", at + 1)) {
            if (data.compare(at, own.size(), own) != 0)
                found.push_back(std::string(st.name) + ": " + data.substr(at, 24));
        }
    }
    zip_discard(archive);
    return found;
}

struct FileState {
    std::string bytes;
    fs::file_time_type modified;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return {bytes.str(), fs::last_write_time(path)};
}

class SplitsFaithfully : public testing::TestWithParam<fs::path> {};

TEST_P(SplitsFaithfully, EveryContentSheet) {
    const fs::path source = GetParam();
    const FileState before = stateOf(source);
    TempDir out;
    const SplitRun run =
        splitSheets(source, out.path(), Sheets::WithContent, source.extension().string());
    EXPECT_TRUE(stateOf(source) == before) << source << " was changed by reading it";

    const CheckReport split = runSplitCheck(source, out.path());
    if (referenceReaderRefused(split))
        GTEST_SKIP() << "the reference reader cannot open " << source << "; engine said:\n"
                     << joined(run.failures);
    EXPECT_TRUE(run.failures.empty()) << joined(run.failures);
    EXPECT_TRUE(split.status == 0 || split.output.find(" passed, ") != std::string::npos)
        << "split_check.py did not finish:\n"
        << split.output;
    EXPECT_TRUE(unexpectedDifferences(split.output).empty()) << "split_check.py " << source << ":\n"
                                                             << split.output;

    if (!run.outputs.empty()) {
        const CheckReport package = runPackageCheck(source, run.outputs);
        EXPECT_EQ(package.status, 0) << "ooxml_check.py --against " << source << ":\n"
                                     << package.output;
    }
    if (source.parent_path() == fixtureDir()) {
        for (const auto& output : run.outputs) {
            const auto leaks = foreignMarkers(output, output.stem().string());
            EXPECT_TRUE(leaks.empty()) << output << " holds other sheets' markers:\n"
                                       << joined(leaks);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, SplitsFaithfully, testing::ValuesIn(splittableWorkbooks()),
                         caseName);

// The error a file that holds no workbook package we read must get, judged by its bytes alone:
// a compound file holding an encrypted package is encrypted, any other a legacy workbook; bytes
// that are no zip archive are a corrupt package; a binary workbook's main part is no XML; any
// other zip (an OpenDocument file) lacks the workbook part.
int refusalFor(const fs::path& file) {
    if (pv::host::isPasswordEncrypted(file))
        return pv::number(pv::host::ZipError::Encrypted);
    if (isCompoundFile(file))
        return pv::number(pv::host::ZipError::LegacyOrEncrypted);
    std::ifstream in(file, std::ios::binary);
    std::string magic(4, '\0');
    in.read(magic.data(), 4);
    int error = 0;
    zip_t* archive = magic == "PK\x03\x04" ? zip_open(file.c_str(), ZIP_RDONLY, &error) : nullptr;
    if (!archive)
        return pv::number(pv::host::ZipError::CorruptZip);
    const bool binaryWorkbook = zip_name_locate(archive, "xl/workbook.bin", ZIP_FL_NOCASE) >= 0;
    zip_discard(archive);
    return binaryWorkbook ? pv::number(pv::host::XmlError::MalformedXml)
                          : pv::number(pv::host::ZipError::MissingPart);
}

// Legacy formats, binary workbooks, OpenDocument files: the engine refuses them with its own
// error, and never crashes on the way.
class FailsCleanly : public testing::TestWithParam<fs::path> {};

// Under an .xlsx name, so the engine has to read the bytes to refuse them.
TEST_P(FailsCleanly, OpenSheetsRangesCellsAndSaves) {
    TempDir in;
    TempDir out;
    const fs::path copy = in / fs::path(GetParam().filename()).replace_extension(".xlsx");
    fs::copy_file(GetParam(), copy);
    const int expected = refusalFor(copy);
    try {
        const SplitRun run = splitSheets(copy, out.path(), Sheets::Every, ".xlsx");
        for (const auto& output : run.outputs)
            EXPECT_TRUE(fs::exists(output)) << output;
        EXPECT_FALSE(run.opened) << GetParam() << " opened as a workbook";
        EXPECT_EQ(run.numbers, std::vector<int>{expected}) << joined(run.failures);
    } catch (const std::exception& e) {
        ADD_FAILURE() << GetParam() << ": failure outside pv::Error: " << e.what();
    }
    // Whatever failed left no partial output behind.
    for (const auto& f : filesIn(out.path()))
        EXPECT_TRUE(isOpenXmlWorkbook(f)) << "stray file " << f;
    EXPECT_TRUE(fs::is_empty(out.path())) << "the refused file left output behind";
}

// Under its own name it is refused by its extension alone.
TEST_P(FailsCleanly, RefusedByItsExtension) {
    TempDir out;
    const SplitRun run = splitSheets(GetParam(), out.path(), Sheets::Every, ".xlsx");
    EXPECT_FALSE(run.opened);
    EXPECT_EQ(run.numbers, std::vector<int>{pv::number(pv::host::HostError::UnsupportedFormat)})
        << joined(run.failures);
    EXPECT_TRUE(fs::is_empty(out.path()));
}

INSTANTIATE_TEST_SUITE_P(Corpus, FailsCleanly, testing::ValuesIn(otherCorpusFiles()), caseName);

}  // namespace
