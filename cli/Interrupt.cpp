#include "cli/Interrupt.h"

#include <unistd.h>
#include <atomic>
#include <csignal>

#include "core/TemporaryFiles.h"

namespace pv::cli {

namespace {

std::atomic<bool> requested{false};

// A signal that ends the program: files being written go first.
extern "C" void onFatal(int signal) {
    removeTemporaryFilesNow();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void onInterrupt(int signal) {
    if (requested.exchange(true)) {
        onFatal(signal);
        return;
    }
    constexpr char notice[] = "\npellavine-split: stopping after the current file\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, notice, sizeof notice - 1);
}

}  // namespace

void installInterruptHandlers() {
    // A closed terminal asks the run to stop as Ctrl+C does.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, onInterrupt);
    }
    for (const int signal : {SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ}) {
        std::signal(signal, onFatal);
    }
}

bool interruptRequested() {
    return requested.load();
}

}  // namespace pv::cli
