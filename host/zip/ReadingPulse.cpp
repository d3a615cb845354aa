#include "host/zip/ReadingPulse.h"

#include <memory>
#include <mutex>
#include <utility>

namespace pv::host {

namespace {

// Readers on worker threads take a copy under the lock and call it outside it.
std::mutex hookMutex;
std::shared_ptr<const std::function<void()>> installedHook;

}  // namespace

ReadingPulse::ReadingPulse(std::function<void()> hook) {
    auto next = std::make_shared<const std::function<void()>>(std::move(hook));
    std::lock_guard lock(hookMutex);
    previous_ = std::exchange(installedHook, std::move(next));
}

ReadingPulse::~ReadingPulse() {
    std::lock_guard lock(hookMutex);
    installedHook = std::move(previous_);
}

void ReadingPulse::beat() {
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(hookMutex);
        hook = installedHook;
    }
    if (hook && *hook) {
        (*hook)();
    }
}

}  // namespace pv::host
