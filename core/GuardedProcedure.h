#pragma once
// A procedure that does not stop on a failure: its statements are numbered, a failing statement
// shows the standard error report with the procedure's location and current line, and the
// procedure goes on with its next statement.
//
//   GuardedProcedure proc(dialogs, form1Location("PushButton3_Click"));
//   proc.step(100, [&] { folder = ...; });
//   proc.stepIf(102, [&] { return folder.empty(); }, [&] { proc.end(); });
//   proc.step(104, [&] { ... });
//
// A routine without a guard of its own simply throws; the guarded caller reports it at the line
// of the call. A guarded procedure called from another one reports under its own location.
#include <exception>
#include <string>
#include <utility>

#include "core/Dialogs.h"

namespace pv {

class GuardedProcedure {
  public:
    GuardedProcedure(Dialogs& dialogs, std::string location);

    // Runs the statement numbered `line`, unless the procedure has ended.
    template <typename Statement>
    void step(int line, Statement&& statement) {
        if (ended_)
            return;
        currentLine_ = line;
        guard(std::forward<Statement>(statement));
    }

    // A conditional statement numbered `line`. The body runs when the test holds, and also when
    // the test itself fails (after its report): execution resumes inside the body. Statements of
    // the body that carry no number of their own count under the last number reached.
    template <typename Test, typename Body>
    void stepIf(int line, Test&& test, Body&& body) {
        if (ended_)
            return;
        currentLine_ = line;
        bool holds = true;
        guard([&] { holds = test(); });
        if (holds && !ended_)
            guard(std::forward<Body>(body));
    }

    // The procedure's exit: later steps do nothing. A body that calls it returns right after.
    void end() noexcept { ended_ = true; }
    bool ended() const noexcept { return ended_; }

    // The number of the last numbered statement that began to run; 0 before the first.
    int currentLine() const noexcept { return currentLine_; }
    const std::string& location() const noexcept { return location_; }

  private:
    template <typename Statement>
    void guard(Statement&& statement) {
        try {
            statement();
        } catch (const std::exception& failure) {
            report(failure);
        } catch (...) {
            reportUnknown();
        }
    }

    void report(const std::exception& failure);
    void reportUnknown();
    void show(const std::string& description);

    Dialogs& dialogs_;
    std::string location_;
    int currentLine_ = 0;
    bool ended_ = false;
};

}  // namespace pv
