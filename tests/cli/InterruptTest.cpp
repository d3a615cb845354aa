// The command line's signals, each in a child process of its own: a hang-up asks for a stop as
// Ctrl+C does, and whatever signal then ends the program takes the files being written along.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "cli/Interrupt.h"
#include "core/TemporaryFiles.h"
#include "split/TestWorkbooks.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

// Runs `body` in a child and returns its wait status.
template <typename Body>
int inChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(Interrupt, AHangUpStopsLikeCtrlCAndTheSignalThatEndsTheRunRemovesFilesBeingWritten) {
    for (const int ending : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(ending);
        pv::test::TempDir dir;
        const fs::path writing = dir / ".S4.xlsx.17.tmp";
        for (const auto& name :
             {".S4.xlsx.17.tmp", ".S4.xlsx.17.tmp.Ab3xYz", ".S4.xlsx.17.tmpx", "S4.xlsx"}) {
            std::ofstream(dir / name) << "x";
        }
        const int status = inChild([&] {
            pv::cli::installInterruptHandlers();
            pv::TemporaryFile registered(writing.string());
            std::raise(SIGHUP);
            if (!pv::cli::interruptRequested()) {
                ::_exit(3);
            }
            std::raise(ending);
            ::_exit(4);  // not reached: the second signal ends the program
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), ending);
        EXPECT_EQ(pv::test::fileNames(dir.path()),
                  (std::set<std::string>{".S4.xlsx.17.tmpx", "S4.xlsx"}));
    }
}

}  // namespace
