#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <map>

#include "core/Error.h"
#include "core/EventHook.h"
#include "folders/DiskFolderReader.h"
#include "folders/FileAttributes.h"
#include "folders/FolderErrors.h"
#include "folders/GetSubDirectories2016.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using pv::test::TempDir;

QString slashed(const fs::path& p) {
    return QString::fromStdString(p.string()) + u'/';
}

QStringList walk(QStringList folders, bool recurse = true, int* eventRuns = nullptr) {
    pv::DiskFolderReader reader;
    pv::test::ScriptedDialogs dialogs;
    const pv::EventHook hook([eventRuns] {
        if (eventRuns)
            ++*eventRuns;
    });
    pv::WalkServices services{reader, dialogs};
    pv::GetSubDirectories2016(folders, recurse, services);
    EXPECT_TRUE(dialogs.shown().empty());
    return folders;
}

TEST(GetSubDirectories2016, WalksLevelByLevelAndLetsEventsRun) {
    TempDir t;
    for (const char* d : {"b/y", "a/x/deep", "C", "a/w"})
        fs::create_directories(t / d);
    const QString r = slashed(t.path());
    int eventRuns = 0;
    EXPECT_EQ(walk({r}, true, &eventRuns), (QStringList{r, r + "a/", r + "b/", r + "C/", r + "a/w/",
                                                        r + "a/x/", r + "b/y/", r + "a/x/deep/"}));
    EXPECT_GE(eventRuns, 8);
    EXPECT_EQ(walk({r}, false), (QStringList{r, r + "a/", r + "b/", r + "C/"}));
}

TEST(GetSubDirectories2016, DuplicateStartEntriesBothStayAndAreBothWalked) {
    TempDir t;
    fs::create_directories(t / "a");
    const QString r = slashed(t.path());
    EXPECT_EQ(walk({r, r}), (QStringList{r, r, r + "a/", r + "a/"}));
}

TEST(GetSubDirectories2016, DotFolderIsHiddenOnlyAndWalked) {
    TempDir t;
    fs::create_directories(t / ".config" / "inner");
    const QString r = slashed(t.path());
    EXPECT_EQ(pv::FileAttributes(QString::fromStdString((t / ".config").string())),
              pv::attributes::kDirectory | pv::attributes::kHidden);
    EXPECT_EQ(walk({r}), (QStringList{r, r + ".config/", r + ".config/inner/"}));
}

TEST(GetSubDirectories2016, LinksToFoldersAreNeverFollowedSoACycleEnds) {
    TempDir t;
    fs::create_directories(t / "tree" / "a");
    fs::create_directories(t / "outside" / "o");
    fs::create_directory_symlink(t / "tree", t / "tree" / "a" / "loop");
    fs::create_directory_symlink(t / "outside", t / "tree" / "toOutside");
    const QString r = slashed(t / "tree");
    EXPECT_EQ(walk({r}), (QStringList{r, r + "a/"}));
}

TEST(GetSubDirectories2016, FolderPathOf260CharactersIsNotWalked) {
    TempDir t;
    const QString r = slashed(t.path());
    // Parent folders whose paths with separator are 259 and 260 characters long.
    const auto nameFor = [&](int pathLength) {
        return std::string(pathLength - r.size() - 1, 'n');
    };
    for (int length : {259, 260}) {
        const std::string name = nameFor(length);
        fs::create_directories(t / name / "child");
        const QString parent = r + QString::fromStdString(name) + u'/';
        ASSERT_EQ(parent.size(), length);
        const QStringList result = walk({r});
        EXPECT_TRUE(result.contains(parent));
        EXPECT_EQ(result.contains(parent + "child/"), length < 260) << length;
        fs::remove_all(t / name);
    }
}

TEST(GetSubDirectories2016, NamesWithUnsafeCharactersAreLeftOutWithTheirSubtree) {
    const std::map<std::string, bool> nameIsWalked = {
        {"plain Name 42", true}, {"caf\xC3\xA9", true}, {"\xE6\x97\xA5\xE6\x9C\xAC", true},
        {"tab\there", false},    {"what?", false},      {"del\x7F", false},
        {"nel\xC2\x85", false},  {"latin1\xE9", false}, {"cr\r", false},
    };
    TempDir t;
    for (const auto& [name, walked] : nameIsWalked)
        fs::create_directories(t / name / "sub");
    const QStringList result = walk({slashed(t.path())});
    for (const auto& [name, walked] : nameIsWalked) {
        const QString folder = slashed(t / name);
        EXPECT_EQ(result.contains(folder), walked) << name;
        EXPECT_EQ(result.contains(folder + "sub/"), walked) << name;
    }
}

// A file system whose answers a test writes: folders, their attributes, and failures.
class FakeReader : public pv::FolderReader {
  public:
    std::map<QString, QStringList> children;
    std::map<QString, int> attributeValues;
    std::map<QString, int> listingFailures;  // folder -> failure number when listed
    std::map<QString, int>
        attributeFailures;           // folder -> failure number when its attributes are read
    QStringList vanishAfterListing;  // gone once their parent has been listed
    mutable QStringList gone;

    bool folderExists(const QString& path) const override {
        return !gone.contains(path) && (children.count(path) || attributeValues.count(path));
    }
    bool isRootFolder(const QString& path) const override { return path == u"/"; }
    int attributes(const QString& path) const override {
        if (auto it = attributeFailures.find(path); it != attributeFailures.end())
            throw pv::Error(it->second, "attributes of " + path.toStdString());
        auto it = attributeValues.find(path);
        return it == attributeValues.end() ? pv::attributes::kDirectory : it->second;
    }
    std::vector<SubFolder> subFolders(const QString& path) const override {
        if (auto it = listingFailures.find(path); it != listingFailures.end())
            throw pv::Error(it->second, "listing " + path.toStdString());
        std::vector<SubFolder> result;
        auto it = children.find(path);
        for (const QString& name : it == children.end() ? QStringList{} : it->second) {
            result.push_back({name.toUtf8(), false});
            if (vanishAfterListing.contains(path + name + u'/'))
                gone.append(path + name + u'/');
        }
        return result;
    }
};

struct FakeWalk {
    FakeReader reader;
    pv::test::ScriptedDialogs dialogs;
    QStringList run(QStringList folders) {
        pv::GetSubDirectories2016(folders, true, {reader, dialogs});
        return folders;
    }
};

TEST(GetSubDirectories2016, RefusedAndVanishedFoldersLeaveTheListOthersStay) {
    FakeWalk w;
    w.reader.children = {{"/s/", {"denied", "ok", "gone", "odd", "denied2"}},
                         {"/s/ok/", {"deep"}},
                         {"/s/odd/", {"kept"}},
                         {"/s/ok/deep/", {}}};
    w.reader.attributeValues = {{"/s/denied/", 16}, {"/s/gone/", 16}, {"/s/denied2/", 16}};
    w.reader.listingFailures = {{"/s/denied/", pv::number(pv::FolderError::PermissionDenied)},
                                {"/s/denied2/", pv::number(pv::FolderError::PermissionDenied)},
                                {"/s/gone/", pv::number(pv::FolderError::PathNotFound)},
                                {"/s/odd/", pv::number(pv::FolderError::ReadFailed)}};
    EXPECT_EQ(w.run({"/s/"}), (QStringList{"/s/", "/s/ok/", "/s/odd/", "/s/ok/deep/"}));
    EXPECT_TRUE(w.dialogs.shown().empty());
}

TEST(GetSubDirectories2016, AFolderVanishedAfterItsParentWasListedIsNotAdded) {
    FakeWalk w;
    w.reader.children = {{"/s/", {"a", "b"}}, {"/s/a/", {}}, {"/s/b/", {}}};
    w.reader.vanishAfterListing = {"/s/a/"};
    EXPECT_EQ(w.run({"/s/"}), (QStringList{"/s/", "/s/b/"}));
    EXPECT_TRUE(w.dialogs.shown().empty());
}

TEST(GetSubDirectories2016, HiddenSystemFoldersAreNotWalkedBelowTheStart) {
    FakeWalk w;
    w.reader.children = {{"/s/", {"sys", "sysLink", "hidden", "sysRo"}},
                         {"/s/sys/", {"in"}},
                         {"/s/hidden/", {"in"}},
                         {"/s/sysRo/", {}},
                         {"/s/hidden/in/", {}},
                         {"/hs/", {"child"}},
                         {"/", {"top"}},
                         {"/top/", {}}};
    w.reader.attributeValues = {{"/s/sys/", 22},   {"/s/sysLink/", 1046}, {"/s/hidden/", 18},
                                {"/s/sysRo/", 23}, {"/hs/", 22},          {"/", 22}};
    EXPECT_EQ(w.run({"/s/", "/hs/", "/"}), (QStringList{"/s/", "/hs/", "/", "/s/hidden/",
                                                        "/s/sysRo/", "/top/", "/s/hidden/in/"}));
}

TEST(GetSubDirectories2016, FailureBeforeAnyListingIsReportedWithTheWalksLocation) {
    FakeWalk w;
    w.reader.children = {{"/a/", {"x"}}, {"/b/", {"y"}}, {"/b/y/", {}}, {"/c/", {}}};
    w.reader.attributeFailures = {{"/a/", pv::number(pv::FolderError::ReadFailed)},
                                  {"/c/", pv::number(pv::FolderError::PermissionDenied)}};
    // /a/ fails while failures are still reported; /c/ fails after /b/ was listed: not reported.
    EXPECT_EQ(w.run({"/a/", "/b/", "/c/"}), (QStringList{"/a/", "/b/", "/b/y/"}));
    ASSERT_EQ(w.dialogs.errorReports().size(), 1u);
    EXPECT_EQ(w.dialogs.errorReports()[0],
              "attributes of /a/\r\nin Corvedale2021/08/31.AddFolder.GetSubDirectories2016 at "
              "line 116\r\rPlease email screenshot of this message to support@orvantis.example");
}

}  // namespace
