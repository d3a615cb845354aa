// Workbooks in formats our engine does not read or write, through LibreOffice. The cases that
// need soffice are skipped where it is not installed; the others run everywhere.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QByteArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>

#include "core/Error.h"
#include "host/HostErrors.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipErrors.h"
#include "office/LegacyFormats.h"
#include "office/LegacyHost.h"
#include "office/OfficeConverter.h"
#include "office/OfficeErrors.h"
#include "split/OutputNaming.h"
#include "split/SplitRun.h"
#include "split/TestWorkbooks.h"
#include "support/DiskFaults.h"
#include "support/OfficeFixture.h"
#include "support/OutputCheck.h"
#include "support/RecordingObserver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using pv::office::LegacyHost;
using pv::office::OfficeSettings;
using pv::test::isCompoundFile;

fs::path corpus(const std::string& name) {
    return pv::test::corpusDir() / "calamine" / name;
}

std::unique_ptr<LegacyHost> hostWith(OfficeSettings settings) {
    return std::make_unique<LegacyHost>(pv::host::createEngineHost(), std::move(settings));
}

OfficeSettings installedOffice() {
    return pv::office::officeSettingsFromEnvironment();
}

// TMPDIR pointed at a folder of the test's own, so that it can tell what was left behind.
class PrivateTemp {
  public:
    std::vector<fs::path> leftovers() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            found.push_back(entry.path());
        }
        return found;
    }

  private:
    pv::test::TempDir dir_;
    pv::test::TmpdirAt at_{dir_.path()};
};

fs::path writeScript(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Alive and not a zombie waiting for its parent to collect it.
bool isRunning(const std::string& pid) {
    const std::string stat = readFile("/proc/" + pid + "/stat");
    const auto afterName = stat.rfind(')');
    return afterName != std::string::npos && afterName + 2 < stat.size() &&
           stat[afterName + 2] != 'Z' && stat[afterName + 2] != 'X';
}

// --- Without LibreOffice -------------------------------------------------------------------

class WithoutOffice : public ::testing::TestWithParam<std::string> {};

TEST_P(WithoutOffice, EachLegacyWorkbookGetsOneClearErrorNamingIt) {
    pv::test::TempDir dir;
    const fs::path workbook = dir / ("Budget 2020" + GetParam());
    fs::copy_file(corpus("any_sheets.xls"), workbook);
    auto host = hostWith({.soffice = dir / "no-soffice-here"});
    host->prepare({workbook});
    try {
        host->open(workbook);
        FAIL() << "opened without LibreOffice";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::OfficeMissing));
        EXPECT_EQ(e.description(), workbook.string() + ": opening " + GetParam() +
                                       " workbooks needs LibreOffice (soffice) installed");
    }
    EXPECT_FALSE(host->canWrite(workbook, GetParam()));
    EXPECT_FALSE(host->canWrite(workbook, ".xlsx"));
}

INSTANTIATE_TEST_SUITE_P(Formats, WithoutOffice, ::testing::Values(".xls", ".xlsb", ".ods", ".xlt"),
                         [](const auto& info) { return info.param.substr(1); });

TEST(LegacyHostWithoutOffice, OfficeOpenXmlWorkbooksWorkAsBefore) {
    pv::test::TempDir dir;
    auto host = hostWith({.soffice = {}});
    const fs::path source = corpus("any_sheets.xlsx");
    EXPECT_TRUE(host->canWrite(source, ".xlsx"));
    EXPECT_FALSE(host->canWrite(source, ".xls"));  // the run falls back to the source's format
    auto book = host->open(source);
    ASSERT_FALSE(book->sheets().empty());
    EXPECT_EQ(book->path(), source);
    book->saveSheetAs(0, dir / "Visible.xlsx");
    EXPECT_TRUE(fs::is_regular_file(dir / "Visible.xlsx"));
    EXPECT_THROW(book->saveSheetAs(0, dir / "no_value.xls"), pv::Error);
    EXPECT_FALSE(fs::exists(dir / "no_value.xls"));
}

TEST(LegacyHostWithoutOffice, AFileOfNoWorkbookFormatIsToldEveryFormatTheRunReads) {
    pv::test::TempDir dir;
    const fs::path notes = dir / "notes.txt";
    std::ofstream(notes) << "text";
    for (const OfficeSettings& office : {OfficeSettings{.soffice = {}}, installedOffice()}) {
        auto host = hostWith(office);
        try {
            host->open(notes);
            FAIL() << "opened a text file";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::host::HostError::UnsupportedFormat));
            EXPECT_EQ(e.description(), notes.string() +
                                           ": not a workbook format this program reads (it reads "
                                           ".xlsx, .xlsm, .xltx, .xltm, .xls, .xlt, .ods and .xlsb "
                                           "workbooks)");
        }
    }
}

// --- A conversion that fails -----------------------------------------------------------------

TEST(LegacyHostFaults, AStuckConversionIsKilledInTimeAndLeavesNothingBehind) {
    pv::test::TempDir dir;
    PrivateTemp temp;
    const fs::path pidFile = dir / "pid";
    // Like soffice, a wrapper whose child does the work; both must go.
    const fs::path stuck =
        writeScript(dir / "soffice", "sleep 300 & echo $! > '" + pidFile.string() + "'\nwait");
    const fs::path workbook = dir / "a.xls";
    fs::copy_file(corpus("date.xls"), workbook);
    {
        auto host = hostWith({.soffice = stuck,
                              .baseTimeout = std::chrono::milliseconds(1500),
                              .perFileTimeout = std::chrono::milliseconds(0)});
        const auto started = std::chrono::steady_clock::now();
        try {
            host->open(workbook);
            FAIL() << "a stuck conversion opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::ConversionTimedOut));
            EXPECT_NE(e.description().find(workbook.string()), std::string::npos);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    }
    const std::string pid = readFile(pidFile);
    ASSERT_FALSE(pid.empty());
    EXPECT_FALSE(isRunning(pid.substr(0, pid.find('\n'))))
        << "the conversion's child process outlived the time limit";
    EXPECT_TRUE(temp.leftovers().empty());
}

TEST(LegacyHostFaults, AKilledRunTakesLibreOfficeWithItAndItsFoldersGoAtTheNextStart) {
    pv::test::TempDir dir;
    PrivateTemp temp;
    const fs::path tmp = qgetenv("TMPDIR").toStdString();
    const fs::path pidFile = dir / "pid";
    const fs::path stuck =
        writeScript(dir / "soffice", "sleep 300 & echo $! > '" + pidFile.string() + "'\nwait");
    const fs::path workbook = dir / "a.xls";
    fs::copy_file(corpus("date.xls"), workbook);
    fs::create_directory(dir / "out");
    // A folder left by a run that is gone, and one of a run still alive (this one).
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const fs::path stale = tmp / ("pellavine-legacy-" + std::to_string(gone) + "-ab");
    const fs::path alive = tmp / ("pellavine-sheets-" + std::to_string(::getpid()) + "-cd");
    fs::create_directories(stale / "in");
    fs::create_directories(alive);

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PV_SOFFICE", QString::fromStdString(stuck.string()));
    environment.insert("TMPDIR", QString::fromStdString(tmp.string()));
    run.setProcessEnvironment(environment);
    run.start(QString::fromStdString((pv::test::binDir() / "pellavine-split").string()),
              {"-o", QString::fromStdString((dir / "out").string()),
               QString::fromStdString(workbook.string())});
    ASSERT_TRUE(run.waitForStarted());
    for (int i = 0; i < 200 && readFile(pidFile).empty(); ++i) {
        QThread::msleep(50);
    }
    const std::string pid = readFile(pidFile);
    ASSERT_FALSE(pid.empty()) << "the conversion never started";
    const qint64 killed = run.processId();
    ::kill(static_cast<pid_t>(killed), SIGKILL);
    run.waitForFinished();
    const std::string converter = pid.substr(0, pid.find('\n'));
    for (int i = 0; i < 100 && isRunning(converter); ++i) {
        QThread::msleep(50);
    }
    EXPECT_FALSE(isRunning(converter)) << "LibreOffice outlived the run that started it";
    EXPECT_FALSE(fs::exists(stale)) << "the folder of a gone run was kept";
    EXPECT_TRUE(fs::exists(alive)) << "the folder of a live run was removed";
    // The killed run's own folders go when the next run makes one.
    const std::string killedPrefix = "pellavine-office-" + std::to_string(killed) + "-";
    const auto leftBy = [&] {
        int found = 0;
        for (const auto& entry : fs::directory_iterator(tmp)) {
            found += entry.path().filename().string().starts_with(killedPrefix) ? 1 : 0;
        }
        return found;
    };
    EXPECT_EQ(leftBy(), 1);
    const auto next = pv::office::privateTemporaryFolder("office");
    ASSERT_TRUE(next->isValid());
    EXPECT_EQ(leftBy(), 0);
}

TEST(LegacyHostFaults, AConversionThatWritesNothingIsReportedWithTheFileName) {
    pv::test::TempDir dir;
    const fs::path silent =
        writeScript(dir / "soffice", "echo 'Error: source file could not be loaded'");
    const fs::path workbook = dir / "broken.ods";
    fs::copy_file(corpus("issue127.ods"), workbook);
    const std::string original = readFile(workbook);
    auto host = hostWith({.soffice = silent});
    try {
        host->open(workbook);
        FAIL() << "opened a workbook that was never converted";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::ConversionFailed));
        EXPECT_NE(e.description().find(workbook.string()), std::string::npos);
        EXPECT_NE(e.description().find("source file could not be loaded"), std::string::npos);
    }
    EXPECT_EQ(readFile(workbook), original);
}

TEST(LegacyHostFaults, FilesThatAreNotWorkbooksOfTheirFormatAreRefusedWithoutAConversion) {
    pv::test::TempDir dir;
    const fs::path started = dir / "started";
    const fs::path recording = writeScript(dir / "soffice", "touch '" + started.string() + "'");
    const std::string realXls = readFile(corpus("any_sheets.xls"));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.xls", ""},
        {"random.xls", std::string("\x13\x97\xFE\x00garbage\x01\x02", 14)},
        {"table.xls", "name,amount\nNorth,12\nSouth,7\n"},
        {"truncated.xls", realXls.substr(0, 600)},
        {"template.xlt", "name,amount\n"},
        {"text.xlsb", "not a workbook"},
        {"package.xlsb", readFile(corpus("any_sheets.xlsx"))},
        {"package.ods", readFile(corpus("any_sheets.xlsx"))},
    };
    auto host = hostWith({.soffice = recording});
    std::vector<fs::path> paths;
    for (const auto& [name, bytes] : files) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        paths.push_back(dir / name);
    }
    host->prepare(paths);
    for (const auto& path : paths) {
        SCOPED_TRACE(path.filename().string());
        try {
            host->open(path);
            ADD_FAILURE() << "opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::NotAWorkbook))
                << e.description();
            EXPECT_NE(e.description().find(path.string()), std::string::npos);
        }
    }
    EXPECT_FALSE(fs::exists(started)) << "LibreOffice was started for a file that is no workbook";
    for (const char* real : {"any_sheets.xls", "issue_186.xlsb", "issue127.ods"}) {
        EXPECT_NO_THROW(pv::office::legacy::refuseIfNotWorkbook(corpus(real),
                                                                pv::host::lowercaseExtension(real)))
            << real;
    }
}

// Python's zip writer keeps an entry name given twice, as some others do.
TEST(LegacyHostFaults, ALegacyPackageWithAnEntryNameGivenTwiceIsToldSoWithoutAConversion) {
    pv::test::TempDir dir;
    const fs::path started = dir / "started";
    auto host =
        hostWith({.soffice = writeScript(dir / "soffice", "touch '" + started.string() + "'")});
    for (const auto& [source, entry] : {std::pair{"issue127.ods", "content.xml"},
                                        std::pair{"any_sheets.xlsb", "xl/styles.bin"}}) {
        SCOPED_TRACE(source);
        const fs::path twice = dir / ("twice" + fs::path(source).extension().string());
        ASSERT_EQ(
            pv::test::runCommand(
                pv::test::python() + " -c " +
                pv::test::shellQuote(
                    "import sys, warnings, zipfile\n"
                    "warnings.simplefilter('ignore')\n"
                    "source = zipfile.ZipFile(sys.argv[1])\n"
                    "with zipfile.ZipFile(sys.argv[2], 'w') as out:\n"
                    "    for info in source.infolist():\n"
                    "        for _ in range(2 if info.filename == sys.argv[3] else 1):\n"
                    "            out.writestr(zipfile.ZipInfo(info.filename, info.date_time),\n"
                    "                         source.read(info.filename), info.compress_type)\n") +
                " " + pv::test::shellQuote(corpus(source).string()) + " " +
                pv::test::shellQuote(twice.string()) + " " + entry),
            0);
        try {
            host->open(twice);
            ADD_FAILURE() << "opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::host::ZipError::UnsafeEntry)) << e.description();
            EXPECT_EQ(e.description(), twice.string() + ": " + entry + ": duplicate entry name");
        }
    }
    EXPECT_FALSE(fs::exists(started));
}

TEST(LegacyHostFaults, LibreOfficeRunsWithBoundedMemory) {
    EXPECT_GE(pv::office::defaultOfficeMemoryLimit(), 2ULL << 30);
    EXPECT_LE(pv::office::defaultOfficeMemoryLimit(), 8ULL << 30);
    pv::test::TempDir dir;
    // Reports the data size limit it runs under, in KiB, and converts nothing.
    const fs::path reporting =
        writeScript(dir / "soffice", "ulimit -d > '" + (dir / "limit").string() + "'");
    const fs::path workbook = dir / "a.xls";
    fs::copy_file(corpus("date.xls"), workbook);
    auto host = hostWith({.soffice = reporting, .memoryLimit = 3ULL << 30});
    EXPECT_THROW(host->open(workbook), pv::Error);
    EXPECT_EQ(readFile(dir / "limit"), std::to_string((3ULL << 30) / 1024) + "\n");
}

// --- With LibreOffice ------------------------------------------------------------------------

class LegacyHostWithOffice : public pv::test::WithOffice {};

// Every sheet of every file as LibreOffice shows it in CSV, by "<stem>-<sheet name>": values in
// their plain form, or `asShown` (formatted as the sheet shows them).
std::map<std::string, std::string> sheetsAsCsv(const std::vector<fs::path>& files,
                                               const fs::path& folder, bool asShown = false) {
    pv::office::OfficeConverter converter(installedOffice());
    fs::create_directories(folder);
    converter.convert(files, ".csv",
                      std::string("Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,") +
                          (asShown ? "true" : "false") + ",false,false,-1",
                      folder);
    std::map<std::string, std::string> csv;
    for (const auto& entry : fs::directory_iterator(folder)) {
        csv[entry.path().stem().string()] = readFile(entry.path());
    }
    return csv;
}

struct Split {
    fs::path source;  // a private copy named "src<n>.<ext>"
    std::string sheet;
    fs::path output;
};

TEST_F(LegacyHostWithOffice, SheetsOfLegacyWorkbooksMatchTheirSourcesThroughLibreOffice) {
    pv::test::TempDir dir;
    PrivateTemp temp;
    // name -> the extension its outputs get (LibreOffice writes no .xlsb). Not issue_182.xlsb:
    // LibreOffice shows its boolean formula as 0 but writes it to .xlsx as FALSE by itself.
    const std::vector<std::pair<std::string, std::string>> books = {
        {"any_sheets.xls", ".xls"}, {"merge_cells.xls", ".xls"},   {"date.xls", ".xls"},
        {"any_sheets.ods", ".ods"}, {"special_cells.ods", ".ods"}, {"any_sheets.xlsb", ".xlsx"}};
    std::vector<fs::path> sources;
    for (std::size_t i = 0; i < books.size(); ++i) {
        sources.push_back(
            dir / ("src" + std::to_string(i + 1) + fs::path(books[i].first).extension().string()));
        fs::copy_file(corpus(books[i].first), sources.back());
    }
    const fs::path out = dir / "out";
    fs::create_directories(out);
    std::vector<Split> splits;
    {
        auto host = hostWith(installedOffice());
        host->prepare(sources);
        for (std::size_t i = 0; i < sources.size(); ++i) {
            SCOPED_TRACE(books[i].first);
            ASSERT_TRUE(host->canWrite(sources[i], books[i].second));
            const int startsBeforeOpen = host->office().starts();
            auto book = host->open(sources[i]);
            EXPECT_EQ(host->office().starts() - startsBeforeOpen, i == 0 ? 1 : 0)
                << "the run's workbooks convert in one start";
            const int startsBefore = host->office().starts();
            for (std::size_t s = 0; s < book->sheets().size(); ++s) {
                if (book->sheets()[s].kind != pv::host::SheetKind::Worksheet) {
                    continue;
                }
                const auto range = book->usedRange(s);
                if (range.lastRow <= 1 && range.lastColumn <= 1) {
                    continue;
                }
                const fs::path output =
                    out / ("out" + std::to_string(splits.size() + 1) + books[i].second);
                book->saveSheetAs(s, output);
                splits.push_back({sources[i], book->sheets()[s].name, output});
            }
            EXPECT_LE(host->office().starts() - startsBefore, 1)
                << "a workbook's sheets convert in one start";
        }
        EXPECT_EQ(host->office().starts(), 3)
            << "one start for the sources, one for the .xls outputs, one for the .ods outputs";
    }
    ASSERT_GE(splits.size(), books.size());
    for (const auto& split : splits) {
        if (split.output.extension() == ".xls") {
            EXPECT_TRUE(isCompoundFile(split.output)) << split.output << " is no real .xls";
        }
    }
    std::set<fs::path> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.insert(entry.path());
    }
    EXPECT_EQ(written.size(), splits.size()) << "a temporary file was left in the output folder";

    std::vector<fs::path> everything = sources;
    for (const auto& split : splits) {
        everything.push_back(split.output);
    }
    // Stored values, and what a user sees.
    for (const bool asShown : {false, true}) {
        const auto csv = sheetsAsCsv(everything, dir / (asShown ? "shown" : "csv"), asShown);
        for (const auto& split : splits) {
            SCOPED_TRACE(split.output.filename().string() + " from sheet " + split.sheet + " of " +
                         split.source.filename().string() + (asShown ? ", as shown" : ""));
            const auto expected = csv.find(split.source.stem().string() + "-" + split.sheet);
            // The output's one sheet, whatever LibreOffice calls it: its own round trip through
            // .xlsx renames an .ods sheet "sheet1" to "sheet1 -1".
            const auto actual = csv.lower_bound(split.output.stem().string() + "-");
            ASSERT_NE(expected, csv.end());
            ASSERT_TRUE(actual != csv.end() &&
                        actual->first.starts_with(split.output.stem().string() + "-"));
            EXPECT_EQ(actual->second, expected->second);
        }
    }
    EXPECT_TRUE(temp.leftovers().empty()) << "temporary files outlived the host";
}

TEST_F(LegacyHostWithOffice, ASheetTooLargeForXlsIsNotSavedAndNothingIsWritten) {
    pv::test::TempDir dir;
    const fs::path source = dir / "wide.xlsx";
    const std::string script =
        "import openpyxl,sys\n"
        "wb=openpyxl.Workbook();ws=wb.active;ws.title='Fits'\n"
        "ws['A1']='first';ws.cell(row=2,column=256,value='IV2')\n"
        "ws=wb.create_sheet('Wide');ws['A1']='first';ws.cell(row=2,column=257,value='IW2')\n"
        "wb.save(sys.argv[1])\n";
    std::ofstream(dir / "make.py") << script;
    ASSERT_EQ(pv::test::runCommand(pv::test::python() + " " +
                                   pv::test::shellQuote((dir / "make.py").string()) + " " +
                                   pv::test::shellQuote(source.string())),
              0);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    auto host = hostWith(installedOffice());
    auto book = host->open(source);

    book->saveSheetAs(0, out / "no_value.xls");
    EXPECT_TRUE(isCompoundFile(out / "no_value.xls"));

    try {
        book->saveSheetAs(1, out / "Wide.xls");
        FAIL() << "a sheet of 257 columns went into an .xls workbook";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::SheetDoesNotFitOutput));
        EXPECT_NE(e.description().find("257 columns"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find((out / "Wide.xls").string()), std::string::npos);
    }
    EXPECT_EQ(pv::test::fileNames(out), (std::set<std::string>{"no_value.xls"}))
        << "a sheet too large for .xls was written somewhere";
}

// A split run through LibreOffice, as the window (one job) or the command line runs it.
struct LegacyRun {
    pv::split::RunOutcome run(const std::vector<std::string>& rows, const fs::path& out,
                              std::size_t namingOption, int jobs) {
        pv::split::SplitRun split(
            {rows, out.string(), std::string(pv::split::kNamingOptionTexts[namingOption]), jobs},
            {*host, dialogs, observer, {}});
        return split.run();
    }

    std::unique_ptr<LegacyHost> host = hostWith(installedOffice());
    pv::test::ScriptedDialogs dialogs;
    pv::test::RecordingObserver observer;
};

// LibreOffice that writes its outputs one by one, `pause` seconds before each, as the real one
// does: each appears whole (written aside, then renamed). A source becomes `workbook`; a sheet
// bound for another format is its input, copied.
fs::path writeFakeConverter(const fs::path& dir, const fs::path& workbook,
                            const std::string& pause = "0") {
    return writeScript(dir / "soffice",
                       "target=; outdir=; next=\n"
                       "for a in \"$@\"; do\n"
                       "  case \"$next\" in to) target=${a%%:*}; next=; continue;;\n"
                       "    out) outdir=$a; next=; continue;; esac\n"
                       "  case \"$a\" in --convert-to) next=to;; --outdir) next=out;; -*) ;;\n"
                       "  *) stem=$(basename \"$a\"); stem=${stem%.*}; sleep " +
                           pause +
                           "\n"
                           "     if [ \"$target\" = xlsx ]; then from=" +
                           pv::test::shellQuote(workbook.string()) +
                           "; else from=$a; fi\n"
                           "     cp \"$from\" \"$outdir/$stem.part\" &&\n"
                           "     mv \"$outdir/$stem.part\" \"$outdir/$stem.$target\";;\n"
                           "  esac\n"
                           "done");
}

// A workbook of one content sheet "Data", what the fake converter makes of every source.
fs::path writeConvertedWorkbook(const fs::path& dir) {
    const fs::path converted = dir / "converted.xlsx";
    pv::test::writeWorkbooks({{converted, {{"Data", {{"A1", "x"}, {"B2", "1"}}}}}});
    return converted;
}

// While LibreOffice converts the run's workbooks in one start (the sources as the first one
// opens, the outputs as its first sheet is saved), the bar and its text follow the workbook in
// work, and come back to the row the run is at when the batch is done.
TEST(LegacyHostProgress, TheBarFollowsTheWorkbooksOfEachBatch) {
    pv::test::TempDir dir;
    PrivateTemp temp;
    const fs::path converted = writeConvertedWorkbook(dir.path());
    std::vector<std::string> rows;
    for (const char* name : {"legacy1.xls", "legacy2.xls", "legacy3.xls", "legacy4.xls"}) {
        fs::copy_file(corpus("any_sheets.xls"), dir / name);
        rows.push_back(dir / name);
    }
    fs::create_directories(dir / "out");
    LegacyRun run;
    run.host = hostWith({.soffice = writeFakeConverter(dir.path(), converted, "0.4")});
    run.host->prepare({rows.begin(), rows.end()});
    const auto outcome = run.run(rows, dir / "out", 1, 1);
    EXPECT_EQ(outcome.saved, 4);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(run.host->office().starts(), 2);

    // Value and text always change together; repeats say nothing new.
    const auto& observer = run.observer;
    ASSERT_EQ(observer.values.size(), observer.texts.size());
    std::vector<std::pair<double, std::string>> shown;
    for (std::size_t i = 0; i < observer.values.size(); ++i) {
        const std::pair<double, std::string> now{observer.values[i], observer.texts[i]};
        if (shown.empty() || shown.back() != now) {
            shown.push_back(now);
        }
    }
    const std::vector<std::pair<double, std::string>> sweep = {{25, "Processing: legacy1.xls"},
                                                               {50, "Processing: legacy2.xls"},
                                                               {75, "Processing: legacy3.xls"},
                                                               {100, "Processing: legacy4.xls"}};
    std::vector<std::pair<double, std::string>> expected;
    for (int batch = 0; batch < 2; ++batch) {  // the sources, then the outputs
        expected.insert(expected.end(), sweep.begin(), sweep.end());
    }
    expected.insert(expected.end(), sweep.begin(), sweep.end());  // the rows themselves
    expected.push_back({0, "Progress Bar"});
    EXPECT_EQ(shown, expected);
}

// --- Full disks: a file system of 16 KiB, mounted for the test (tests run as root) ---------

void expectError(const std::function<void()>& call, pv::office::OfficeError number,
                 const std::vector<std::string>& named) {
    try {
        call();
        ADD_FAILURE() << "no failure";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(number)) << e.description();
        for (const auto& text : named) {
            EXPECT_NE(e.description().find(text), std::string::npos)
                << "\"" << text << "\" not in: " << e.description();
        }
    }
}

TEST(LegacyHostFullDisk, AFullTemporaryFolderIsToldAsSuchNotAsAnUnreadableSource) {
    pv::test::SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "no file system could be mounted for the test";
    }
    pv::test::TempDir dir;
    const fs::path converter = writeFakeConverter(dir.path(), writeConvertedWorkbook(dir.path()));
    fs::copy_file(corpus("any_sheets.xls"), dir / "large.xls");  // 38 KiB: its copy never fits
    fs::copy_file(corpus("date.xls"), dir / "small.xls");        // its copy fits, no conversion
    const std::string folder = disk.path().string();
    using pv::office::OfficeError;
    {
        disk.fill("filler", 8);
        pv::test::TmpdirAt temp(disk.path());
        auto host = hostWith({.soffice = converter});
        for (const char* name : {"large.xls", "small.xls"}) {
            SCOPED_TRACE(name);
            expectError([&] { host->open(dir / name); }, OfficeError::TemporaryFolderFull,
                        {(dir / name).string(), "the temporary folder " + folder + " is full"});
        }
    }
    // Converted while there was room; the sheet bound for .xls has none to be prepared in.
    auto host = hostWith({.soffice = converter});
    const auto book = host->open(dir / "small.xls");
    disk.fill("more");
    pv::test::TmpdirAt temp(disk.path());
    expectError([&] { book->saveSheetAs(0, dir / "out.xls"); }, OfficeError::TemporaryFolderFull,
                {(dir / "out.xls").string(), "sheet \"Data\" of " + (dir / "small.xls").string(),
                 "the temporary folder " + folder + " is full"});
    EXPECT_FALSE(fs::exists(dir / "out.xls"));
}

// The run into a full output folder: each sheet is told as not saved for want of room, under
// the name the user would have found it by, and no cut-off file is left there.
TEST(LegacyHostFullDisk, AFullOutputFolderIsToldNamingTheOutputAndTheSheetAndHoldsNoFile) {
    pv::test::SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "no file system could be mounted for the test";
    }
    pv::test::TempDir dir;
    PrivateTemp temp;
    fs::copy_file(corpus("date.xls"), dir / "small.xls");
    const std::vector<std::string> rows = {dir / "small.xls"};
    disk.fill("filler");
    LegacyRun run;
    run.host =
        hostWith({.soffice = writeFakeConverter(dir.path(), writeConvertedWorkbook(dir.path()))});
    run.host->prepare({rows.begin(), rows.end()});
    const auto outcome = run.run(rows, disk.path(), 1, 1);
    EXPECT_EQ(outcome.saved, 0);
    ASSERT_EQ(run.observer.failed.size(), 1u);
    const auto& failure = run.observer.failed[0];
    EXPECT_EQ(failure.number, pv::number(pv::office::OfficeError::OutputDiskFull));
    for (const std::string& text :
         {(disk.path() / "small Data.xls").string(), "sheet \"Data\" of " + rows[0],
          std::string("the disk is full")}) {
        EXPECT_NE(failure.description.find(text), std::string::npos)
            << "\"" << text << "\" not in: " << failure.description;
    }
    EXPECT_EQ(pv::test::fileNames(disk.path()), (std::set<std::string>{"filler"}));
}

// The window's run: a sheet saved whole in another format still shows its report box, and
// counts as saved, not as a failure.
TEST_F(LegacyHostWithOffice, ASheetSavedInAnotherFormatIsReportedAsSaved) {
    pv::test::TempDir dir;
    pv::test::writeWorkbooks({{dir / "wide.xlsx", {{"Wide", {{"IW2", "IW2"}}}}}});
    fs::copy_file(corpus("any_sheets.xlsb"), dir / "any.xlsb");
    const std::vector<std::string> rows = {dir / "wide.xlsx", dir / "any.xlsb"};
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        const fs::path out = dir / ("out" + std::to_string(jobs));
        fs::create_directories(out);
        LegacyRun run;
        run.host->prepare({rows.begin(), rows.end()});
        const auto outcome = run.run(rows, out, 2, jobs);
        const auto& [host, dialogs, observer] = run;
        EXPECT_EQ(outcome.failures, 0);
        EXPECT_EQ(outcome.saved, 2);
        EXPECT_TRUE(observer.failed.empty());
        std::map<std::string, std::string> notes;  // file written -> its note
        for (const auto& saved : observer.saved) {
            notes[fs::path(saved.path).filename().string()] = saved.note;
        }
        EXPECT_NE(notes["no_value.xlsx"].find("instead of " + (out / "no_value.xls").string() +
                                              ", in its source's format (.xlsx)"),
                  std::string::npos)
            << notes["no_value.xlsx"];
        EXPECT_NE(notes["1.xlsx"].find("so the sheet was saved in the default format (.xlsx)"),
                  std::string::npos)
            << notes["1.xlsx"];
        const auto reports = dialogs.errorReports();
        ASSERT_EQ(reports.size(), 2u);
        for (const auto& report : reports) {
            EXPECT_NE(report.find("PushButton2_Click at line 136"), std::string::npos) << report;
            const bool known = report.starts_with(notes["no_value.xlsx"] + "\r\n") ||
                               report.starts_with(notes["1.xlsx"] + "\r\n");
            EXPECT_TRUE(known) << report;
        }
        EXPECT_EQ(dialogs.messages().back(), "Done.");
        EXPECT_EQ(pv::test::fileNames(out), (std::set<std::string>{"no_value.xlsx", "1.xlsx"}));
    }
}

// Naming by a chosen cell: the prompt over each legacy format is given the cells of its first
// content sheet as the run's host reads it, and the outputs are named from the cell chosen there.
TEST_F(LegacyHostWithOffice, TheRangePromptIsGivenTheCellsOfEveryLegacyFormat) {
    pv::test::TempDir dir;
    std::vector<std::string> rows;
    for (const std::string extension : {".xls", ".xlsb", ".ods"}) {
        rows.push_back(dir / ("any" + extension));
        fs::copy_file(corpus("any_sheets" + extension), rows.back());
    }
    const fs::path out = dir / "out";
    fs::create_directories(out);
    LegacyRun run;
    run.host->prepare({rows.begin(), rows.end()});
    run.dialogs.readRangeCells(3, 3);
    run.dialogs.answerRange(std::nullopt);  // asked again over the next workbook
    run.dialogs.answerRange(std::nullopt);
    run.dialogs.answerRange("$B$3");
    const auto outcome = run.run(rows, out, 3, 1);
    EXPECT_EQ(outcome.failures, 0);
    const pv::CellTexts visible = {{"1", "2"}, {"3", "4"}, {"5", "6"}};
    EXPECT_EQ(run.dialogs.rangeCells(), std::vector<pv::CellTexts>(3, visible));
    ASSERT_EQ(run.observer.saved.size(), 1u);
    EXPECT_EQ(fs::path(run.observer.saved[0].path).stem(), "6");
}

TEST_F(LegacyHostWithOffice, AWorkbookThatBreaksTheSourceBatchGoesAloneAndTheRestTogether) {
    pv::test::TempDir dir;
    const std::vector<fs::path> books = {dir / "a.xls", dir / "poison.xls", dir / "b.xls",
                                         dir / "c.xls"};
    fs::copy_file(corpus("any_sheets.xls"), books[0]);
    // A real workbook (the file is checked before any conversion) carrying the poison after it.
    fs::copy_file(corpus("any_sheets.xls"), books[1]);
    std::ofstream(books[1], std::ios::app) << "poison";
    fs::copy_file(corpus("date.xls"), books[2]);
    fs::copy_file(corpus("merge_cells.xls"), books[3]);
    // LibreOffice that dies on reaching a file holding "poison", as the real one does on some
    // hostile files, after converting the files before it.
    const fs::path dying = dir / "soffice";
    std::ofstream(dying) << "#!/bin/bash\n"
                            "files=(); options=()\n"
                            "for a in \"$@\"; do\n"
                            "  if [ -f \"$a\" ]; then files+=(\"$a\"); else options+=(\"$a\"); fi\n"
                            "done\n"
                            "done_=()\n"
                            "for f in \"${files[@]}\"; do\n"
                            "  if grep -q poison \"$f\"; then\n"
                            "    [ ${#done_[@]} -gt 0 ] && "
                         << pv::test::shellQuote(installedOffice().soffice.string())
                         << " \"${options[@]}\" \"${done_[@]}\" >/dev/null 2>&1\n"
                            "    kill -9 $$\n"
                            "  fi\n"
                            "  done_+=(\"$f\")\n"
                            "done\n"
                            "exec "
                         << pv::test::shellQuote(installedOffice().soffice.string()) << " \"$@\"\n";
    fs::permissions(dying, fs::perms::owner_all);
    PrivateTemp temp;
    {
        auto host = hostWith({.soffice = dying});
        host->prepare(books);
        EXPECT_NO_THROW(host->open(books[0]));
        EXPECT_EQ(host->office().starts(), 1);
        EXPECT_NO_THROW(host->open(books[2]));
        EXPECT_NO_THROW(host->open(books[3]));
        EXPECT_EQ(host->office().starts(), 2) << "the workbooks never reached share one start";
        try {
            host->open(books[1]);
            FAIL() << "the poisoned workbook opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::office::OfficeError::ConversionFailed));
            EXPECT_NE(e.description().find(books[1].string()), std::string::npos);
        }
        EXPECT_EQ(host->office().starts(), 3) << "the poisoned workbook once more, alone";
        EXPECT_THROW(host->open(books[1]), pv::Error);
        EXPECT_EQ(host->office().starts(), 3) << "a known failure is not tried again";
    }
    EXPECT_TRUE(temp.leftovers().empty());
}

TEST_F(LegacyHostWithOffice, WorkbooksKeepTheirOwnNamesThroughLibreOffice) {
    pv::test::TempDir dir;
    // An old single-sheet file: LibreOffice names its sheet after the file.
    const std::vector<fs::path> books = {dir / "a" / "Weekly.xls", dir / "b" / "Weekly.xls",
                                         dir / "c" / "Other.xls"};
    for (const auto& book : books) {
        fs::create_directories(book.parent_path());
    }
    fs::copy_file(corpus("OOM_alloc3.xls"), books[0]);
    fs::copy_file(corpus("any_sheets.xls"), books[1]);
    fs::copy_file(corpus("date.xls"), books[2]);
    auto host = hostWith(installedOffice());
    host->prepare(books);
    auto sheetNames = [&](const fs::path& book) {
        std::vector<std::string> names;
        const auto workbook = host->open(book);
        for (const auto& sheet : workbook->sheets()) {
            names.push_back(sheet.name);
        }
        return names;
    };
    EXPECT_EQ(sheetNames(books[0]), std::vector<std::string>{"Weekly"});
    EXPECT_EQ(host->office().starts(), 1);
    // Its namesake waits for a start of its own, where it cannot replace the first one's output.
    EXPECT_EQ(sheetNames(books[1]).at(0), "Visible");
    EXPECT_EQ(host->office().starts(), 2);
    EXPECT_EQ(sheetNames(books[0]), std::vector<std::string>{"Weekly"});
    EXPECT_EQ(sheetNames(books[2]).at(0), "Sheet1");
    EXPECT_EQ(host->office().starts(), 2);
}

// --- Output batches: one soffice start per output format and run ----------------------------

// Real .xls workbooks in `folder`, one per description (its path gives the stem): written by
// openpyxl, converted by LibreOffice.
std::vector<fs::path> writeXlsWorkbooks(std::vector<pv::test::WorkbookSpec> wanted,
                                        const fs::path& folder) {
    pv::test::TempDir scratch;
    std::vector<fs::path> inputs, books;
    for (auto& description : wanted) {
        books.push_back(folder / description.path.filename().replace_extension(".xls"));
        description.path = scratch / description.path.filename().replace_extension(".xlsx");
        inputs.push_back(description.path);
    }
    pv::test::writeWorkbooks(wanted);
    pv::office::OfficeConverter(installedOffice()).convert(inputs, ".xls", "MS Excel 97", folder);
    for (const auto& book : books) {
        EXPECT_TRUE(isCompoundFile(book)) << book << " was not made";
    }
    return books;
}

// Each output, as LibreOffice shows it in CSV, equals its source sheet. Outputs are named
// "<source stem> <sheet name>.xls".
void expectOutputsMatchSources(const std::vector<fs::path>& sources, const fs::path& out,
                               const fs::path& csvFolder, bool asShown = false) {
    std::vector<fs::path> everything = sources;
    for (const auto& entry : fs::directory_iterator(out)) {
        everything.push_back(entry.path());
        EXPECT_TRUE(isCompoundFile(entry.path())) << entry.path() << " is no real .xls";
    }
    const auto csv = sheetsAsCsv(everything, csvFolder, asShown);
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string stem = entry.path().stem().string();
        SCOPED_TRACE(stem);
        const auto space = stem.find(' ');
        ASSERT_NE(space, std::string::npos);
        const auto expected = csv.find(stem.substr(0, space) + "-" + stem.substr(space + 1));
        const auto actual = csv.lower_bound(stem + "-");
        ASSERT_NE(expected, csv.end());
        ASSERT_TRUE(actual != csv.end() && actual->first.starts_with(stem + "-"));
        EXPECT_EQ(actual->second, expected->second);
    }
}

class LegacyOutputBatches : public pv::test::WithOffice {};

TEST_F(LegacyOutputBatches, ARunOfXlsWorkbooksStartsLibreOfficeOnceForSourcesAndOnceForOutputs) {
    pv::test::TempDir dir;
    fs::create_directories(dir / "in");
    const auto books = writeXlsWorkbooks(
        {{"Alpha",
          {{"Plan", {{"A1", "alpha"}, {"B3", "12"}}},
           {"Empty", {}},
           {"OnlyA1", {{"A1", "x"}}},
           {"Hidden", {{"C2", "h"}}, true}}},
         {"Beta", {{"Plan", {{"A1", "beta"}, {"D5", "34"}}}, {"Notes", {{"A2", "n"}}}}},
         {"Gamma", {{"Sums", {{"A1", "gamma"}, {"B2", "56"}}}}}},
        dir / "in");
    // A listed workbook that is gone by the time the run reaches it: no batch can take its
    // sheets, and the run reports it once.
    const fs::path gone = dir / "in" / "Gone.xls";
    const std::vector<std::string> rows = {books[0], gone, books[1], books[2]};
    const std::set<std::string> expected = {"Alpha Plan.xls", "Alpha Hidden.xls", "Beta Plan.xls",
                                            "Beta Notes.xls", "Gamma Sums.xls"};
    // One job, as the window runs; two, as the command line does on this machine.
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        PrivateTemp temp;
        const fs::path out = dir / ("out" + std::to_string(jobs));
        fs::create_directories(out);
        fs::copy_file(books[1], gone, fs::copy_options::overwrite_existing);
        {
            LegacyRun run;
            run.host->prepare({rows.begin(), rows.end()});
            fs::remove(gone);
            const auto outcome = run.run(rows, out, 1, jobs);
            const auto& [host, dialogs, observer] = run;
            EXPECT_EQ(host->office().starts(), 2);
            EXPECT_EQ(outcome.saved, 5);
            ASSERT_EQ(observer.failed.size(), 1u);
            EXPECT_EQ(observer.failed[0].source, gone.string());
            EXPECT_EQ(observer.failed[0].line, 122);
            EXPECT_EQ(dialogs.messages().back(), "Done.");
        }
        EXPECT_EQ(pv::test::fileNames(out), expected);
        EXPECT_TRUE(temp.leftovers().empty()) << "temporary files outlived the run";
        expectOutputsMatchSources(books, out, dir / ("csv" + std::to_string(jobs)));
    }
}

TEST_F(LegacyOutputBatches, ASheetWhoseBatchBreaksOffIsConvertedAlone) {
    pv::test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    const auto books =
        writeXlsWorkbooks({{"One", {{"Data", {{"A1", "one"}, {"B2", "1"}}}, {"Blank", {}}}},
                           {"Two", {{"Data", {{"A1", "two"}, {"C3", "2"}}}}}},
                          dir / "in");
    // LibreOffice that dies on any output conversion of more than one sheet.
    const fs::path fragile =
        writeScript(dir / "soffice",
                    "case \"$*\" in *'MS Excel 97'*)\n"
                    "  n=0; for a in \"$@\"; do case \"$a\" in *.xlsx) n=$((n+1));; esac; done\n"
                    "  [ $n -gt 1 ] && exit 1;;\n"
                    "esac\n"
                    "exec " +
                        pv::test::shellQuote(installedOffice().soffice.string()) + " \"$@\"");
    PrivateTemp temp;
    {
        auto host = hostWith({.soffice = fragile});
        host->prepare(books);
        auto one = host->open(books[0]);
        one->saveSheetAs(0, dir / "out" / "One Data.xls");
        EXPECT_EQ(host->office().starts(), 3) << "sources, the broken batch, the sheet alone";
        auto two = host->open(books[1]);
        two->saveSheetAs(0, dir / "out" / "Two Data.xls");
        EXPECT_EQ(host->office().starts(), 4);
    }
    EXPECT_TRUE(temp.leftovers().empty());
    expectOutputsMatchSources(books, dir / "out", dir / "csv");
}

OfficeSettings officeDesign(pv::office::LegacyDesign design) {
    OfficeSettings settings = installedOffice();
    settings.design = design;
    return settings;
}

// What a source sheet shows stays in its .xls output, whichever way the run splits it (through
// .xlsx and back, or inside LibreOffice): the error values its formulas reading another sheet
// give (the split keeps their results), its dates and its numbers, each as shown; a sheet read
// by the others holding a chart, and the one sheet of a workbook of one, too.
TEST_F(LegacyOutputBatches, ErrorValuesDatesAndNumbersShowAsInTheSource) {
    pv::test::TempDir dir;
    fs::create_directories(dir / "in");
    const char* script = R"py(
import datetime, sys, openpyxl, openpyxl.chart
wb = openpyxl.Workbook()
data = wb.active
data.title = "Data"
other = wb.create_sheet("Other")
other["A1"] = 1
other["B2"] = "o"
for row, formula in enumerate(['=Other!A1+INDIRECT("")', '=Other!A1+"a"', "=Other!A1/0",
                               "=Other!A1*10^400", "=Other!A1+NA()", "=Other!B2&Other!A1"], 1):
    data.cell(row, 1, formula)
for cell, value, shown in [("B1", datetime.date(2009, 10, 21), "mm/dd/yyyy"),
                           ("B2", 23.8, "0.00"),
                           ("B3", datetime.datetime(2009, 10, 21, 13, 5), "m/d/yyyy h:mm"),
                           ("B4", 1234.5, "#,##0.00"),
                           ("B5", 0.25, "0.0%")]:
    data[cell] = value
    data[cell].number_format = shown
data["C1"] = "=B2*2"
chart = openpyxl.chart.BarChart()
chart.add_data(openpyxl.chart.Reference(other, min_col=1, min_row=1, max_row=1))
other.add_chart(chart, "D4")
formats = wb.create_sheet("Formats")
moment = datetime.datetime(2009, 10, 21, 13, 5, 9)
for row, (value, shown) in enumerate([
        (moment, "[$-40C]dddd d mmmm yyyy"), (moment, "[$-407]d. mmmm yyyy"),
        (moment, "d-mmm-yy"), (moment, "h:mm:ss AM/PM"), (1.5, "[h]:mm:ss"),
        (-1234.5, "#,##0.00;[Red]-#,##0.00"), (-1234.5, "#,##0.00_);(#,##0.00)"),
        (1234.5, "[$\u20ac-407] #,##0.00"), (12345.678, "0.00E+00"), (1.75, "# ?/?"),
        (0, '0.00;-0.00;"zero"'), (42, "00000"), (42, "@"), (3.14159265358979, "General")], 1):
    formats.cell(row, 1, value).number_format = shown
wb.save(sys.argv[1])
single = openpyxl.Workbook()
single.active.title = "Alone"
single.active["B2"] = 1.5
single.active["B2"].number_format = "0.000"
single.save(sys.argv[2])
)py";
    const fs::path xlsx = dir / "Shown.xlsx";
    const fs::path singleXlsx = dir / "Single.xlsx";
    ASSERT_EQ(pv::test::runCommand(pv::test::python() + " -c " + pv::test::shellQuote(script) +
                                   " " + pv::test::shellQuote(xlsx.string()) + " " +
                                   pv::test::shellQuote(singleXlsx.string())),
              0);
    pv::office::OfficeConverter(installedOffice())
        .convert({xlsx, singleXlsx}, ".xls", "MS Excel 97", dir / "in");
    const fs::path book = dir / "in" / "Shown.xls";
    const fs::path single = dir / "in" / "Single.xls";
    ASSERT_TRUE(isCompoundFile(book));
    ASSERT_TRUE(isCompoundFile(single));
    const std::vector<std::string> rows = {book, single};
    for (const auto design :
         {pv::office::LegacyDesign::RoundTrip, pv::office::LegacyDesign::InOffice}) {
        const std::string name =
            design == pv::office::LegacyDesign::InOffice ? "inoffice" : "roundtrip";
        SCOPED_TRACE(name);
        if (design == pv::office::LegacyDesign::InOffice &&
            !pv::office::OfficeConverter(officeDesign(design)).runsScripts()) {
            std::cout << "[ SKIPPED  ] inside LibreOffice: its Python scripting is not installed\n";
            continue;
        }
        const fs::path out = dir / ("out-" + name);
        fs::create_directories(out);
        PrivateTemp temp;
        LegacyRun run;
        run.host = hostWith(officeDesign(design));
        run.host->prepare({rows.begin(), rows.end()});
        const auto outcome = run.run(rows, out, 1, 1);
        EXPECT_EQ(outcome.saved, 4);
        EXPECT_EQ(outcome.failures, 0);
        EXPECT_EQ(run.host->office().starts(), 2) << "one for the source, one for its sheets";
        run.host.reset();
        EXPECT_TRUE(temp.leftovers().empty()) << "temporary files outlived the run";
        expectOutputsMatchSources({book, single}, out, dir / ("csv-" + name), true);
        const auto csv = sheetsAsCsv({out / "Shown Data.xls", out / "Shown Formats.xls"},
                                     dir / ("shown-" + name), true);
        ASSERT_EQ(csv.size(), 2u) << "each output holds one sheet";
        EXPECT_EQ(csv.at("Shown Data-Data"),
                  "#REF!,10/21/2009,47.6\n"
                  "#VALUE!,23.80,\n"
                  "#DIV/0!,10/21/2009 13:05,\n"
                  "#NUM!,\"1,234.50\",\n"
                  "#N/A,25.0%,\n"
                  "o1,,\n");
        // Formats of other languages, clocks, sections and fractions.
        EXPECT_EQ(csv.at("Shown Formats-Formats"),
                  "mercredi 21 octobre 2009\n"
                  "21. Oktober 2009\n"
                  "21-Oct-09\n"
                  "1:05:09 PM\n"
                  "36:00:00\n"
                  "\"-1,234.50\"\n"
                  "\"(1,234.50)\"\n"
                  "\"\u20ac 1,234.50\"\n"
                  "1.23E+04\n"
                  "1 3/4\n"
                  "zero\n"
                  "00042\n"
                  "42\n"
                  "3.14159265358979\n");
    }
}

// Real workbooks split inside LibreOffice show as their sources: one with a VBA project, whose
// outputs hold their one sheet and no stand-ins for the others (LibreOffice writes an entry for
// each sheet the project named), and one whose formulas LibreOffice cannot read show #VALUE!
// (undoing a removal recalculates them to #N/A).
TEST_F(LegacyOutputBatches, RealWorkbooksSplitInsideLibreOfficeShowAsTheirSources) {
    if (!pv::office::OfficeConverter(officeDesign(pv::office::LegacyDesign::InOffice))
             .runsScripts()) {
        GTEST_SKIP() << "LibreOffice's Python scripting is not installed";
    }
    pv::test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    const fs::path book = dir / "in" / "issues.xls";
    const fs::path unreadable = dir / "in" / "gh548.xls";
    fs::copy_file(corpus("issues.xls"), book);
    fs::copy_file(corpus("gh548_incorrect_sst_unique_count.xls"), unreadable);
    const std::vector<std::string> rows = {book, unreadable};
    LegacyRun run;
    run.host = hostWith(officeDesign(pv::office::LegacyDesign::InOffice));
    run.host->prepare({rows.begin(), rows.end()});
    const auto outcome = run.run(rows, dir / "out", 1, 1);
    EXPECT_EQ(outcome.saved, 11);
    EXPECT_EQ(outcome.failures, 0);
    run.host.reset();
    std::vector<fs::path> outputs;
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
        outputs.push_back(entry.path());
    }
    const auto csv = sheetsAsCsv(outputs, dir / "csv", true);
    EXPECT_EQ(csv.size(), outputs.size()) << "an output holds more than its one sheet";
    expectOutputsMatchSources({book, unreadable}, dir / "out", dir / "csv-all", true);
}

// A LibreOffice that dies while it splits the workbook leaves no output: each sheet fails alone
// with a numbered error naming its output and its sheet, and the temporary files go.
TEST_F(LegacyOutputBatches, ALibreOfficeKilledWhileSplittingInsideItLeavesNoOutput) {
    pv::test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "office");
    const auto books = writeXlsWorkbooks(
        {{"Doomed", {{"Data", {{"A1", "one"}, {"B2", "1"}}}, {"More", {{"C3", "2"}}}}}},
        dir / "in");
    const fs::path real = fs::canonical(installedOffice().soffice);
    if (!fs::exists(real.parent_path() / "pythonscript.py")) {
        GTEST_SKIP() << "LibreOffice's Python scripting is not installed";
    }
    // Killed as soon as it is to run our script; its Python scripting beside it, as in
    // LibreOffice's own folder.
    fs::create_symlink(real.parent_path() / "pythonscript.py", dir / "office" / "pythonscript.py");
    const fs::path killed =
        writeScript(dir / "office" / "soffice",
                    "case \"$*\" in *vnd.sun.star.script*) kill -9 $$;; esac\nexec " +
                        pv::test::shellQuote(real.string()) + " \"$@\"");
    PrivateTemp temp;
    const std::vector<std::string> rows = {books[0]};
    {
        LegacyRun run;
        run.host = hostWith({.soffice = killed, .design = pv::office::LegacyDesign::InOffice});
        run.host->prepare({rows.begin(), rows.end()});
        const auto outcome = run.run(rows, dir / "out", 1, 1);
        EXPECT_EQ(outcome.saved, 0);
        ASSERT_EQ(run.observer.failed.size(), 2u);
        for (const auto& [failure, sheet] :
             {std::pair{run.observer.failed[0], "Data"}, {run.observer.failed[1], "More"}}) {
            EXPECT_EQ(failure.number, pv::number(pv::office::OfficeError::ConversionFailed));
            for (const std::string& text :
                 {(dir / "out" / ("Doomed " + std::string(sheet) + ".xls")).string(),
                  "sheet \"" + std::string(sheet) + "\" of " + rows[0],
                  std::string("ended abnormally")}) {
                EXPECT_NE(failure.description.find(text), std::string::npos)
                    << "\"" << text << "\" not in: " << failure.description;
            }
        }
    }
    EXPECT_TRUE(pv::test::fileNames(dir / "out").empty());
    EXPECT_TRUE(temp.leftovers().empty()) << "temporary files outlived the run";
}

}  // namespace
