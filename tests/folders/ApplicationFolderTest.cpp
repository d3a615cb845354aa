// Where the window looks for Samples/ and its optional files: beside the executable (build tree),
// else in the installed data folder found relative to it.
#include <gtest/gtest.h>

#include <QString>
#include <filesystem>

#include "folders/ApplicationFolder.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using pv::test::TempDir;

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
}

TEST(ApplicationFolder, BesideTheExecutableThenTheInstalledDataFolder) {
    TempDir root;
    const fs::path bin = root / "usr" / "bin";
    const fs::path data = root / "usr" / "share" / "pellavine";
    fs::create_directories(bin);

    // Nothing anywhere: the executable's folder, where the optional files are simply absent.
    EXPECT_EQ(pv::ApplicationFolderFor(q(bin)), q(bin));

    // Installed layout: only the data folder holds anything.
    fs::create_directories(data / "Samples");
    EXPECT_EQ(pv::ApplicationFolderFor(q(bin)), q(data));

    // Each of the entries alone marks a folder.
    for (const QString& entry : pv::ApplicationFolderEntries()) {
        TempDir other;
        const fs::path otherBin = other / "bin";
        touch(other / "share" / "pellavine" / entry.toStdString());
        fs::create_directories(otherBin);
        EXPECT_EQ(pv::ApplicationFolderFor(q(otherBin)), q(other / "share" / "pellavine"))
            << entry.toStdString();
    }

    // Build-tree layout: the folder beside the executable wins over an installed one.
    fs::create_directories(bin / "Samples");
    EXPECT_EQ(pv::ApplicationFolderFor(q(bin)), q(bin));
    fs::remove(bin / "Samples");
    touch(bin / "HAND-M.CUR");
    EXPECT_EQ(pv::ApplicationFolderFor(q(bin)), q(bin));
}

}  // namespace
