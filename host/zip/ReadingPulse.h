#pragma once
// Long reads give a pulse every few megabytes, so a program that reads on the thread of its
// window can let the window's events through meanwhile (a sheet of a million rows takes
// seconds). The hook runs on whatever thread is reading; it decides whether to act.
#include <functional>
#include <memory>

namespace pv::host {

class ReadingPulse {
  public:
    // Installs `hook` while this object lives; the one it replaced comes back after.
    explicit ReadingPulse(std::function<void()> hook);
    ~ReadingPulse();
    ReadingPulse(const ReadingPulse&) = delete;
    ReadingPulse& operator=(const ReadingPulse&) = delete;

    // Called by readers: runs the installed hook, if any.
    static void beat();

  private:
    std::shared_ptr<const std::function<void()>> previous_;
};

}  // namespace pv::host
