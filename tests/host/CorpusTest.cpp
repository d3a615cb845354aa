// Every real workbook of the test corpus, every fixture and sample through the engine, judged by
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
#include <cstdlib>
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
    for (const auto& f : corpusFiles()) {
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
    for (const auto& f : corpusFiles()) {
        if (!isOpenXmlWorkbook(f))
            files.push_back(f);
    }
    return files;
}

std::string identifier(const std::string& text) {
    std::string name;
    for (char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// "issue_644.xlsx" in the fixtures folder -> "fixture_issue_644_xlsx"; "Foo.xlsx" in the corpus's
// closedxml folder -> "closedxml_Foo_xlsx" (the first collection, calamine, goes unprefixed). Names
// two files of a folder share once punctuation is gone get "_2", "_3"... in file-name order.
std::string caseName(const testing::TestParamInfo<fs::path>& info) {
    const fs::path folder = info.param.parent_path();
    const std::string prefix = folder == fixtureDir()  ? "fixture_"
                               : folder == sampleDir() ? "sample_"
                               : folder == corpusDir() / "calamine"
                                   ? ""
                                   : folder.filename().string() + "_";
    const std::string name = prefix + identifier(info.param.filename().string());
    int rank = 0;
    for (const auto& f : filesIn(folder)) {
        if (f == info.param)
            break;
        rank += identifier(f.filename().string()) == identifier(info.param.filename().string());
    }
    return rank == 0 ? name : name + "_" + std::to_string(rank + 1);
}

// "closedxml/Foo.xlsx": how the known differences below name a corpus file.
std::string corpusName(const fs::path& file) {
    return file.parent_path().filename().string() + "/" + file.filename().string();
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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// Corpus files whose split differs from their source: a judge's line holding `shows` is excused
// and reported, with why. Each entry is a debt: an "engine defect" is ours to fix; any other reason
// says why no split can avoid it. An entry whose line no longer shows fails the test, so the list
// cannot outlive the difference.
struct KnownDifference {
    const char* file;   // "closedxml/Foo.xlsx"
    const char* shows;  // a fragment of the judge's line
    const char* reason;
};
const std::vector<KnownDifference> kKnownDifferences = {
    // The application's used range counts rows with a height, a style or hidden (its own
    // <dimension> shows it); the reference reader counts cells only, so to it these sheets (a
    // form control, a picture, over such rows) hold nothing. The split keeps them, as the
    // application would.
    {"closedxml/LO_xlsx_singlecontrol.xlsx", "written for a sheet without content",
     "a form control over rows of custom height: content to the application, not to the reader"},
    {"exceljs/spec_integration_data_images.xlsx", "written for a sheet without content",
     "a picture over a row of custom height: content to the application, not to the reader"},
    // Judged with PV_CORPUS_FULL=1 only (see kSlowToJudge).
    {"closedxml/DrawingSizeInPx.xlsx", "e.g. ['ThisWorkbook']",
     "the workbook's own code name (workbookPr codeName), which a hidden sheet also holds as a "
     "cell: the one-sheet workbook keeps its code name"},
    {"closedxml/DrawingSizeInPx.xlsx", "e.g. ['Migrated Books Template'",
     "a dropdown drawn from a hidden sheet keeps its choices as an explicit list; the checker "
     "counts them as that sheet's text"},
    {"closedxml/DrawingSizeInPx.xlsx", "Template.xlsx: conditional formats differ",
     "rules that look values up in other sheets' tables through names cannot work without "
     "those sheets and are dropped; the checker compares rule counts"},
    {"excelize/test_BadWorkbook.xlsx", "xl/workbook.xml: no sheets",
     "its <sheets> is empty: there is no sheet to save; the engine refuses it by name, the "
     "reference reader reads an empty workbook"},
};

// Workbooks the reference reader needs minutes for (a merged range down to row 1048576, tens of
// sheets of thousands of rows): split in every run, judged only with PV_CORPUS_FULL=1.
const std::set<std::string> kSlowToJudge = {
    "closedxml/DrawingSizeInPx.xlsx",
    "closedxml/LO_xlsx_column-style-autofilter.xlsx",
};

bool judgedFully() {
    const char* full = std::getenv("PV_CORPUS_FULL");
    return full != nullptr && std::string(full) == "1";
}

// Fails what no known difference excuses, fails every entry of `file` that excused nothing, and
// skips with the reasons when known differences were all there was.
void judge(const fs::path& file, const std::vector<std::string>& problems) {
    const std::string name = corpusName(file);
    std::set<const KnownDifference*> used;
    std::string excused;
    std::string unexcused;
    for (const auto& problem : problems) {
        const auto found = std::find_if(
            kKnownDifferences.begin(), kKnownDifferences.end(), [&](const KnownDifference& k) {
                return k.file == name && problem.find(k.shows) != std::string::npos;
            });
        if (found == kKnownDifferences.end()) {
            unexcused += problem + "\n";
            continue;
        }
        const KnownDifference* known = &*found;
        if (used.insert(known).second)
            excused += std::string("known difference: ") + known->reason + "\n";
        excused += "  " + problem + "\n";
    }
    if (!unexcused.empty())
        ADD_FAILURE() << file.string() << ":\n" << unexcused;
    bool stale = false;
    for (const auto& known : kKnownDifferences) {
        if (known.file == name && !used.count(&known)) {
            ADD_FAILURE() << name << " no longer shows \"" << known.shows
                          << "\": take its known difference off the list (" << known.reason << ")";
            stale = true;
        }
    }
    if (!excused.empty() && !stale && !testing::Test::HasFailure())
        GTEST_SKIP() << excused;
}

// A file the engine must refuse: never opened, exactly the expected error, no output left behind.
std::vector<std::string> refusalProblems(const fs::path& file, const SplitRun& run, int expected,
                                         const fs::path& outDir) {
    std::vector<std::string> problems;
    if (run.opened)
        problems.push_back(file.string() + " opened as a workbook");
    if (run.numbers != std::vector<int>{expected})
        problems.push_back("refused with other errors than " + std::to_string(expected) + ":\n" +
                           joined(run.failures));
    for (const auto& f : filesIn(outDir))
        problems.push_back("the refused file left output behind: " + f.string());
    return problems;
}

int refusalFor(const fs::path& file);

class SplitsFaithfully : public testing::TestWithParam<fs::path> {};

TEST_P(SplitsFaithfully, EveryContentSheet) {
    const fs::path source = GetParam();
    const FileState before = stateOf(source);
    TempDir out;
    const SplitRun run =
        splitSheets(source, out.path(), Sheets::WithContent, source.extension().string());
    std::vector<std::string> problems;
    if (!(stateOf(source) == before))
        problems.push_back(source.string() + " was changed by reading it");

    // An encrypted or legacy workbook, a lock file or other bytes under a package's name.
    if (!isZipArchive(source)) {
        for (auto& problem : refusalProblems(source, run, refusalFor(source), out.path()))
            problems.push_back(std::move(problem));
        judge(source, problems);
        return;
    }

    if (kSlowToJudge.count(corpusName(source)) && !judgedFully()) {
        EXPECT_TRUE(problems.empty() && run.failures.empty())
            << joined(problems) << joined(run.failures);
        GTEST_SKIP() << "split; judged only with PV_CORPUS_FULL=1 (the reference reader takes "
                        "minutes)";
    }
    const CheckReport split = runSplitCheck(source, out.path());
    if (referenceReaderRefused(split) && problems.empty())
        GTEST_SKIP() << "the reference reader cannot open " << source << "; engine said:\n"
                     << joined(run.failures);
    for (const auto& failure : run.failures)
        problems.push_back("engine: " + failure);
    if (split.status != 0 && split.output.find(" passed, ") == std::string::npos)
        problems.push_back("split_check.py did not finish:\n" + split.output);
    else
        for (auto& line : unexpectedDifferences(split.output))
            problems.push_back("split_check.py: " + line);

    if (!run.outputs.empty()) {
        const CheckReport package = runPackageCheck(source, run.outputs);
        std::vector<std::string> lines;
        for (auto& line : linesOf(package.output)) {
            if (!line.starts_with("OK "))
                lines.push_back("ooxml_check.py --against: " + line);
        }
        if (package.status != 0 && lines.empty())
            lines.push_back("ooxml_check.py --against exited " + std::to_string(package.status));
        problems.insert(problems.end(), lines.begin(), lines.end());
    }
    if (source.parent_path() == fixtureDir()) {
        for (const auto& output : run.outputs) {
            for (const auto& leak : foreignMarkers(output, output.stem().string()))
                problems.push_back(output.string() + " holds another sheet's marker: " + leak);
        }
    }
    judge(source, problems);
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
    try {
        const SplitRun run = splitSheets(copy, out.path(), Sheets::Every, ".xlsx");
        judge(GetParam(), refusalProblems(GetParam(), run, refusalFor(copy), out.path()));
    } catch (const std::exception& e) {
        ADD_FAILURE() << GetParam() << ": failure outside pv::Error: " << e.what();
    }
}

// Under its own name it is refused by its extension alone.
TEST_P(FailsCleanly, RefusedByItsExtension) {
    TempDir out;
    const SplitRun run = splitSheets(GetParam(), out.path(), Sheets::Every, ".xlsx");
    judge(GetParam(),
          refusalProblems(GetParam(), run, pv::number(pv::host::HostError::UnsupportedFormat),
                          out.path()));
}

INSTANTIATE_TEST_SUITE_P(Corpus, FailsCleanly, testing::ValuesIn(otherCorpusFiles()), caseName);

}  // namespace
