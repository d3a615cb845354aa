#include "core/EventHook.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace pv {

namespace {

using Hook = std::shared_ptr<const std::function<void()>>;

// Installed hooks, the newest last. Callers on worker threads take a copy under the lock and
// call it outside it, so a hook may install another one or let events through that do.
std::mutex hookMutex;
std::vector<Hook> installedHooks;

Hook currentHook() {
    std::lock_guard lock(hookMutex);
    return installedHooks.empty() ? nullptr : installedHooks.back();
}

}  // namespace

EventHook::EventHook(std::function<void()> hook)
    : hook_(std::make_shared<const std::function<void()>>(std::move(hook))) {
    std::lock_guard lock(hookMutex);
    installedHooks.push_back(hook_);
}

EventHook::~EventHook() {
    std::lock_guard lock(hookMutex);
    if (const auto own = std::find(installedHooks.rbegin(), installedHooks.rend(), hook_);
        own != installedHooks.rend()) {
        installedHooks.erase(std::next(own).base());
    }
}

void EventHook::letEventsThrough() {
    if (const Hook hook = currentHook(); hook && *hook) {
        (*hook)();
    }
}

struct ThrottledEventHook::State {
    using Clock = std::chrono::steady_clock;
    State(Hook hook, Clock::duration every) : below(std::move(hook)), interval(every.count()) {}

    static Clock::rep now() { return Clock::now().time_since_epoch().count(); }

    const Hook below;
    const Clock::rep interval;
    // When the hook below last returned; the interval runs from there.
    std::atomic<Clock::rep> last{now()};
};

ThrottledEventHook::ThrottledEventHook(std::chrono::milliseconds interval)
    : state_(std::make_shared<State>(currentHook(), interval)), hook_([state = state_] {
          auto last = state->last.load();
          // Of callers on several threads at once, one gets through.
          if (State::now() - last < state->interval ||
              !state->last.compare_exchange_strong(last, State::now())) {
              return;
          }
          if (state->below && *state->below) {
              (*state->below)();
          }
          state->last = State::now();
      }) {}

ThrottledEventHook::~ThrottledEventHook() = default;

}  // namespace pv
