#pragma once
// The numbered steps of a handler that has no error report: a failing step is dropped and the
// next one runs; a failing test counts as false, as nobody is told about it.
#include <exception>

namespace pv {

class QuietProcedure {
  public:
    template <typename Statement>
    void step(int /*line*/, Statement&& statement) {
        try {
            statement();
        } catch (const std::exception&) {
        }
    }

    template <typename Test, typename Body>
    void stepIf(int line, Test&& test, Body&& body) {
        bool holds = false;
        step(line, [&] { holds = test(); });
        if (holds)
            step(line, body);
    }
};

}  // namespace pv
