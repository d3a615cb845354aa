// pellavine-split in-process: options, folder inputs, names, JSON lines and exit statuses.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/SplitCommand.h"
#include "folders/DiskFolderReader.h"
#include "folders/FolderErrors.h"
#include "folders/PosixError.h"
#include "office/OfficeConverter.h"
#include "split/SplitErrors.h"
#include "split/TestWorkbooks.h"
#include "support/OfficeFixture.h"
#include "support/OutputCheck.h"

namespace {

namespace fs = std::filesystem;
using pv::test::fileNames;
using Names = std::set<std::string>;

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Whether an office application runs depends on the machine (other tests start LibreOffice), so
// its warning is left out of what the cases compare.
std::string withoutRunningHostWarning(const std::string& text) {
    const std::string warning =
        "pellavine-split: warning: a spreadsheet application is running and may hold a listed "
        "workbook open\n";
    std::string rest = text;
    for (auto at = rest.find(warning); at != std::string::npos; at = rest.find(warning))
        rest.erase(at, warning.size());
    return rest;
}

Result split(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = pv::cli::run(args, out, err);
    return {status, out.str(), withoutRunningHostWarning(err.str())};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        all.push_back(line);
    return all;
}

// A saved file's line with its size and time left out, as they vary with the engine and machine.
std::string withoutSizeAndTime(const std::string& line) {
    static const std::regex sizeAndTime(",\"size\":[0-9]+,\"seconds\":[0-9]+\\.[0-9]{3}");
    return std::regex_replace(line, sizeAndTime, "");
}

class SplitCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The engine alone: an .xls name falls back to the source's format. With LibreOffice
        // such a name gets a real .xls file (tests/split/LegacyHostTest.cpp).
        setenv("PV_SOFFICE", "", 1);
        fs::create_directories(in / "sub" / "deeper");
        pv::test::writeWorkbooks({
            {in / "Sales.2020.xlsx",
             {{"North", {{"A1", "Q1/Q2: totals?"}, {"C3", "n3"}}},
              {"South", {{"B2", "x"}, {"C3", "s3"}}},
              {"Notes", {}}}},
            {in / "sub" / "deeper" / "Team.xlsx", {{"North", {{"A1", "7"}, {"C3", "t3"}}}}},
        });
        std::ofstream(in / "sub" / "~$Team.xlsx") << "lock";
        std::ofstream(in / "sub" / ".hidden.xlsx") << "hidden";
        std::ofstream(in / "sub" / "notes.txt") << "text";
    }

    std::string outArg() const { return out.path().string(); }

    pv::test::TempDir in, out;
};

TEST_F(SplitCommandTest, NamingRulesGiveTheWindowsNames) {
    const std::vector<std::pair<std::string, Names>> cases = {
        {"sheet", {"North.xlsx", "South.xlsx", "North_1.xlsx"}},
        {"workbook-sheet", {"Sales.2020 North.xlsx", "Sales.2020 South.xlsx", "Team North.xlsx"}},
        {"a1", {"Q1Q2 totals.xlsx", "no_value.xlsx", "7.xlsx"}},
        {"cell:C3", {"n3.xlsx", "s3.xlsx", "t3.xlsx"}},
        {"number", {"1.xlsx", "2.xlsx", "3.xlsx"}},
    };
    for (const auto& [rule, names] : cases) {
        for (const std::string jobs : {"1", "4"}) {
            SCOPED_TRACE(rule + " --jobs " + jobs);
            const Result result = split({"-q", "-o", outArg(), "-n", rule, "--jobs", jobs,
                                         (in / "Sales.2020.xlsx").string(), (in / "sub").string()});
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(fileNames(out.path()), names);
            EXPECT_EQ(result.out, "");
            for (const auto& entry : fs::directory_iterator(out.path()))
                fs::remove(entry.path());
        }
    }
}

// Saves run on several threads and deflate big parts on several more: an output's bytes must not
// show it, nor the time of the save (the runs are more than a zip timestamp's 2 s apart).
TEST_F(SplitCommandTest, OutputsAreTheSameBytesWhateverTheJobs) {
    std::map<std::string, std::string> first;
    for (const std::string jobs : {"1", "4"}) {
        SCOPED_TRACE(jobs);
        if (!first.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        }
        const Result result = split({"-q", "-o", outArg(), "--jobs", jobs,
                                     (in / "Sales.2020.xlsx").string(), (in / "sub").string()});
        ASSERT_EQ(result.status, 0) << result.err;
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(out.path())) {
            std::ifstream file(entry.path(), std::ios::binary);
            files[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(file),
                                                           {});
            fs::remove(entry.path());
        }
        EXPECT_EQ(files.size(), 3u);
        if (first.empty()) {
            first = files;
        } else {
            EXPECT_TRUE(files == first);
        }
    }
}

TEST_F(SplitCommandTest, JsonGivesALinePerOutputAndPerFailure) {
    std::ofstream(in / "Broken.xlsx") << "not a workbook";
    // One job, so the lines come in the run's order (parallel saves report as they finish).
    const Result result =
        split({"--json", "--jobs", "1", "--output=" + outArg(), in.path().string()});
    EXPECT_EQ(result.status, 1);
    const auto json = lines(result.out);
    ASSERT_EQ(json.size(), 5u) << result.out;
    // Breadth-first: the folder's own files in name order, then the folders below.
    EXPECT_EQ(json[0].rfind("{\"event\":\"failed\",\"source\":", 0), 0u) << json[0];
    EXPECT_NE(json[0].find("Broken.xlsx"), std::string::npos);
    EXPECT_NE(json[0].find("\"line\":122"), std::string::npos);
    EXPECT_NE(json[0].find("\"location\":\"in Tamberlyn2021/08/31.Form1.PushButton2_Click \""),
              std::string::npos);
    EXPECT_EQ(
        withoutSizeAndTime(json[1]),
        "{\"event\":\"saved\",\"source\":" + pv::test::jsonText((in / "Sales.2020.xlsx").string()) +
            ",\"sheet\":\"North\",\"output\":" + pv::test::jsonText(outArg() + "/North.xlsx") +
            "}");
    // The sheet with nothing beyond A1 is told, not saved.
    EXPECT_EQ(json[3],
              "{\"event\":\"skipped\",\"source\":" +
                  pv::test::jsonText((in / "Sales.2020.xlsx").string()) +
                  ",\"sheet\":\"Notes\",\"note\":" +
                  pv::test::jsonText("sheet \"Notes\" of " + (in / "Sales.2020.xlsx").string() +
                                     " was not saved: nothing lies beyond its cell A1") +
                  "}");
    EXPECT_NE(json[4].find("North_1.xlsx"), std::string::npos);
    EXPECT_NE(result.err.find("at line 122"), std::string::npos);
    EXPECT_NE(result.err.find("Broken.xlsx"), std::string::npos);
}

// A saved file's line tells its size as written and the time it took, with one job or several;
// a failure's line its number, description and where it struck.
TEST_F(SplitCommandTest, JsonTellsEachFilesSizeAndTimeAndEachFailuresNumber) {
    std::ofstream(in / "Broken.xlsx") << "not a workbook";
    for (const std::string jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
        const Result result = split({"--json", "--jobs", jobs, "-o", outArg(), in.path().string()});
        EXPECT_EQ(result.status, 1);
        static const std::regex saved(
            "\\{\"event\":\"saved\",.*,\"output\":\"([^\"]+)\",\"size\":([0-9]+),"
            "\"seconds\":([0-9]+\\.[0-9]{3})\\}");
        int savedLines = 0;
        for (const std::string& line : lines(result.out)) {
            std::smatch match;
            if (std::regex_match(line, match, saved)) {
                ++savedLines;
                EXPECT_EQ(std::stoll(match[2]),
                          static_cast<long long>(fs::file_size(match[1].str())))
                    << line;
                EXPECT_LT(std::stod(match[3]), 60.0);
            } else if (line.starts_with("{\"event\":\"failed\"")) {
                static const std::regex failed(
                    ".*\"number\":[1-9][0-9]*,\"description\":\"[^\"]*Broken\\.xlsx[^\"]*\","
                    "\"location\":\"in [^\"]+\",\"line\":122\\}");
                EXPECT_TRUE(std::regex_match(line, failed)) << line;
            } else {
                EXPECT_TRUE(line.starts_with("{\"event\":\"skipped\"")) << line;
            }
        }
        EXPECT_EQ(savedLines, 3) << result.out;
    }
}

TEST_F(SplitCommandTest, NoValueSubstituteIsSavedAndNoted) {
    const Result result =
        split({"--json", "-n", "a1", "-o", outArg(), (in / "Sales.2020.xlsx").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("\"output\":" + pv::test::jsonText(outArg() + "/no_value.xlsx") +
                              ",\"note\":"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.err.find("instead of " + outArg() +
                              "/no_value.xls: .xls workbooks cannot be written without "
                              "LibreOffice (soffice) installed, so the sheet keeps its source's "
                              "format (.xlsx)\n"),
              std::string::npos)
        << result.err;
}

// A sheet saved whole under another name or format is saved: a note, exit status 0.
TEST_F(SplitCommandTest, SheetsSavedInAnotherFormatAreNotedAndTheRunSucceeds) {
    unsetenv("PV_SOFFICE");
    if (!pv::test::officeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    // A1 empty: named no_value.xls, but 257 columns do not fit an .xls workbook.
    pv::test::writeWorkbooks({{in / "wide.xlsx", {{"Wide", {{"IW2", "IW2"}}}}}});
    // A1 holds 1: named 1.xlsb, a format nothing here writes.
    fs::copy_file(pv::test::corpusDir() / "calamine/any_sheets.xlsb", in / "any.xlsb");
    const Result result = split({"--json", "-n", "a1", "-o", outArg(), (in / "wide.xlsx").string(),
                                 (in / "any.xlsb").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"no_value.xlsx", "1.xlsx"}));
    EXPECT_EQ(pv::test::outputSummary(out / "no_value.xlsx", "IW2"), "1|Wide||IW2");

    auto json = lines(result.out);
    std::erase_if(json,
                  [](const std::string& l) { return l.starts_with("{\"event\":\"skipped\""); });
    ASSERT_EQ(json.size(), 2u) << result.out;
    const std::string outWide = "\"output\":" + pv::test::jsonText(outArg() + "/no_value.xlsx");
    const bool wideFirst = json[0].find(outWide) != std::string::npos;
    const std::string& wide = json[wideFirst ? 0 : 1];
    const std::string& binary = json[wideFirst ? 1 : 0];
    EXPECT_NE(wide.find(outWide + ",\"note\":"), std::string::npos) << wide;
    EXPECT_NE(wide.find("257 columns, more than an .xls workbook holds (65,536 rows, 256 "
                        "columns): it was saved whole as " +
                        outArg() + "/no_value.xlsx instead of " + outArg() +
                        "/no_value.xls, in its source's format (.xlsx)"),
              std::string::npos)
        << wide;
    EXPECT_NE(binary.find("\"note\":\"Saved as " + outArg() + "/1.xlsx instead of " + outArg() +
                          "/1.xlsb: .xlsb workbooks cannot be written, so the sheet was saved in "
                          "the default format (.xlsx)\""),
              std::string::npos)
        << binary;
    EXPECT_EQ(result.err.find("keeps its source's format"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("pellavine-split: note: Sheet \"Wide\" of "), std::string::npos);
    EXPECT_NE(result.err.find("pellavine-split: note: Saved as " + outArg() + "/1.xlsx"),
              std::string::npos);
    EXPECT_EQ(result.err.find("at line"), std::string::npos) << "a note printed as a failure";
}

// The file a too-large sheet goes to is decided while naming, so parallel saves can never pick
// the same name for two sheets: here the second workbook's A1 names its sheet "no_value.xlsx",
// which is where the first workbook's wide sheet must go instead of "no_value.xls".
TEST_F(SplitCommandTest, ASheetTooLargeForItsNameNeverTakesTheNameOfAnother) {
    unsetenv("PV_SOFFICE");
    if (!pv::test::officeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    pv::test::writeWorkbooks({{in / "wide.xlsx", {{"Wide", {{"IW2", "wide"}}}}},
                              {in / "named.xlsx", {{"Named", {{"A1", "no_value"}, {"B2", "x"}}}}}});
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        for (const auto& f : fs::directory_iterator(out.path()))
            fs::remove(f.path());
        const Result result = split({"--jobs", jobs, "-n", "a1", "-o", outArg(),
                                     (in / "wide.xlsx").string(), (in / "named.xlsx").string()});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(fileNames(out.path()), (Names{"no_value.xlsx", "no_value_1.xlsx"}));
        EXPECT_EQ(pv::test::outputSummary(out / "no_value.xlsx", "IW2"), "1|Wide||wide");
        EXPECT_EQ(pv::test::outputSummary(out / "no_value_1.xlsx", "B2"), "1|Named|no_value|x");
        EXPECT_NE(result.err.find("257 columns, more than an .xls workbook holds (65,536 rows, 256 "
                                  "columns): it was saved whole as " +
                                  outArg() + "/no_value.xlsx instead of " + outArg() +
                                  "/no_value.xls, in its source's format (.xlsx)"),
                  std::string::npos)
            << result.err;
    }
}

// A dry run names every output as the run would, against the folder as it is (taken names get
// the next free number, names this run gives are taken for its later sheets), and writes
// nothing, not even a temporary file.
TEST_F(SplitCommandTest, DryRunNamesAreThoseOfTheRealRun) {
    std::ofstream(in / "Broken.xlsx") << "not a workbook";
    for (const std::string rule : {"sheet", "workbook-sheet", "a1", "cell:C3", "number"}) {
        for (const std::string jobs : {"1", "4"}) {
            SCOPED_TRACE(rule + " --jobs " + jobs);
            for (const auto& entry : fs::directory_iterator(out.path()))
                fs::remove(entry.path());
            for (const char* taken : {"North.xlsx", "North_1.xlsx", "no_value.xlsx", "2.xlsx"})
                std::ofstream(out / taken) << "already there";
            const Names before = fileNames(out.path());
            const std::vector<std::string> args = {"-o", outArg(),          "-n", rule, "--jobs",
                                                   jobs, in.path().string()};
            std::vector<std::string> dryArgs = args;
            dryArgs.insert(dryArgs.begin(), "--dry-run");
            const Result dry = split(dryArgs);
            EXPECT_EQ(fileNames(out.path()), before) << "a dry run wrote into the folder";

            const Result real = split(args);
            EXPECT_EQ(dry.status, real.status);
            EXPECT_EQ(dry.status, 1) << "the broken workbook fails in both";
            Names planned;
            for (const std::string& line : lines(dry.out))
                planned.insert(fs::path(line).filename().string());
            Names written = fileNames(out.path());
            for (const std::string& name : before) {
                if (rule != "number" || name != "2.xlsx")  // numbered names replace on purpose
                    written.erase(name);
            }
            EXPECT_EQ(planned, written);
            EXPECT_EQ(lines(dry.out).size(), written.size());
            EXPECT_EQ(dry.err, real.err) << "failures and notes are told alike";
        }
    }
    const Result json =
        split({"--dry-run", "--json", "-o", outArg(), (in / "Sales.2020.xlsx").string()});
    EXPECT_EQ(lines(json.out).at(0).rfind("{\"event\":\"planned\",", 0), 0u) << json.out;
}

// Inputs from a list: NUL-separated names may hold blanks and line ends; a folder in the list is
// walked as a folder argument is; inputs on the command line come first.
TEST_F(SplitCommandTest, FilesFromAListTakeAnyNameAndWalkFolders) {
    const fs::path odd = in / "with blank\nand line end.xlsx";
    pv::test::writeWorkbooks(
        {{odd, {{"Odd", {{"B2", "odd"}}}}}, {in / "two words.xlsx", {{"Words", {{"B2", "w"}}}}}});
    const std::string list = odd.string() + '\0' + (in / "sub").string() + '\0';
    std::istringstream stdinList(list);
    std::ostringstream printed, problems;
    const int status = pv::cli::run({"--jobs", "1", "-o", outArg(), "--files-from", "-", "-0",
                                     (in / "two words.xlsx").string()},
                                    stdinList, printed, problems, pv::DiskFolderReader());
    EXPECT_EQ(status, 0) << problems.str();
    EXPECT_EQ(printed.str(),
              outArg() + "/Words.xlsx\n" + outArg() + "/Odd.xlsx\n" + outArg() + "/North.xlsx\n");
    EXPECT_EQ(pv::test::outputSummary(out.path() / "Odd.xlsx", "B2"), "1|Odd||odd");

    // One a line from a file, blank lines passed over.
    for (const auto& entry : fs::directory_iterator(out.path()))
        fs::remove(entry.path());
    const fs::path listFile = in / "list.txt";
    std::ofstream(listFile) << (in / "two words.xlsx").string() << "\n\n"
                            << (in / "sub").string() << "\n";
    const Result lined = split({"-q", "-o", outArg(), "--files-from", listFile.string()});
    EXPECT_EQ(lined.status, 0) << lined.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"Words.xlsx", "North.xlsx"}));

    const Result missing = split({"-o", outArg(), "--files-from", (in / "nope.txt").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "pellavine-split: cannot read the list " + (in / "nope.txt").string() +
                               ": No such file or directory\n");
    std::istringstream empty;
    std::ostringstream none, noneErr;
    EXPECT_EQ(pv::cli::run({"-o", outArg(), "--files-from", "-"}, empty, none, noneErr,
                           pv::DiskFolderReader()),
              1);
    EXPECT_EQ(noneErr.str(), "No files added.\n");
}

// Sheet choice: any of the patterns, in any letter case; hidden sheets out on request; a chosen
// sheet without content is still passed over.
TEST_F(SplitCommandTest, SheetPatternsAndSkipHiddenChooseTheSheets) {
    pv::test::writeWorkbooks({{in / "q.xlsx",
                               {{"Q1 North", {{"B2", "1"}}},
                                {"q2 south", {{"B2", "2"}}},
                                {"Q3", {{"B2", "3"}}, true},
                                {"Q4", {}},
                                {"Summary", {{"B2", "s"}}},
                                {"Q10", {{"B2", "10"}}}}}});
    const std::string source = (in / "q.xlsx").string();
    const std::vector<std::pair<std::vector<std::string>, Names>> cases = {
        {{"--sheets", "q?*"}, {"Q1 North.xlsx", "q2 south.xlsx", "Q3.xlsx", "Q10.xlsx"}},
        {{"--sheets", "Q?", "--skip-hidden"}, {}},
        {{"--sheets=Q?", "--sheets", "summ*"}, {"Q3.xlsx", "Summary.xlsx"}},
        {{"--sheets", "Q? *"}, {"Q1 North.xlsx", "q2 south.xlsx"}},
        {{"--skip-hidden"}, {"Q1 North.xlsx", "q2 south.xlsx", "Summary.xlsx", "Q10.xlsx"}},
    };
    for (const auto& [choice, names] : cases) {
        SCOPED_TRACE(choice[0] + (choice.size() > 1 ? " " + choice[1] : ""));
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
        std::vector<std::string> args = {"-q", "-o", outArg(), source};
        args.insert(args.begin(), choice.begin(), choice.end());
        const Result result = split(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(fileNames(out.path()), names);
    }
    // A skipped empty sheet among the chosen ones is still told.
    const Result told = split({"--sheets", "Q4", "-o", outArg(), source});
    EXPECT_NE(told.err.find("sheet \"Q4\" of " + source + " was not saved"), std::string::npos)
        << told.err;
    EXPECT_EQ(split({"--sheets", "", source}).status, 2);
}

// Runs a Python script with openpyxl on `path`, its first argument.
void runPythonOn(const char* script, const fs::path& path) {
    std::string output;
    ASSERT_EQ(pv::test::runCommand(pv::test::python() + " -c " + pv::test::shellQuote(script) +
                                       " " + pv::test::shellQuote(path.string()),
                                   &output),
              0)
        << output;
}

// A sheet of dates, times, percentages, currency, a formula whose cached value holds a comma and
// a quote, 15-digit numbers, a boolean, a text of two lines, an empty row and a merged range.
void writeShownWorkbook(const fs::path& path) {
    const char* script = R"(
import sys, zipfile, re, datetime, openpyxl
path = sys.argv[1]
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Shown"
rows = [
    ["Date", "Time", "Percent", "Currency", "Formula", "Big", "Stamp"],
    [datetime.date(2020, 12, 31), datetime.time(13, 45, 30), 0.125, 1234.5,
     '=CONCATENATE("a, ","""b""")', 123456789012345, datetime.datetime(2021, 3, 4, 5, 6, 7)],
    [],
    [datetime.date(1999, 1, 2), datetime.time(0, 0, 59), 0.5, -1234.5, "two\nlines",
     1234.56789012345, True],
]
formats = {2: ["yyyy-mm-dd", "hh:mm:ss", "0.00%", '"$"#,##0.00', None, None,
               "yyyy-mm-dd hh:mm:ss"],
           4: ["yyyy-mm-dd", "hh:mm:ss", "0%", '"$"#,##0.00', None, "General", None]}
for r, row in enumerate(rows, start=1):
    for c, v in enumerate(row, start=1):
        cell = ws.cell(row=r, column=c, value=v)
        f = formats.get(r, [None] * 7)[c - 1]
        if f:
            cell.number_format = f
ws["A5"] = "merged"
ws.merge_cells("A5:B6")
ws["C6"] = 3.14159
ws["C6"].number_format = "0.00"
ws["D6"] = 1234567
ws["D6"].number_format = "#,##0"
wb.save(path)
# openpyxl keeps no formula results: the cached value an application leaves.
with zipfile.ZipFile(path) as z:
    items = {n: z.read(n) for n in z.namelist()}
sheet = items["xl/worksheets/sheet1.xml"].decode()
sheet, n = re.subn(r'<c r="E2"[^>]*><f>(.*?)</f>(<v>[^<]*</v>|<v\s*/>)?</c>',
                   lambda m: '<c r="E2" t="str"><f>%s</f><v>a, &quot;b&quot;</v></c>' % m.group(1),
                   sheet)
assert n == 1, sheet
items["xl/worksheets/sheet1.xml"] = sheet.encode()
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in items.items():
        z.writestr(name, data)
)";
    runPythonOn(script, path);
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// LibreOffice's own CSV export of a workbook's first sheet, "as shown".
std::string officeCsv(const fs::path& workbook) {
    pv::test::TempDir lo;
    const std::string soffice = pv::office::officeSettingsFromEnvironment().soffice.string();
    std::string output;
    EXPECT_EQ(pv::test::runCommand(
                  "timeout 180 " + pv::test::shellQuote(soffice) +
                      " --headless -env:UserInstallation=file://" + (lo / "profile").string() +
                      " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,"
                      "true' --outdir " +
                      pv::test::shellQuote(lo.path().string()) + " " +
                      pv::test::shellQuote(workbook.string()) + " 2>&1",
                  &output),
              0)
        << output;
    return fileText(lo / (workbook.stem().string() + ".csv"));
}

const std::string kShownCsv =
    "Date,Time,Percent,Currency,Formula,Big,Stamp\n"
    "2020-12-31,13:45:30,12.50%,\"$1,234.50\",\"a, \"\"b\"\"\",123456789012345,2021-03-04 "
    "05:06:07\n"
    ",,,,,,\n"
    "1999-01-02,00:00:59,50%,\"-$1,234.50\",\"two\nlines\",1234.56789012345,TRUE\n"
    "merged,,,,,,\n"
    ",,3.14,\"1,234,567\",,,\n";

// The CSV of a sheet is what LibreOffice's own export "as shown" gives, byte for byte; raw
// values leave numbers and dates unformatted.
TEST_F(SplitCommandTest, CsvShowsTheCellsAsLibreOfficeExportsThem) {
    writeShownWorkbook(in / "shown.xlsx");
    const Result result = split({"-q", "-f", "csv", "-o", outArg(), (in / "shown.xlsx").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"Shown.csv"}));
    EXPECT_EQ(fileText(out / "Shown.csv"), kShownCsv);

    const Result raw = split({"-q", "--format=csv", "--csv-raw", "-n", "number", "-o", outArg(),
                              (in / "shown.xlsx").string()});
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(fileText(out / "1.csv"),
              "Date,Time,Percent,Currency,Formula,Big,Stamp\n"
              "44196,0.5732638888888889,0.125,1234.5,\"a, \"\"b\"\"\",123456789012345,"
              "44259.21258101852\n"
              ",,,,,,\n"
              "36162,0.0006828703703703704,0.5,-1234.5,\"two\nlines\",1234.56789012345,TRUE\n"
              "merged,,,,,,\n"
              ",,3.14159,1234567,,,\n");

    unsetenv("PV_SOFFICE");
    if (!pv::test::officeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    EXPECT_EQ(fileText(out / "Shown.csv"), officeCsv(in / "shown.xlsx"));
}

// A sheet of dates and times in the built-in formats and in codes of names, 12-hour clocks,
// elapsed times, fractions of a second, text, colours and locale tags; serials near midnight and
// a hair under a second.
void writeDatesWorkbook(const fs::path& path) {
    const char* script = R"(
import sys, openpyxl
from openpyxl.styles.numbers import BUILTIN_FORMATS
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Dates"
codes = [BUILTIN_FORMATS[i] for i in (14, 15, 16, 17, 18, 19, 20, 21, 22, 45, 46, 47)] + [
    "d/m/yy", "dd/mm/yyyy", "ddd dddd", "mmm mmmm mmmmm", "yy yyyy", "hh:mm:ss A/P",
    "[mm]:ss", '"Day "d\\-m', "[$-409]dddd, mmmm d, yyyy", "[Red]yyyy-mm-dd", 'd "of" mmmm',
    "h:mm:ss.00", "m/d/yyyy h:mm:ss", "hh:mm AM/PM", "m:ss"]
serials = [44196.5732638889, 45000.0416666667, 36526.000011574, 44196.99999999, 44197.5,
           44259.21258101852]
for r, serial in enumerate(serials, start=1):
    for c, code in enumerate(codes, start=1):
        ws.cell(row=r, column=c, value=serial).number_format = code
wb.save(sys.argv[1])
)";
    runPythonOn(script, path);
}

const std::string kDatesCsv =
    "12/31/2020,31-Dec-20,31-Dec,Dec-20,1:45 PM,1:45:30 PM,13:45,13:45:30,12/31/2020 "
    "13:45,45:30,1060717:45:30,45:30.0,31/12/20,31/12/2020,Thu Thursday,Dec December D,20 "
    "2020,01:45:30 p,63643065:30,Day 31-12,\"Thursday, December 31, 2020\",2020-12-31,31 of "
    "December,13:45:30.00,12/31/2020 13:45:30,01:45 PM,45:30\n"
    "3/15/2023,15-Mar-23,15-Mar,Mar-23,1:00 AM,1:00:00 AM,1:00,1:00:00,3/15/2023 "
    "1:00,00:00,1080001:00:00,00:00.0,15/3/23,15/03/2023,Wed Wednesday,Mar March M,23 "
    "2023,01:00:00 a,64800060:00,Day 15-3,\"Wednesday, March 15, 2023\",2023-03-15,15 of "
    "March,1:00:00.00,3/15/2023 1:00:00,01:00 AM,0:00\n"
    "1/1/2000,1-Jan-00,1-Jan,Jan-00,12:00 AM,12:00:00 AM,0:00,0:00:00,1/1/2000 "
    "0:00,00:00,876624:00:01,00:00.9,1/1/00,01/01/2000,Sat Saturday,Jan January J,00 2000,12:00:00 "
    "a,52597440:01,Day 1-1,\"Saturday, January 1, 2000\",2000-01-01,1 of "
    "January,0:00:00.99,1/1/2000 0:00:00,12:00 AM,0:00\n"
    "12/31/2020,31-Dec-20,31-Dec,Dec-20,11:59 PM,11:59:59 PM,23:59,23:59:59,1/1/2021 "
    "0:00,59:59,1060728:00:00,59:59.9,31/12/20,31/12/2020,Thu Thursday,Dec December D,20 "
    "2020,11:59:59 p,63643680:00,Day 31-12,\"Thursday, December 31, 2020\",2020-12-31,31 of "
    "December,23:59:59.99,1/1/2021 0:00:00,11:59 PM,59:59\n"
    "1/1/2021,1-Jan-21,1-Jan,Jan-21,12:00 PM,12:00:00 PM,12:00,12:00:00,1/1/2021 "
    "12:00,00:00,1060740:00:00,00:00.0,1/1/21,01/01/2021,Fri Friday,Jan January J,21 2021,12:00:00 "
    "p,63644400:00,Day 1-1,\"Friday, January 1, 2021\",2021-01-01,1 of "
    "January,12:00:00.00,1/1/2021 12:00:00,12:00 PM,0:00\n"
    "3/4/2021,4-Mar-21,4-Mar,Mar-21,5:06 AM,5:06:07 AM,5:06,5:06:07,3/4/2021 "
    "5:06,06:07,1062221:06:07,06:07.0,4/3/21,04/03/2021,Thu Thursday,Mar March M,21 2021,05:06:07 "
    "a,63733266:07,Day 4-3,\"Thursday, March 4, 2021\",2021-03-04,4 of March,5:06:07.00,3/4/2021 "
    "5:06:07,05:06 AM,6:07\n";

// Dates and times show through their number formats as LibreOffice's export "as shown" gives
// them in en-US, byte for byte.
TEST_F(SplitCommandTest, CsvShowsDatesAndTimesThroughTheirFormats) {
    writeDatesWorkbook(in / "dates.xlsx");
    const Result result = split({"-q", "-f", "csv", "-o", outArg(), (in / "dates.xlsx").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(fileText(out / "Dates.csv"), kDatesCsv);

    unsetenv("PV_SOFFICE");
    if (!pv::test::officeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    EXPECT_EQ(fileText(out / "Dates.csv"), officeCsv(in / "dates.xlsx"));
}

// Names come from the naming rules with the format's extension, numbered and "no_value" ones too.
TEST_F(SplitCommandTest, TheFormatGivesTheExtensionOfEveryName) {
    const std::string sales = (in / "Sales.2020.xlsx").string();
    const std::vector<std::pair<std::string, Names>> cases = {
        {"a1", {"Q1Q2 totals.csv", "no_value.csv"}},
        {"number", {"1.csv", "2.csv"}},
        {"sheet", {"North.csv", "South.csv"}},
    };
    for (const auto& [rule, names] : cases) {
        SCOPED_TRACE(rule);
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
        const Result dry = split({"--dry-run", "-f", "csv", "-n", rule, "-o", outArg(), sales});
        EXPECT_EQ(dry.status, 0) << dry.err;
        Names planned;
        for (const std::string& line : lines(dry.out))
            planned.insert(fs::path(line).filename().string());
        EXPECT_EQ(planned, names);
        const Result real = split({"-q", "-f", "csv", "-n", rule, "-o", outArg(), sales});
        EXPECT_EQ(real.status, 0) << real.err;
        EXPECT_EQ(fileNames(out.path()), names);
        EXPECT_EQ(real.err.find("instead of"), std::string::npos) << real.err;
    }
    EXPECT_EQ(split({"-f", "docx", sales}).status, 2);
    EXPECT_EQ(split({"--csv-raw", sales}).status, 2);
}

// Without LibreOffice a sheet asked for as PDF, ODS or XLS is not saved in another format: each
// gets one clear failure, the run exits with 1, a dry run says the same.
TEST_F(SplitCommandTest, WithoutLibreOfficeEachFileOfItsFormatsFailsOnce) {
    const std::string sales = (in / "Sales.2020.xlsx").string();
    for (const std::string format : {"pdf", "ods", "xls"}) {
        SCOPED_TRACE(format);
        const Result result = split({"--json", "-f", format, "-o", outArg(), sales});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(fileNames(out.path()).empty());
        for (const std::string sheet : {"North", "South"}) {
            const std::string told = "pellavine-split: Cannot save sheet \"" + sheet + "\" of " +
                                     sales + " as " + outArg() + "/" + sheet + "." + format +
                                     ": ." + format +
                                     " files cannot be written without LibreOffice (soffice) "
                                     "installed\n";
            const std::size_t at = result.err.find(told);
            EXPECT_NE(at, std::string::npos) << result.err;
            EXPECT_EQ(result.err.find(told, at + 1), std::string::npos) << "told twice";
        }
        int failed = 0;
        for (const std::string& line : lines(result.out)) {
            if (line.starts_with("{\"event\":\"failed\"")) {
                ++failed;
                EXPECT_NE(line.find("\"number\":" + std::to_string(pv::number(
                                                        pv::split::SplitError::FormatNotWritten))),
                          std::string::npos)
                    << line;
            }
        }
        EXPECT_EQ(failed, 2);
        const Result dry = split({"--dry-run", "-f", format, "-o", outArg(), sales});
        EXPECT_EQ(dry.status, 1);
        EXPECT_EQ(dry.err, result.err);
    }
}

class SplitCommandOfficeTest : public SplitCommandTest {
  protected:
    void SetUp() override {
        SplitCommandTest::SetUp();
        unsetenv("PV_SOFFICE");
        if (!pv::test::officeInstalled())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
};

// PDF, ODS and XLS outputs are LibreOffice's: a PDF with pages, the other two in their formats.
TEST_F(SplitCommandOfficeTest, OtherFormatsAreWrittenThroughLibreOffice) {
    writeShownWorkbook(in / "shown.xlsx");
    const std::string sales = (in / "Sales.2020.xlsx").string();
    const Result pdf =
        split({"-q", "-f", "pdf", "-o", outArg(), sales, (in / "shown.xlsx").string()});
    EXPECT_EQ(pdf.status, 0) << pdf.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"North.pdf", "South.pdf", "Shown.pdf"}));
    static const std::regex page("/Type\\s*/Page[^s]");
    for (const std::string name : {"North.pdf", "South.pdf", "Shown.pdf"}) {
        const std::string bytes = fileText(out / name);
        EXPECT_TRUE(bytes.starts_with("%PDF-")) << name;
        const auto pages = std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page),
                                         std::sregex_iterator());
        EXPECT_GT(pages, 0) << name;
    }
    for (const auto& entry : fs::directory_iterator(out.path()))
        fs::remove(entry.path());
    const Result ods = split({"-q", "-f", "ods", "-o", outArg(), sales});
    const Result xls = split({"-q", "-f", "xls", "-o", outArg(), sales});
    EXPECT_EQ(ods.status, 0) << ods.err;
    EXPECT_EQ(xls.status, 0) << xls.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"North.ods", "South.ods", "North.xls", "South.xls"}));
    EXPECT_NE(fileText(out / "North.ods").find("application/vnd.oasis.opendocument.spreadsheet"),
              std::string::npos);
    EXPECT_TRUE(fileText(out / "North.xls").starts_with("\xD0\xCF\x11\xE0"));
}

TEST_F(SplitCommandTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"-o"},
        {"--naming", "cell:ZZZZ1", "a.xlsx"},
        {"--naming", "a2", "a.xlsx"},
        {"--jobs", "0", "a.xlsx"},
        {"--json=yes", "a.xlsx"},
        {"--frobnicate", "a.xlsx"},
        {"-0", "a.xlsx"},
        {"--files-from"},
    };
    for (const auto& args : cases) {
        const Result result = split(args);
        EXPECT_EQ(result.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(result.err.find("Usage: pellavine-split"), std::string::npos);
    }
    const Result missing = split({"-o", (in / "nope").string(), (in / "Sales.2020.xlsx").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "Folder does not exist. Please select another folder.\n");
    EXPECT_TRUE(fileNames(out.path()).empty());
}

// A folder argument takes the files "Add All Excel Files In Folder" takes: lock files ("~...")
// and hidden writable files stay out, a hidden read-only workbook goes in.
TEST_F(SplitCommandTest, AFolderTakesTheFilesTheWindowsFolderCommandTakes) {
    pv::test::TempDir folder;
    pv::test::writeWorkbooks({
        {folder / ".x.xlsx", {{"HiddenReadOnly", {{"B2", "r"}}}}},
        {folder / ".w.xlsx", {{"HiddenWritable", {{"B2", "w"}}}}},
        {folder / "~$lock.xlsx", {{"Lock", {{"B2", "l"}}}}},
    });
    fs::permissions(folder / ".x.xlsx", fs::perms::owner_write, fs::perm_options::remove);
    const Result result = split({"-q", "-o", outArg(), "-n", "sheet", folder.path().string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"HiddenReadOnly.xlsx"}));
}

TEST_F(SplitCommandTest, AFolderWithoutWorkbooksAddsNoFiles) {
    const Result result = split({"-o", outArg(), "--ext", "xlsm", in.path().string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "No files added.\n");
}

TEST_F(SplitCommandTest, PlainOutputListsEachFileNotesEachSkippedSheetAndEndsWithDone) {
    const std::string source = (in / "Sales.2020.xlsx").string();
    const Result result = split({"-o", outArg(), source});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, outArg() + "/North.xlsx\n" + outArg() + "/South.xlsx\n");
    EXPECT_EQ(result.err, "pellavine-split: note: sheet \"Notes\" of " + source +
                              " was not saved: nothing lies beyond its cell A1\nDone.\n");
    EXPECT_EQ(split({"-q", "-o", outArg(), source}).err, "")
        << "quiet says nothing of skipped sheets";
    EXPECT_EQ(split({"--help"}).status, 0);
}

}  // namespace

// The disk, except for the folders a test makes refuse listing, as they would for a user without
// access (tests run as root, which may list every folder).
class RefusingReader : public pv::DiskFolderReader {
  public:
    std::set<std::string> refused;      // folders (without a trailing "/") denied to the user
    std::set<std::string> throwsOther;  // folders whose listing throws something else
    std::vector<SubFolder> subFolders(const QString& path) const override {
        const std::string folder = path.chopped(path.endsWith(u'/') ? 1 : 0).toStdString();
        if (refused.count(folder))
            throw pv::PosixError(EACCES, "Cannot list the folder", path);
        if (throwsOther.count(folder))
            throw std::length_error("listing too long");
        return DiskFolderReader::subFolders(path);
    }
};

Result split(const std::vector<std::string>& args, const pv::FolderReader& folders) {
    std::ostringstream out, err;
    const int status = pv::cli::run(args, out, err, folders);
    return {status, out.str(), withoutRunningHostWarning(err.str())};
}

TEST_F(SplitCommandTest, AFolderInputThatCannotBeListedIsToldAndTheOtherInputsGoOn) {
    RefusingReader reader;
    const std::string denied = (in / "sub").string();
    reader.refused = {denied};
    const std::string workbook = (in / "Sales.2020.xlsx").string();
    const Result result = split({"-q", "-o", outArg(), denied, workbook}, reader);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "pellavine-split: folder " + denied +
                              " was not searched for workbooks: Cannot list the folder " + denied +
                              "/: Permission denied\n");
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "South.xlsx"}));

    const Result alone = split({"-o", outArg(), denied}, reader);
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(lines(alone.err),
              (std::vector<std::string>{"pellavine-split: folder " + denied +
                                            " was not searched for workbooks: Cannot list the "
                                            "folder " +
                                            denied + "/: Permission denied",
                                        "No files added."}));
}

// Each folder of the tree that cannot be read is told (also as a JSON line); the rest of the
// tree is still split.
TEST_F(SplitCommandTest, EveryUnreadableFolderOfATreeIsToldAndTheRestIsSplit) {
    fs::create_directories(in / "other");
    RefusingReader reader;
    const std::string deeper = (in / "sub" / "deeper").string();
    const std::string other = (in / "other").string();
    reader.refused = {deeper};
    reader.throwsOther = {other};
    const Result result =
        split({"--json", "-o", outArg(), "-n", "sheet", in.path().string()}, reader);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("pellavine-split: folder " + deeper +
                              " was not searched for workbooks: Cannot list the folder " + deeper +
                              "/: Permission denied\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("pellavine-split: folder " + other +
                              " was not searched for workbooks: listing too long\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "South.xlsx"}));
    EXPECT_NE(result.out.find("{\"event\":\"failed\",\"folder\":\"" + deeper + "\",\"number\":" +
                              std::to_string(pv::number(pv::FolderError::PermissionDenied))),
              std::string::npos)
        << result.out;
}
