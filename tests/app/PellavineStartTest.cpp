// The program itself, started as a user starts it, with an empty settings store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TestEnv.h"

namespace {

using pv::test::shellQuote;
namespace fs = std::filesystem;

// build/bin/pellavine, found from this test's own place (build/tests/).
fs::path pellavineExecutable() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? pv::test::binDir() / "pellavine"
              : self.parent_path().parent_path() / "bin" / "pellavine";
}

TEST(Pellavine, FirstStartWritesFolderAndSaveOptionToTheUsersStore) {
    pv::test::TempDir home;
    const auto conf = home / "config" / "Orvantis" / "Pellavine.conf";
    fs::create_directory(home / "Desktop");  // without one, the home folder is the default
    const std::string exe = pellavineExecutable().string();
    // The window stays open; stop it once both settings are there (or after 30 s).
    const std::string command =
        "export HOME=" + shellQuote(home.path().string()) +
        " XDG_CONFIG_HOME=" + shellQuote((home / "config").string()) +
        " QT_QPA_PLATFORM=offscreen; " + shellQuote(exe) + " & pid=$!; " +
        "for i in $(seq 300); do grep -q Option " + shellQuote(conf.string()) +
        " 2>/dev/null && break; kill -0 $pid 2>/dev/null || break; sleep 0.1; done; "
        "kill $pid 2>/dev/null; wait $pid; true";
    std::string output;
    pv::test::runCommand(command, &output);

    std::ifstream in(conf);
    ASSERT_TRUE(in) << output;
    std::stringstream text;
    text << in.rdbuf();
    const std::string desktop = (home / "Desktop").string() + "/";
    EXPECT_NE(text.str().find("Folder=" + desktop + "\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("Save%20Option=New filenames will be based on sheet name\n"),
              std::string::npos)
        << text.str();
}

}  // namespace
