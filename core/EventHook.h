#pragma once
// The one way long work of ours lets a window's events through: the window installs a hook, and
// the run, the engine's long reads, the folder walks and the waits for LibreOffice call it. With
// no hook installed (the command line) a call does nothing. The hook runs on whatever thread
// calls it; it decides whether to act (a window acts only on its own thread).
#include <chrono>
#include <functional>
#include <memory>

namespace pv {

class EventHook {
  public:
    // Installs `hook` while this object lives; the hook installed before it comes back after,
    // whichever order the two go in.
    explicit EventHook(std::function<void()> hook);
    ~EventHook();
    EventHook(const EventHook&) = delete;
    EventHook& operator=(const EventHook&) = delete;

    // Runs the installed hook, if any.
    static void letEventsThrough();

  private:
    std::shared_ptr<const std::function<void()>> hook_;
};

// For callers that would call the hook many times a second (one call per file of a walk over
// thousands): while this lives, a call reaches the hook installed before it at most once per
// `interval`, often enough for the window to stay responsive, rarely enough not to slow the walk.
class ThrottledEventHook {
  public:
    static constexpr std::chrono::milliseconds kInterval{20};

    explicit ThrottledEventHook(std::chrono::milliseconds interval = kInterval);
    ~ThrottledEventHook();
    ThrottledEventHook(const ThrottledEventHook&) = delete;
    ThrottledEventHook& operator=(const ThrottledEventHook&) = delete;

  private:
    struct State;
    std::shared_ptr<State> state_;
    EventHook hook_;
};

}  // namespace pv
