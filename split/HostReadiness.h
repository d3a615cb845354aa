#pragma once
// Guards around the spreadsheet host: at start-up, that one can be created at all.
#include <functional>
#include <string>

#include "core/Dialogs.h"

namespace pv {

// True when a host can be created; the default runs the engine's self-test.
using HostProbe = std::function<bool()>;
// Ends the program at once; the default exits without running any closing steps.
using ProgramEnd = std::function<void()>;

bool engineCanBeCreated();
[[noreturn]] void endProgramNow();

// The text of message 842001: its five lines, each pair separated by an empty line.
std::string hostMissingMessage();

// Returns when a host can be created. Otherwise shows message 842001 (OK, no icon, the
// application's title) and ends the program. A failing probe counts as a host that cannot be
// created.
void CheckHostInstalled(Dialogs& dialogs, const HostProbe& canCreateHost = engineCanBeCreated,
                        const ProgramEnd& endProgram = endProgramNow);

}  // namespace pv
