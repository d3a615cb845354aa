#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "split/HostReadiness.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"

namespace {

using pv::test::ScriptedDialogs;

const char* kExpected842001 =
    "Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
    "1. Please make sure Excel is installed on this computer.\r\n\r\n"
    "2. Please open Excel normally and make sure a blank spreadsheet opens immediately without "
    "any interrupting window (such as an Excel file recovery window).\r\n\r\n"
    "3. Please make sure that when you double-click on a XLS or XLSX file that Excel opens "
    "normally without any interrupting messages.\r\n\r\n"
    "4. All versions of Excel are supported by this software except for the rare Excel Starter "
    "and Student editions.";

TEST(CheckHostInstalled, WithAHostReturnsWithoutAMessage) {
    ScriptedDialogs dialogs;
    bool ended = false;
    pv::CheckHostInstalled(
        dialogs, [] { return true; }, [&] { ended = true; });
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(ended);
}

TEST(CheckHostInstalled, OurEngineCanBeCreated) {
    ScriptedDialogs dialogs;
    bool ended = false;
    pv::CheckHostInstalled(dialogs, pv::engineCanBeCreated, [&] { ended = true; });
    EXPECT_FALSE(ended);
}

TEST(CheckHostInstalled, WithoutAHostShows842001OnceThenEnds) {
    for (const pv::HostProbe& probe :
         {pv::HostProbe([] { return false; }),
          pv::HostProbe([]() -> bool { throw std::runtime_error("cannot create"); })}) {
        ScriptedDialogs dialogs;
        int ends = 0;
        pv::CheckHostInstalled(dialogs, probe, [&] { ++ends; });
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.shown()[0].text, kExpected842001);
        EXPECT_EQ(dialogs.shown()[0].title, "");  // the application title
        EXPECT_EQ(dialogs.shown()[0].icon, pv::MessageIcon::None);
        EXPECT_EQ(ends, 1);
    }
}

TEST(CheckHostInstalledDeathTest, EndsTheProgramAtOnce) {
    EXPECT_EXIT(
        {
            ScriptedDialogs dialogs;
            pv::CheckHostInstalled(dialogs, [] { return false; });
            std::fprintf(stderr, "still running");
            std::exit(0);
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "^$");
}

}  // namespace

namespace {

namespace fs = std::filesystem;

TEST(IsHostRunning, FindsOfficeProcessesOfThisUserByName) {
    const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
        {{}, false},
        {{"bash", "pellavine", "soffice"}, false},
        {{"bash", "soffice.bin"}, true},
        {{"EXCEL.EXE"}, true},
        {{"wine-excel"}, true},
    };
    for (const auto& [names, expected] : cases) {
        const auto list = names;
        EXPECT_EQ(pv::IsHostRunning(
                      {}, [&] { return list; }, [](const fs::path&) { return false; }),
                  expected)
            << (names.empty() ? "" : names.back());
    }
}

TEST(IsHostRunning, FindsLockFilesBesideListedWorkbooks) {
    pv::test::TempDir dir;
    const std::string listed = (dir / "Sales.xlsx").string();
    const auto none = [] { return std::vector<std::string>{}; };
    EXPECT_FALSE(pv::IsHostRunning({listed}, none));
    for (const char* lock : {"~$Sales.xlsx", ".~lock.Sales.xlsx#"}) {
        std::ofstream(dir / lock) << "lock";
        EXPECT_TRUE(pv::IsHostRunning({listed}, none)) << lock;
        fs::remove(dir / lock);
    }
}

TEST(IsHostRunning, AFailingProbeMeansNothingRuns) {
    EXPECT_FALSE(pv::IsHostRunning(
        {"/x/a.xlsx"}, []() -> std::vector<std::string> { throw std::runtime_error("no /proc"); }));
    EXPECT_FALSE(pv::IsHostRunning(
        {"/x/a.xlsx"}, [] { return std::vector<std::string>{}; },
        [](const fs::path&) -> bool { throw std::runtime_error("x"); }));
}

TEST(IsHostRunning, ReadsThisProcessFromProc) {
    const auto names = pv::runningProcessNamesOfThisUser();
    EXPECT_NE(std::find(names.begin(), names.end(), "split_tests"), names.end());
}

TEST(ConfirmHostClosed, AsksOnlyWhenAHostRunsAndNoStopsTheRun) {
    ScriptedDialogs quiet;
    EXPECT_FALSE(pv::ConfirmHostClosed(quiet, [] { return false; }));
    EXPECT_TRUE(quiet.shown().empty());

    for (const bool yes : {true, false}) {
        ScriptedDialogs dialogs;
        dialogs.answerYesNo(yes);
        EXPECT_EQ(pv::ConfirmHostClosed(dialogs, [] { return true; }), !yes);
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.shown()[0].kind, pv::test::ShownDialog::Kind::YesNo);
        EXPECT_EQ(dialogs.shown()[0].title, "");
        EXPECT_EQ(dialogs.shown()[0].text,
                  "Excel may be open. It is recommended that you close Excel first.\r"
                  "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
                  "Would you like to proceed anyway?");
    }
}

}  // namespace
