#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/ErrorReport.h"
#include "core/GuardedProcedure.h"
#include "support/ScriptedDialogs.h"

namespace {

using pv::GuardedProcedure;
using pv::test::ScriptedDialogs;

const std::string kLoad = "in Tamberlyn2021/08/31.Form1.Form_Load ";

std::string report(const std::string& description, int line) {
    return description + "\r\n" + kLoad + "at line " + std::to_string(line) +
           "\r\rPlease email screenshot of this message to " + pv::kSupportAddress;
}

void failingRoutine() {
    throw pv::Error(2076, "Path not found: /gone");
}

TEST(ErrorReport, TextIsBuiltByteForByte) {
    EXPECT_EQ(pv::errorReportText("Cannot load cursor file /a/HAND-M.CUR", kLoad, 106),
              "Cannot load cursor file /a/HAND-M.CUR\r\nin Tamberlyn2021/08/31.Form1.Form_Load at "
              "line 106\r\rPlease email screenshot of this message to support@orvantis.example");
}

TEST(ErrorReport, LocationTextsOfTheWindowAndTheWalker) {
    EXPECT_EQ(pv::form1Location("Form_Load"), kLoad);
    EXPECT_EQ(pv::form1Location("PushButton3_Click"),
              "in Tamberlyn2021/08/31.Form1.PushButton3_Click ");
    EXPECT_EQ(pv::locationText("Corvedale", "AddFolder", "GetSubDirectories2016"),
              "in Corvedale2021/08/31.AddFolder.GetSubDirectories2016 ");
}

TEST(GuardedProcedure, FailureInFirstStatementIsReportedAndTheRestRuns) {
    ScriptedDialogs dialogs;
    std::vector<int> ran;
    GuardedProcedure proc(dialogs, kLoad);
    proc.step(100, [&] { throw pv::Error(4001, "first failed"); });
    proc.step(102, [&] { ran.push_back(102); });
    proc.step(104, [&] { ran.push_back(104); });

    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, report("first failed", 100));
    EXPECT_EQ(dialogs.shown()[0].title, "Application Error");
    EXPECT_EQ(dialogs.shown()[0].icon, pv::MessageIcon::Warning);
    EXPECT_EQ(ran, (std::vector<int>{102, 104}));
}

TEST(GuardedProcedure, TwoFailuresGiveTwoReportsWithTheirOwnLines) {
    ScriptedDialogs dialogs;
    GuardedProcedure proc(dialogs, kLoad);
    proc.step(100, [] {});
    proc.step(102, [] { throw std::runtime_error("standard failure"); });
    proc.step(104, [] {});
    proc.step(106, [] { throw pv::Error(1, "engine failure"); });

    EXPECT_EQ(dialogs.errorReports(), (std::vector<std::string>{report("standard failure", 102),
                                                                report("engine failure", 106)}));
}

TEST(GuardedProcedure, FailingConditionalTestRunsTheBody) {
    ScriptedDialogs dialogs;
    bool bodyRan = false;
    GuardedProcedure proc(dialogs, kLoad);
    proc.stepIf(
        106, []() -> bool { throw pv::Error(4003, "test failed"); }, [&] { bodyRan = true; });
    EXPECT_TRUE(bodyRan);
    EXPECT_EQ(dialogs.errorReports(), std::vector<std::string>{report("test failed", 106)});
}

TEST(GuardedProcedure, FalseConditionSkipsTheBody) {
    ScriptedDialogs dialogs;
    bool bodyRan = false;
    GuardedProcedure proc(dialogs, kLoad);
    proc.stepIf(
        106, [] { return false; }, [&] { bodyRan = true; });
    EXPECT_FALSE(bodyRan);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST(GuardedProcedure, UnguardedRoutineIsReportedAtTheLineOfTheCall) {
    ScriptedDialogs dialogs;
    bool resumed = false;
    GuardedProcedure proc(dialogs, kLoad);
    proc.step(132, [] { failingRoutine(); });
    proc.step(134, [&] { resumed = true; });
    EXPECT_EQ(dialogs.errorReports(),
              std::vector<std::string>{report("Path not found: /gone", 132)});
    EXPECT_TRUE(resumed);
}

TEST(GuardedProcedure, UnnumberedStatementOfABodyCountsUnderTheLastNumber) {
    ScriptedDialogs dialogs;
    GuardedProcedure proc(dialogs, kLoad);
    proc.stepIf(
        108, [] { return true; },
        [&] {
            proc.step(333, [] {});
            failingRoutine();  // no number of its own
        });
    EXPECT_EQ(dialogs.errorReports(),
              std::vector<std::string>{report("Path not found: /gone", 333)});
}

TEST(GuardedProcedure, CalledGuardedProcedureReportsUnderItsOwnName) {
    ScriptedDialogs dialogs;
    const std::string walker = pv::locationText("Corvedale", "AddFolder", "GetSubDirectories2016");
    GuardedProcedure outer(dialogs, pv::form1Location("PushButton4_Click"));
    outer.step(110, [&] {
        GuardedProcedure inner(dialogs, walker);
        inner.step(100, [] { throw pv::Error(2070, "Permission denied"); });
    });
    ASSERT_EQ(dialogs.errorReports().size(), 1u);
    EXPECT_NE(dialogs.errorReports()[0].find(walker + "at line 100"), std::string::npos);
}

TEST(GuardedProcedure, DescriptionWithLineBreaksIsShownUnchanged) {
    ScriptedDialogs dialogs;
    GuardedProcedure proc(dialogs, kLoad);
    proc.step(100, [] { throw pv::Error(1, "first\r\nsecond\nthird"); });
    EXPECT_EQ(dialogs.errorReports()[0], report("first\r\nsecond\nthird", 100));
}

TEST(GuardedProcedure, EndSkipsTheRemainingSteps) {
    ScriptedDialogs dialogs;
    bool later = false;
    GuardedProcedure proc(dialogs, kLoad);
    proc.stepIf(
        102, [] { return true; }, [&] { proc.end(); });
    proc.step(104, [&] { later = true; });
    EXPECT_FALSE(later);
    EXPECT_EQ(proc.currentLine(), 102);
}

TEST(GuardedProcedure, FailureOfAnUnknownKindIsStillReported) {
    ScriptedDialogs dialogs;
    GuardedProcedure proc(dialogs, kLoad);
    proc.step(100, [] { throw 42; });
    EXPECT_EQ(dialogs.errorReports(), std::vector<std::string>{report("Unknown failure", 100)});
}

}  // namespace
