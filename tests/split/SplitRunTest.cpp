// The split run end to end on real workbooks, judged by the names written, the messages shown
// and openpyxl's reading of the outputs.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>
#include <thread>

#include "core/ErrorReport.h"
#include "host/SpreadsheetHost.h"
#include "split/OutputNaming.h"
#include "split/SplitErrors.h"
#include "split/SplitRun.h"
#include "split/TestWorkbooks.h"
#include "support/RecordingObserver.h"
#include "support/ScriptedDialogs.h"

namespace {

namespace fs = std::filesystem;
using pv::split::kNamingOptionTexts;
using pv::test::fileNames;
using pv::test::RecordingObserver;
using pv::test::ScriptedDialogs;
using Names = std::set<std::string>;

const std::string kSheet(kNamingOptionTexts[0]);
const std::string kBookAndSheet(kNamingOptionTexts[1]);
const std::string kCellA1(kNamingOptionTexts[2]);
const std::string kUserCell(kNamingOptionTexts[3]);
const std::string kNumbered(kNamingOptionTexts[4]);

class SplitRunTest : public ::testing::Test {
  protected:
    // Sales.2020.xlsx: North (A1 "Q1/Q2: totals?", C3 "north-c3"), South (A1 empty, B2, C3
    // "south-c3"), Notes (empty), Only (A1 only).
    fs::path sales() {
        const fs::path path = in / "Sales.2020.xlsx";
        if (!fs::exists(path))
            pv::test::writeWorkbooks({{path,
                                       {{"North", {{"A1", "Q1/Q2: totals?"}, {"C3", "north-c3"}}},
                                        {"South", {{"B2", "x"}, {"C3", "south-c3"}}},
                                        {"Notes", {}},
                                        {"Only", {{"A1", "just A1"}}}}}});
        return path;
    }

    pv::split::RunOutcome run(std::vector<std::string> rows, const std::string& option,
                              int jobs = 1, std::function<bool()> confirm = {}) {
        pv::split::RunRequest request{std::move(rows), out.path().string() + "/", option, jobs};
        pv::split::SplitRun splitRun(std::move(request),
                                     {*host, dialogs, observer, std::move(confirm)});
        return splitRun.run();
    }

    pv::test::TempDir in, out;
    std::unique_ptr<pv::host::SpreadsheetHost> host = pv::host::createEngineHost();
    ScriptedDialogs dialogs;
    RecordingObserver observer;
};

TEST_F(SplitRunTest, SheetNamesSkipEmptyAndA1OnlySheetsAndEndWithDone) {
    run({sales().string()}, kSheet);
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "South.xlsx"}));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
    EXPECT_EQ(pv::test::outputSummary(out / "North.xlsx", "C3"), "1|North|Q1/Q2: totals?|north-c3");
    EXPECT_EQ(observer.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(observer.values, (std::vector<double>{100, 0}));
    EXPECT_EQ(observer.texts,
              (std::vector<std::string>{"Processing: Sales.2020.xlsx", "Progress Bar"}));
}

TEST_F(SplitRunTest, NamesFollowTheExampleTable) {
    struct Case {
        std::string option;
        Names before;
        Names written;
    };
    const std::vector<Case> cases = {
        {kSheet, {}, {"North.xlsx", "South.xlsx"}},
        {kSheet, {"North.xlsx", "North_1.xlsx"}, {"North_2.xlsx", "South.xlsx"}},
        {kBookAndSheet, {}, {"Sales.2020 North.xlsx", "Sales.2020 South.xlsx"}},
        // no_value.xls cannot be written for an .xlsx source: saved in its own format.
        {kCellA1, {}, {"Q1Q2 totals.xlsx", "no_value.xlsx"}},
        {kCellA1, {"Q1Q2 totals.xlsx", "no_value.xlsx"}, {"Q1Q2 totals_1.xlsx", "no_value_1.xlsx"}},
        {kCellA1, {"no_value.xls"}, {"Q1Q2 totals.xlsx", "no_value_1.xlsx"}},
    };
    const fs::path source = sales();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " with " + std::to_string(c.before.size()) + " files before");
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
        for (const auto& name : c.before)
            std::ofstream(out / name) << "taken";
        dialogs.clear();
        run({source.string()}, c.option);
        Names written = fileNames(out.path());
        for (const auto& name : c.before)
            written.erase(name);
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(dialogs.messages().back(), "Done.");
    }
}

TEST_F(SplitRunTest, NoValueSubstituteIsReportedAndTheSecondRunNumbersOn) {
    const fs::path source = sales();
    run({source.string()}, kCellA1);
    const auto reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("no_value.xlsx instead of"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("PushButton2_Click at line 136"), std::string::npos);
    EXPECT_TRUE(observer.failed.empty());  // the sheet is saved: a note, not a failure
    EXPECT_EQ(pv::test::outputSummary(out / "no_value.xlsx", "B2"), "1|South||x");

    run({source.string()}, kCellA1);
    EXPECT_EQ(fileNames(out.path()), (Names{"Q1Q2 totals.xlsx", "no_value.xlsx",
                                            "Q1Q2 totals_1.xlsx", "no_value_1.xlsx"}));
}

// Names that the file system would refuse, or that would hide the output, are saved visibly.
TEST_F(SplitRunTest, LongAndHiddenCellNamesStillGiveVisibleOutputs) {
    std::string wide;
    for (int i = 0; i < 200; ++i)
        wide += "\xE6\x95\xB0";
    const fs::path source = in / "Names.xlsx";
    pv::test::writeWorkbooks({{source,
                               {{"Wide", {{"A1", wide}, {"B2", "w"}}},
                                {"Dotted", {{"A1", ".profile\nline"}, {"B2", "d"}}}}}});
    run({source.string()}, kCellA1);
    EXPECT_TRUE(observer.failed.empty());
    const std::string stem = wide.substr(0, 81 * 3);
    EXPECT_EQ(fileNames(out.path()), (Names{stem + ".xlsx", "profileline.xlsx"}));
    EXPECT_EQ(pv::test::outputSummary(out / (stem + ".xlsx"), "B2"), "1|Wide|" + wide + "|w");
    EXPECT_EQ(pv::test::outputSummary(out / "profileline.xlsx", "B2"), "1|Dotted|.profile\nline|d");
}

TEST_F(SplitRunTest, UserCellNamesFromTheFirstCellOfTheChosenBlock) {
    dialogs.answerRange("$C$3:$E$9");
    run({sales().string()}, kUserCell);
    EXPECT_EQ(fileNames(out.path()), (Names{"north-c3.xlsx", "south-c3.xlsx"}));
    ASSERT_EQ(dialogs.shown()[0].kind, pv::test::ShownDialog::Kind::Range);
    EXPECT_EQ(dialogs.shown()[0].text, "Highlight a block of cells with mouse");
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
}

TEST_F(SplitRunTest, CancelledPromptSavesNothingForThatWorkbookAndAsksAgain) {
    const fs::path first = sales();
    const fs::path second = in / "Second.xlsx";
    pv::test::writeWorkbooks({{second, {{"East", {{"B2", "east-b2"}, {"C3", "x"}}}}}});

    dialogs.answerRange(std::nullopt);
    dialogs.answerRange("B2");
    run({first.string(), second.string()}, kUserCell);
    EXPECT_EQ(fileNames(out.path()), (Names{"east-b2.xlsx"}));
    EXPECT_EQ(dialogs.messages(),
              (std::vector<std::string>{"You did not select a range. Please try again.", "Done."}));

    // Cancelled for the only workbook: nothing saved, and no "Done.".
    dialogs.clear();
    dialogs.answerRange(std::nullopt);
    run({first.string()}, kUserCell);
    EXPECT_EQ(fileNames(out.path()), (Names{"east-b2.xlsx"}));
    EXPECT_EQ(dialogs.messages(),
              std::vector<std::string>{"You did not select a range. Please try again."});
}

TEST_F(SplitRunTest, NumberedNamesRunAcrossWorkbooksAndASecondRunReplacesThem) {
    const fs::path second = in / "Second.xlsx";
    pv::test::writeWorkbooks({{second, {{"East", {{"B2", "east"}}}}}});
    const std::vector<std::string> rows = {sales().string(), second.string()};
    run(rows, kNumbered);
    EXPECT_EQ(fileNames(out.path()), (Names{"1.xlsx", "2.xlsx", "3.xlsx"}));
    EXPECT_EQ(pv::test::outputSummary(out / "3.xlsx", "B2"), "1|East||east");

    std::ofstream(out / "3.xlsx") << "stale";
    run(rows, kNumbered);
    EXPECT_EQ(fileNames(out.path()), (Names{"1.xlsx", "2.xlsx", "3.xlsx"}));
    EXPECT_EQ(pv::test::outputSummary(out / "3.xlsx", "B2"), "1|East||east");
}

TEST_F(SplitRunTest, NumberedNamesNeverReplaceAListedWorkbook) {
    const fs::path listed = out / "2.xlsx";
    pv::test::writeWorkbooks({{listed, {{"Kept", {{"B2", "mine"}}}}}});
    const auto before = fs::last_write_time(listed);
    run({sales().string(), listed.string()}, kNumbered);
    EXPECT_EQ(fs::last_write_time(listed), before);
    ASSERT_EQ(observer.failed.size(), 1u);
    EXPECT_EQ(observer.failed[0].number,
              pv::number(pv::split::SplitError::WouldReplaceListedWorkbook));
    EXPECT_EQ(observer.failed[0].line, 134);
    // The failed name still used its number; the listed workbook's sheet goes on at 3.
    EXPECT_EQ(fileNames(out.path()), (Names{"1.xlsx", "2.xlsx", "3.xlsx"}));
}

TEST_F(SplitRunTest, ChecksEndTheCommandBeforeAnyWork) {
    run({}, kSheet);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"No files added."});

    for (const std::string& folder : {std::string(), sales().string(), (in / "missing").string()}) {
        dialogs.clear();
        pv::split::SplitRun splitRun({{sales().string()}, folder, kSheet, 1},
                                     {*host, dialogs, observer, {}});
        EXPECT_FALSE(splitRun.run().started);
        EXPECT_EQ(dialogs.messages(),
                  std::vector<std::string>{"Folder does not exist. Please select another folder."});
    }

    dialogs.clear();
    EXPECT_FALSE(run({sales().string()}, kSheet, 1, [] { return true; }).started);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(fileNames(out.path()).empty());
    EXPECT_TRUE(observer.pointers.empty());
}

TEST_F(SplitRunTest, AWorkbookThatDoesNotOpenIsReportedOnceBetweenTwoThatDo) {
    const fs::path first = sales();
    const fs::path broken = in / "Broken.xlsx";
    std::ofstream(broken) << "not a workbook";
    const fs::path third = in / "Third.xlsx";
    pv::test::writeWorkbooks({{third, {{"East", {{"B2", "e"}}}}}});

    run({first.string(), broken.string(), third.string()}, kSheet);
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "South.xlsx", "East.xlsx"}));
    const auto reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Broken.xlsx"), std::string::npos);
    EXPECT_NE(reports[0].find("\r\nin Tamberlyn2021/08/31.Form1.PushButton2_Click at line 122\r\r"),
              std::string::npos)
        << reports[0];
    EXPECT_EQ(dialogs.messages().back(), "Done.");
    EXPECT_EQ(observer.pointers.back(), 0);
    EXPECT_EQ(observer.texts.back(), "Progress Bar");
}

TEST_F(SplitRunTest, AChartSheetIsReportedOnceAndHiddenSheetsAreSaved) {
    const fs::path book = in / "Charts.xlsx";
    pv::test::writeWorkbooks({{book,
                               {{"Data", {{"A1", "1"}, {"A2", "2"}}},
                                {"Chart1", {}, false, true},
                                {"Secret", {{"C5", "hidden"}}, true}}}});
    run({book.string()}, kSheet);
    EXPECT_EQ(fileNames(out.path()), (Names{"Data.xlsx", "Secret.xlsx"}));
    ASSERT_EQ(observer.failed.size(), 1u);
    EXPECT_EQ(observer.failed[0].sheet, "Chart1");
    EXPECT_EQ(observer.failed[0].line, 128);
    EXPECT_EQ(pv::test::outputSummary(out / "Secret.xlsx", "C5"), "1|Secret||hidden");
}

TEST_F(SplitRunTest, TheSourceIsNeitherWrittenNorTouched) {
    const fs::path source = sales();
    auto bytes = [&] {
        std::ifstream file(source, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string before = bytes();
    const auto modified = fs::last_write_time(source);
    run({source.string()}, kCellA1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(fs::last_write_time(source), modified);
    EXPECT_EQ(fileNames(in.path()), (Names{"Sales.2020.xlsx"}));
}

TEST_F(SplitRunTest, AnUnknownOptionSavesNothingAndStillEndsWithDone) {
    run({sales().string()}, "New filenames will be based on sheet name ");
    EXPECT_TRUE(fileNames(out.path()).empty());
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Done."});
}

TEST_F(SplitRunTest, AFolderTypedWithoutSeparatorKeepsTheOutputsInside) {
    pv::split::SplitRun splitRun({{sales().string()}, out.path().string(), kSheet, 1},
                                 {*host, dialogs, observer, {}});
    splitRun.run();
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx", "South.xlsx"}));
}

TEST_F(SplitRunTest, AStopEndsAfterTheCurrentFileWithoutPartialFilesOrDone) {
    observer.stopAfterSaves = 1;
    const auto outcome = run({sales().string(), sales().string()}, kSheet);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(fileNames(out.path()), (Names{"North.xlsx"}));  // no temporary file either
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(observer.pointers.back(), 0);
}

TEST_F(SplitRunTest, ParallelSavesWriteTheNamesOfASequentialRun) {
    std::vector<pv::test::WorkbookSpec> books;
    std::vector<std::string> rows;
    for (int i = 0; i < 6; ++i) {
        const fs::path path = in / ("Book" + std::to_string(i) + ".xlsx");
        books.push_back({path,
                         {{"Data", {{"A1", i % 2 ? "Same" : ""}, {"B2", std::to_string(i)}}},
                          {"Empty", {}},
                          {"Data_1", {{"A1", "Data"}, {"B3", "x"}}}}});
        rows.push_back(path.string());
    }
    pv::test::writeWorkbooks(books);
    for (const auto& [option, probe] : std::vector<std::pair<std::string, std::string>>{
             {kSheet, "Data_4.xlsx"}, {kCellA1, "Data_4.xlsx"}, {kNumbered, "7.xlsx"}}) {
        SCOPED_TRACE(option);
        pv::test::TempDir sequentialOut;
        std::ofstream(sequentialOut / "Data_2.xlsx") << "taken";
        std::ofstream(out / "Data_2.xlsx") << "taken";
        pv::split::SplitRun sequential({rows, sequentialOut.path().string(), option, 1},
                                       {*host, dialogs, observer, {}});
        sequential.run();
        observer.saved.clear();
        run(rows, option, 3);
        EXPECT_EQ(fileNames(out.path()), fileNames(sequentialOut.path()));
        EXPECT_EQ(observer.saved.size(), 12u);
        EXPECT_EQ(pv::test::outputSummary(out / probe, "B2").substr(0, 2), "1|");
        EXPECT_EQ(pv::test::outputSummary(out / probe, "B2"),
                  pv::test::outputSummary(sequentialOut / probe, "B2"));
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
    }
}

}  // namespace

namespace {

// The engine with a hook before each open and each save: the faults below wrap it.
class ForwardingHost : public pv::host::SpreadsheetHost {
  public:
    explicit ForwardingHost(pv::host::SpreadsheetHost& engine) : engine_(engine) {}

    std::unique_ptr<pv::host::SourceWorkbook> open(const fs::path& path) override {
        beforeOpen(path);
        return std::make_unique<Workbook>(*this, engine_.open(path));
    }
    bool canWrite(const fs::path& source, const std::string& extension) const override {
        return engine_.canWrite(source, extension);
    }
    std::string defaultExtension() const override { return engine_.defaultExtension(); }

  protected:
    virtual void beforeOpen(const fs::path&) {}
    virtual void beforeSave(const std::string& /*sheetName*/) {}

  private:
    struct Workbook : pv::host::SourceWorkbook {
        Workbook(ForwardingHost& host, std::unique_ptr<pv::host::SourceWorkbook> inner)
            : host(host), inner(std::move(inner)) {}
        const fs::path& path() const override { return inner->path(); }
        const std::vector<pv::host::SheetInfo>& sheets() const override { return inner->sheets(); }
        pv::host::UsedRange usedRange(std::size_t sheet) override {
            return inner->usedRange(sheet);
        }
        std::string cellText(std::size_t sheet, int row, int column) override {
            return inner->cellText(sheet, row, column);
        }
        void saveSheetAs(std::size_t sheet, const fs::path& output) override {
            host.beforeSave(inner->sheets()[sheet].name);
            inner->saveSheetAs(sheet, output);
        }
        ForwardingHost& host;
        std::unique_ptr<pv::host::SourceWorkbook> inner;
    };

    pv::host::SpreadsheetHost& engine_;
};

// Another run into the same folder: before the first save, it writes the files the run has
// just chosen names for.
class IntrudingHost : public ForwardingHost {
  public:
    IntrudingHost(pv::host::SpreadsheetHost& engine, std::vector<fs::path> intruders)
        : ForwardingHost(engine), intruders_(std::move(intruders)) {}

  private:
    void beforeSave(const std::string&) override {
        std::lock_guard lock(mutex_);
        for (const auto& path : std::exchange(intruders_, {}))
            std::ofstream(path) << "the other run's file";
    }

    std::mutex mutex_;
    std::vector<fs::path> intruders_;
};

std::string textOf(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST_F(SplitRunTest, AFileThatAppearsUnderAChosenNameIsNeverReplaced) {
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        IntrudingHost intruding(*host, {out / "North.xlsx", out / "South.xlsx"});
        observer.saved.clear();
        pv::split::SplitRun splitRun(
            {{sales().string(), sales().string()}, out.path().string() + "/", kSheet, jobs},
            {intruding, dialogs, observer, {}});
        const auto outcome = splitRun.run();
        EXPECT_EQ(outcome.failures, 0);
        EXPECT_EQ(textOf(out / "North.xlsx"), "the other run's file");
        EXPECT_EQ(textOf(out / "South.xlsx"), "the other run's file");
        // Four outputs beside the two foreign files, and no temporary file.
        EXPECT_EQ(fileNames(out.path()).size(), 6u);
        ASSERT_EQ(observer.saved.size(), 4u);
        for (const auto& saved : observer.saved) {
            EXPECT_NE(saved.path, (out / "North.xlsx").string());
            EXPECT_EQ(pv::test::outputSummary(saved.path, "C3").substr(0, 2), "1|") << saved.path;
        }
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
    }
}

namespace {

// The engine, except that memory runs out opening one workbook and saving one sheet: a fault no
// test can cause reliably on a real machine (or under a sanitizer's allocator). A sheet named
// `slow` takes a while to save, so that saves on other threads finish before it.
class ExhaustedHost : public ForwardingHost {
  public:
    ExhaustedHost(pv::host::SpreadsheetHost& engine, fs::path unopenable, std::string unsavable,
                  std::string slow = {})
        : ForwardingHost(engine),
          unopenable_(std::move(unopenable)),
          unsavable_(std::move(unsavable)),
          slow_(std::move(slow)) {}

  private:
    void beforeOpen(const fs::path& path) override {
        if (path == unopenable_)
            throw std::bad_alloc();
    }
    void beforeSave(const std::string& sheetName) override {
        if (sheetName == unsavable_)
            throw std::bad_alloc();
        if (sheetName == slow_)
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }

    fs::path unopenable_;
    std::string unsavable_;
    std::string slow_;
};

}  // namespace

// Saved on several threads, the sheets of one workbook or of several are reported in list order
// as one thread reports them, whichever save ends first.
TEST_F(SplitRunTest, ParallelSavesAreReportedInListOrder) {
    const fs::path big = in / "Big.xlsx";
    pv::test::writeWorkbooks({{big, {{"Huge", {{"C3", "h"}}}}}});
    struct Case {
        std::vector<std::string> rows;
        std::string slow;
        std::vector<std::string> sheets;
    };
    for (const auto& c :
         {Case{{sales().string()}, "North", {"North", "South"}},
          Case{{big.string(), sales().string()}, "Huge", {"Huge", "North", "South"}}}) {
        SCOPED_TRACE(c.slow);
        ExhaustedHost slow(*host, {}, {}, c.slow);
        observer.saved.clear();
        pv::split::SplitRun splitRun({c.rows, out.path().string() + "/", kBookAndSheet, 2},
                                     {slow, dialogs, observer, {}});
        EXPECT_EQ(splitRun.run().failures, 0);
        std::vector<std::string> sheets;
        for (const auto& saved : observer.saved)
            sheets.push_back(saved.sheet);
        EXPECT_EQ(sheets, c.sheets);
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
    }
}

// Running out of memory is told with the workbook and sheet it struck, and the run goes on.
TEST_F(SplitRunTest, RunningOutOfMemoryNamesTheWorkbookAndSheetAndTheRunGoesOn) {
    const fs::path big = in / "Big.xlsx";
    pv::test::writeWorkbooks({{big, {{"Huge", {{"C3", "h"}}}}}});
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        ExhaustedHost exhausted(*host, big, "North");
        observer.saved.clear();
        observer.failed.clear();
        pv::split::SplitRun splitRun(
            {{big.string(), sales().string()}, out.path().string() + "/", kBookAndSheet, jobs},
            {exhausted, dialogs, observer, {}});
        const auto outcome = splitRun.run();
        EXPECT_EQ(outcome.failures, 2);
        ASSERT_EQ(observer.failed.size(), 2u);
        const int outOfMemory = pv::number(pv::split::SplitError::OutOfMemory);
        EXPECT_EQ(observer.failed[0].number, outOfMemory);
        EXPECT_EQ(observer.failed[0].source, big.string());
        EXPECT_EQ(observer.failed[0].description.rfind("Out of memory on " + big.string() + ":", 0),
                  0u)
            << observer.failed[0].description;
        EXPECT_EQ(observer.failed[1].number, outOfMemory);
        EXPECT_EQ(observer.failed[1].sheet, "North");
        EXPECT_EQ(observer.failed[1].description.rfind(
                      "Out of memory on sheet \"North\" of " + sales().string() + ":", 0),
                  0u)
            << observer.failed[1].description;
        EXPECT_EQ(fileNames(out.path()), (Names{"Sales.2020 South.xlsx"}));
        for (const auto& entry : fs::directory_iterator(out.path()))
            fs::remove(entry.path());
    }
}
