#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/AppErrors.h"
#include "app/SettingsStore.h"
#include "core/Error.h"
#include "support/TestEnv.h"

namespace {

using pv::SettingsStore;
using pv::test::TempDir;

QString folderOf(const TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SettingsStore, AbsentKeyGivesTheCallersDefault) {
    TempDir dir;
    SettingsStore store(folderOf(dir));
    EXPECT_EQ(store.read("Extension", "xl*"), "xl*");
    EXPECT_EQ(store.read("Folder", ""), "");
}

TEST(SettingsStore, WritesReachTheFileAtOnceAndOtherStoresSeeThem) {
    TempDir dir;
    SettingsStore writer(folderOf(dir));
    SettingsStore reader(folderOf(dir));
    writer.write("Save Option", "New filenames will be based on content of cell A1");
    EXPECT_EQ(reader.read("Save Option", "x"), "New filenames will be based on content of cell A1");
    writer.write("Save Option", "New filenames will be 1.xls, 2.xls, 3.xls, etc.");
    EXPECT_EQ(reader.read("Save Option", "x"), "New filenames will be 1.xls, 2.xls, 3.xls, etc.");

    const auto file = dir / "Orvantis" / "Pellavine.conf";
    EXPECT_EQ(writer.fileName().toStdString(), file.string());
    // Keys live at the top level: QSettings keeps those under [General].
    EXPECT_EQ(fileText(file).rfind("[General]\n", 0), 0u) << fileText(file);
}

TEST(SettingsStore, EmptyTextReadsBackEmptyForEveryKey) {
    TempDir dir;
    SettingsStore store(folderOf(dir));
    for (const char* key : {"Folder", "Save Option", "LastFolderDot", "LastFolder", "Extension"}) {
        store.write(key, "");
        EXPECT_EQ(store.read(key, "default"), "") << key;
    }
}

TEST(SettingsStore, TextsComeBackExactly) {
    TempDir dir;
    SettingsStore store(folderOf(dir));
    for (const QString& value :
         {QString("C:\\Reports\\"), QString("/nowhere/at all/ü; x=1, \"q\""), QString(" lead ")}) {
        store.write("Folder", value);
        EXPECT_EQ(store.read("Folder", "default"), value);
    }
}

TEST(SettingsStore, RefusedWriteThrows) {
    TempDir dir;
    // A folder where the file should be: the store cannot write it, even as root.
    std::filesystem::create_directories(dir / "Orvantis" / "Pellavine.conf");
    SettingsStore store(folderOf(dir));
    try {
        store.write("Folder", "/x/");
        FAIL() << "no failure";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::AppError::SettingsWriteFailed));
        EXPECT_NE(e.description().find("Pellavine.conf"), std::string::npos);
    }
}

}  // namespace
