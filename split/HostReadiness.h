#pragma once
// Guards around the spreadsheet host: at start-up, that one can be created at all; before a run,
// that no spreadsheet application holds the listed workbooks open.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The start of the name of the private profile folder our own LibreOffice converter runs with.
inline constexpr const char* kPrivateOfficeProfilePrefix = "pellavine-office-";

// Whether a process's command line (its arguments, as /proc/<pid>/cmdline holds them, each
// ended by a NUL) is one of our own converter's: it names our private profile.
bool isOurOfficeConverter(std::string_view commandLine);

// The names of this user's running processes (/proc/<pid>/comm and the file name of the
// executable); none where /proc cannot be read. Our own converters are left out: they hold no
// workbook of the user's open.
std::vector<std::string> runningProcessNamesOfThisUser();

using ProcessNames = std::function<std::vector<std::string>()>;
using FileProbe = std::function<bool(const std::filesystem::path&)>;

bool fileIsPresent(const std::filesystem::path& path);

// True when a spreadsheet application that may hold listed workbooks open is running: an office
// process of this user (soffice.bin, or a name containing "excel", in any case), or a lock file
// beside a listed workbook ("~$name" or ".~lock.name#"). Never fails: a failing probe counts as
// nothing running.
bool IsHostRunning(const std::vector<std::string>& listedWorkbooks,
                   const ProcessNames& processNames = runningProcessNamesOfThisUser,
                   const FileProbe& isPresent = fileIsPresent);

// The question ConfirmHostClosed asks, with its line breaks.
std::string hostRunningQuestion();

// True when the run must stop: a host is running and the user answered No. Yes, or no host
// running, lets the run proceed.
bool ConfirmHostClosed(Dialogs& dialogs, const std::function<bool()>& isHostRunning);

}  // namespace pv
