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

namespace {

// HOME (and the user-folder settings under it) pointed at a folder of the test's own.
class OwnHome {
  public:
    OwnHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", QByteArray::fromStdString(dir.path().string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / ".config").string()));
    }
    ~OwnHome() {
        qputenv("HOME", oldHome_);
        qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    pv::test::TempDir dir;

  private:
    QByteArray oldHome_, oldConfig_;
};

TEST(PathRoutines, WithoutADesktopFolderOutputsGoToTheHomeFolder) {
    OwnHome home;
    const QString homePath = QString::fromStdString(home.dir.path().string());
    EXPECT_EQ(pv::UserDesktopFolder(), homePath);
    EXPECT_EQ(pv::GetDesktopPath(u'/'), homePath + "/");
    std::filesystem::create_directory(home.dir / "Desktop");
    EXPECT_EQ(pv::UserDesktopFolder(), homePath + "/Desktop");
    EXPECT_EQ(pv::GetDesktopPath(u'/'), homePath + "/Desktop/");
}

TEST(PathRoutines, ATildeAtTheStartIsTheHomeFolder) {
    OwnHome home;
    const QString homePath = QString::fromStdString(home.dir.path().string());
    EXPECT_EQ(pv::ExpandHomeFolder("~/out/", u'/'), homePath + "/out/");
    EXPECT_EQ(pv::ExpandHomeFolder("~", u'/'), homePath);
    EXPECT_EQ(pv::ExpandHomeFolder("~/", u'/'), homePath + "/");
    for (const char* unchanged : {"~ann/out", "/data/~/out", "out~/", "", "~out"})
        EXPECT_EQ(pv::ExpandHomeFolder(unchanged, u'/'), unchanged) << unchanged;
    EXPECT_EQ(pv::ExpandHomeFolder("~\\out", u'\\'),
              QString(homePath).replace(u'/', u'\\') + "\\out");
}

}  // namespace
