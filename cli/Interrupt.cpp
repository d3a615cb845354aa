#include "cli/Interrupt.h"

#include <unistd.h>
#include <atomic>
#include <csignal>

namespace pv::cli {

namespace {

std::atomic<bool> requested{false};

extern "C" void onInterrupt(int signal) {
    if (requested.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    constexpr char notice[] = "\npellavine-split: stopping after the current file\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, notice, sizeof notice - 1);
}

}  // namespace

void installInterruptHandlers() {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool interruptRequested() {
    return requested.load();
}

}  // namespace pv::cli
