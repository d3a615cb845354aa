#include <gtest/gtest.h>

#include <QString>
#include <fstream>
#include <ostream>

#include "core/Error.h"
#include "folders/FolderErrors.h"
#include "folders/PathRoutines.h"
#include "support/TestEnv.h"

namespace {

struct NormalizeCase {
    const char* name;
    const char* path;
    const char* expected;
};

void PrintTo(const NormalizeCase& c, std::ostream* os) {
    *os << c.name;
}

class NormalizeBackslashes : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeBackslashes, GivesTheExpectedPath) {
    const auto& c = GetParam();
    EXPECT_EQ(pv::NormalizePath(QString(c.path), u'\\').toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PathRoutines, NormalizeBackslashes,
    ::testing::Values(NormalizeCase{"NoPairs", "C:\\In\\Sales.xlsx", "C:\\In\\Sales.xlsx"},
                      NormalizeCase{"Empty", "", ""},
                      NormalizeCase{"OnlyBackslashes", "\\\\\\\\\\", "\\\\"},
                      NormalizeCase{"FolderWithAppended", "C:\\Reports\\", "C:\\Reports\\"},
                      NormalizeCase{"DoubledSeparators", "C:\\\\Reports\\\\", "C:\\Reports\\"},
                      NormalizeCase{"DriveRoot", "D:\\\\", "D:\\"},
                      NormalizeCase{"RunOfThree", "C:\\a\\\\\\b", "C:\\a\\\\b"},
                      NormalizeCase{"RunOfFour", "C:\\a\\\\\\\\b", "C:\\a\\\\b"},
                      NormalizeCase{"NetworkShare", "\\\\server\\share\\", "\\\\server\\share\\"},
                      NormalizeCase{"NetworkShareDoubled", "\\\\server\\\\share\\\\",
                                    "\\\\server\\share\\"},
                      NormalizeCase{"NetworkManyLeading", "\\\\\\\\server\\x", "\\\\server\\x"},
                      NormalizeCase{"OneLeadingBackslash", "\\folder\\", "\\\\folder\\"}),
    [](const auto& info) { return info.param.name; });

TEST(PathRoutines, NormalizeSlashesHasNoNetworkPrefix) {
    // A leading slash is the root on POSIX; doubling it would be wrong.
    EXPECT_EQ(pv::NormalizePath("/home/user/", u'/'), "/home/user/");
    EXPECT_EQ(pv::NormalizePath("/home/user//", u'/'), "/home/user/");
    EXPECT_EQ(pv::NormalizePath("//", u'/'), "/");
    EXPECT_EQ(pv::NormalizePath("/", u'/'), "/");
}

TEST(PathRoutines, FileNameFromPath) {
    EXPECT_EQ(pv::FileNameFromPath("C:\\In\\Sales.xlsx", u'\\'), "Sales.xlsx");
    EXPECT_EQ(pv::FileNameFromPath("Sales.xlsx", u'\\'), "Sales.xlsx");
    EXPECT_EQ(pv::FileNameFromPath("C:\\In\\", u'\\'), "");
    EXPECT_EQ(pv::FileNameFromPath("/in/Sales.xlsx"), "Sales.xlsx");
}

TEST(PathRoutines, ExistenceTestsOnRealFiles) {
    pv::test::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QString file = QString::fromStdString((dir / "book.xlsx").string());
    std::ofstream(dir / "book.xlsx") << "x";

    EXPECT_TRUE(pv::PathExists(folder));
    EXPECT_TRUE(pv::PathExists(file));
    EXPECT_FALSE(pv::PathExists(folder + "/missing.xlsx"));
    EXPECT_FALSE(pv::PathExists(""));

    EXPECT_TRUE(pv::FolderExists(folder));
    EXPECT_TRUE(pv::FolderExists(folder + "/"));
    EXPECT_TRUE(pv::FolderExists("/"));
    EXPECT_FALSE(pv::FolderExists(file));
    EXPECT_FALSE(pv::FolderExists(folder + "/missing"));
    EXPECT_FALSE(pv::FolderExists(""));
}

TEST(PathRoutines, DesktopPathEndsInExactlyOneSeparator) {
    EXPECT_EQ(pv::DesktopPathFrom("/home/ann/Desktop", u'/'), "/home/ann/Desktop/");
    EXPECT_EQ(pv::DesktopPathFrom("/home/ann/Desktop/", u'/'), "/home/ann/Desktop/");
    EXPECT_EQ(pv::DesktopPathFrom("C:/Users/Ann/Desktop", u'\\'), "C:\\Users\\Ann\\Desktop\\");
    const QString real = pv::GetDesktopPath();
    ASSERT_FALSE(real.isEmpty());
    EXPECT_TRUE(real.endsWith(u'/'));
    EXPECT_FALSE(real.endsWith("//"));
}

TEST(PathRoutines, DesktopPathFailsWhenTheSystemGivesNone) {
    try {
        pv::DesktopPathFrom("");
        FAIL() << "no failure";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::FolderError::DesktopNotFound));
    }
}

}  // namespace
