#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>

#include <filesystem>
#include <fstream>

#include "core/Error.h"
#include "folders/BrowseForFolder.h"
#include "folders/FileAttributes.h"
#include "folders/HasUnsafeCharacters.h"
#include "folders/IsExistingFile.h"
#include "folders/ListFilesInFolder.h"
#include "folders/WildcardMatch.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using pv::test::TempDir;

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}
void touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

TEST(WildcardMatch, MatchesLikeFileDialogPatterns) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"Book.xlsx", "*.xl*", true},
             {"BOOK.XLSM", "*.xl*", true},
             {"book.xls", "*.xl*", true},
             {"book.csv", "*.xl*", false},
             {"book.xlsx.bak", "*.xl*", true},
             {"xlsx", "*.xl*", false},
             {"README", "*.*", true},
             {"a.b.c", "*.*", true},
             {"notes.txt", "*.txt", true},
             {"notes.txt", "*. txt", false},
             {"a1.csv", "a?.csv", true},
             {"a12.csv", "a?.csv", false},
             {"[x].txt", "[x].*", true},
             {"x.txt", "[x].*", false},
             {"aaaaaaaaab", "*a*a*b", true},
             {"aaaaaaaaaa", "*a*a*b", false},
         }) {
        EXPECT_EQ(pv::WildcardMatch(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
    }
}

TEST(ListFilesInFolder, ListsMatchingFilesOnlyHiddenIncludedByName) {
    TempDir t;
    for (const char* f : {"b.xlsx", "A.xls", ".hidden.xlsx", "c.csv", "~$lock.xlsx"})
        touch(t / f);
    fs::create_directory(t / "folder.xlsx");
    fs::create_directory_symlink(t / "folder.xlsx", t / "link.xlsx");
    mkfifo((t / "pipe.xlsx").c_str(), 0600);
    touch(t / "latin1\xE9.xlsx");

    const pv::NameArray names = pv::ListFilesInFolder(q(t.path()), "*.xl*");
    EXPECT_EQ(names.names(), (QStringList{".hidden.xlsx", "A.xls", "b.xlsx", "~$lock.xlsx"}));
    EXPECT_EQ(names.lowerBound(), 1);
    EXPECT_EQ(names[1], ".hidden.xlsx");
    EXPECT_EQ(pv::ListFilesInFolder(q(t.path()) + u'/', "*.csv").names(), QStringList{"c.csv"});
}

TEST(ListFilesInFolder, NoMatchGivesTheEmptyFormAndManyNamesAllCome) {
    TempDir t;
    touch(t / "plain");
    for (const QString& folder : {q(t.path()), q(t / "missing"), q(t / "plain" / "x")}) {
        const pv::NameArray none = pv::ListFilesInFolder(folder, "*.xl*");
        EXPECT_EQ(none.lowerBound(), 0);
        EXPECT_EQ(none.upperBound(), 0);
        EXPECT_EQ(none[0], QString());
    }
    fs::create_directory(t / "many");
    for (int i = 0; i < 150; ++i)
        touch(t / "many" / ("f" + std::to_string(1000 + i) + ".xlsx"));
    const pv::NameArray all = pv::ListFilesInFolder(q(t / "many"), "*.*");
    EXPECT_EQ(all.upperBound(), 150);
    EXPECT_EQ(all[1], "f1000.xlsx");
    EXPECT_EQ(all[150], "f1149.xlsx");
}

TEST(IsExistingFile, OnlyExistingRegularFilesCount) {
    TempDir t;
    touch(t / ".hidden");
    touch(t / "readonly");
    chmod((t / "readonly").c_str(), 0444);
    fs::create_symlink(t / "readonly", t / "link");
    fs::create_symlink(t / "nothing", t / "dangling");
    mkfifo((t / "pipe").c_str(), 0600);
    EXPECT_TRUE(pv::IsExistingFile(q(t / ".hidden")));
    EXPECT_TRUE(pv::IsExistingFile(q(t / "readonly")));
    EXPECT_TRUE(pv::IsExistingFile(q(t / "link")));
    EXPECT_FALSE(pv::IsExistingFile(q(t.path())));
    EXPECT_FALSE(pv::IsExistingFile(q(t / "dangling")));
    EXPECT_FALSE(pv::IsExistingFile(q(t / "pipe")));
    EXPECT_FALSE(pv::IsExistingFile(q(t / "missing")));
    EXPECT_FALSE(pv::IsExistingFile(QString()));
}

TEST(FileAttributes, MapsPosixPropertiesToTheTestedBits) {
    TempDir t;
    touch(t / ".hiddenWritable");
    touch(t / ".hiddenReadOnly");
    chmod((t / ".hiddenReadOnly").c_str(), 0444);
    touch(t / "plain");
    fs::create_directory_symlink(t.path(), t / "folderLink");
    EXPECT_EQ(pv::FileAttributes(q(t / ".hiddenWritable")), 34);
    EXPECT_EQ(pv::FileAttributes(q(t / ".hiddenReadOnly")), 35);
    EXPECT_EQ(pv::FileAttributes(q(t / "plain")), 32);
    EXPECT_EQ(pv::FileAttributes(q(t / "folderLink")), 1024 | 16);
    EXPECT_EQ(pv::FileAttributes("/"), 16);
    EXPECT_THROW(pv::FileAttributes(q(t / "missing")), pv::Error);
}

TEST(HasUnsafeCharacters, ScreensControlCharactersQuestionMarksAndBadEncoding) {
    EXPECT_FALSE(pv::HasUnsafeCharacters(QString("Plain name 2021")));
    EXPECT_FALSE(pv::HasUnsafeCharacters(QString()));
    EXPECT_FALSE(pv::HasUnsafeCharacters(QString::fromUtf8("Übersicht – 日本 ÿ")));
    for (char16_t c : {u'\t', u'\x1f', u'?', u'\x7f', u'\x80', u'\x9f'})
        EXPECT_TRUE(pv::HasUnsafeCharacters(QString("a") + QChar(c))) << int(c);
    EXPECT_FALSE(pv::HasUnsafeCharacters(QString(QChar(u'\xa0'))));
    EXPECT_TRUE(pv::HasUnsafeCharacters(QByteArrayView("bad\xE9name")));
    EXPECT_TRUE(pv::HasUnsafeCharacters(QByteArrayView("\xC0\xAF")));  // overlong "/"
    EXPECT_FALSE(pv::HasUnsafeCharacters(QByteArrayView("caf\xC3\xA9")));
}

TEST(BrowseForFolder, OpensAtAnExistingStartFolderAndTrimsTheSeparator) {
    TempDir t;
    pv::test::ScriptedDialogs dialogs;
    dialogs.answerFolder((t / "chosen").string() + "/");
    dialogs.answerFolder("/");
    EXPECT_EQ(pv::BrowseForFolder(dialogs, "Please select folder:", q(t.path())), q(t / "chosen"));
    EXPECT_EQ(pv::BrowseForFolder(dialogs, "Please select folder:", q(t / "gone")), "/");
    EXPECT_EQ(pv::BrowseForFolder(dialogs, "Please select folder:", q(t.path())), QString());
    ASSERT_EQ(dialogs.shown().size(), 3u);
    EXPECT_EQ(dialogs.shown()[0].text, "Please select folder:");
    EXPECT_EQ(dialogs.shown()[0].start, t.path().string());
    EXPECT_EQ(dialogs.shown()[1].start, "");  // a start folder that is gone is not offered
}

}  // namespace
