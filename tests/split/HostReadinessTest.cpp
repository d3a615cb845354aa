#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Another run's converter (our private profile) holds no workbook of the user's open; an office
// the user started does, whatever profile it uses.
TEST(IsHostRunning, LeavesOutOurOwnConvertersButNotTheUsersOffice) {
    pv::test::TempDir dir;
    const fs::path office = dir / "soffice.bin";
    fs::copy_file("/bin/sh", office);  // waits, under the office's name and with its option
    const auto start = [&](const std::string& profile) {
        const std::string option = "-env:UserInstallation=file://" + profile;
        const std::string script = "sleep 30; :";
        char* argv[] = {const_cast<char*>(office.c_str()), const_cast<char*>("-c"),
                        const_cast<char*>(script.c_str()), const_cast<char*>(option.c_str()),
                        nullptr};
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, office.c_str(), nullptr, nullptr, argv, environ), 0);
        // Counted only once its exec is done: until then it is a copy of this test.
        for (int wait = 0; wait < 500; ++wait) {
            std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
            const std::string arguments{std::istreambuf_iterator<char>(cmdline), {}};
            if (arguments.find(option) != std::string::npos)
                break;
            ::usleep(10'000);
        }
        return pid;
    };
    const auto officeProcesses = [] {
        const auto names = pv::runningProcessNamesOfThisUser();
        return std::count(names.begin(), names.end(), "soffice.bin");
    };
    const auto before = officeProcesses();
    const pid_t ours = start("/tmp/" + std::string(pv::kPrivateOfficeProfilePrefix) + "Ab12");
    EXPECT_EQ(officeProcesses(), before);
    const pid_t users = start("/home/ann/.config/libreoffice/4");
    EXPECT_GT(officeProcesses(), before);
    for (const pid_t pid : {ours, users}) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    using namespace std::string_literals;
    EXPECT_TRUE(
        pv::isOurOfficeConverter("soffice.bin\0--headless\0-env:UserInstallation=file:///"
                                 "tmp/pellavine-office-x1\0"s));
    EXPECT_FALSE(pv::isOurOfficeConverter("soffice.bin\0/tmp/pellavine-office-x1/a.xlsx\0"s));
    EXPECT_EQ(pv::hostRunningQuestion(),
              "Excel may be open. It is recommended that you close Excel first.\r"
              "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
              "Would you like to proceed anyway?");
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
