#pragma once
// The numbered steps of a handler that has no error report: a failing step is dropped and the
// next one runs; a failing test counts as false, as nobody is told about it. A caller that must
// learn of some failures (the command line tells which folders it could not list) passes a hook,
// called with the step's line and what it threw.
#include <exception>
#include <functional>

namespace pv {

class QuietProcedure {
  public:
    using FailedStep = std::function<void(int line, const std::exception& failure)>;

    QuietProcedure() = default;
    explicit QuietProcedure(FailedStep failed) : failed_(std::move(failed)) {}

    template <typename Statement>
    void step(int line, Statement&& statement) {
        try {
            statement();
        } catch (const std::exception& failure) {
            if (failed_)
                failed_(line, failure);
        }
    }

    template <typename Test, typename Body>
    void stepIf(int line, Test&& test, Body&& body) {
        bool holds = false;
        step(line, [&] { holds = test(); });
        if (holds)
            step(line, body);
    }

  private:
    FailedStep failed_;
};

}  // namespace pv
