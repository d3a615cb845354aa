#include "split/HostReadiness.h"

#include <unistd.h>

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "host/SpreadsheetHost.h"
#include "host/zip/EntryNames.h"

namespace pv {

bool engineCanBeCreated() {
    return host::engineSelfTest();
}

void endProgramNow() {
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
}

std::string hostMissingMessage() {
    return "Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
           "1. Please make sure Excel is installed on this computer.\r\n\r\n"
           "2. Please open Excel normally and make sure a blank spreadsheet opens immediately "
           "without any interrupting window (such as an Excel file recovery window).\r\n\r\n"
           "3. Please make sure that when you double-click on a XLS or XLSX file that Excel "
           "opens normally without any interrupting messages.\r\n\r\n"
           "4. All versions of Excel are supported by this software except for the rare Excel "
           "Starter and Student editions.";
}

void CheckHostInstalled(Dialogs& dialogs, const HostProbe& canCreateHost,
                        const ProgramEnd& endProgram) {
    bool created = false;
    try {
        created = canCreateHost();
    } catch (...) {
        created = false;  // any failure of the probe means no host
    }
    if (created)
        return;
    try {
        dialogs.message(hostMissingMessage(), {}, MessageIcon::None);
    } catch (...) {
        // the program ends whether or not the box could be shown
    }
    endProgram();
}

namespace {

bool isOfficeProcess(const std::string& name) {
    const std::string lower = host::lowercase(name);
    return lower == "soffice.bin" || lower.find("excel") != std::string::npos;
}

}  // namespace

bool isOurOfficeConverter(std::string_view commandLine) {
    constexpr std::string_view kProfileOption = "-env:UserInstallation=";
    const std::string marker = std::string("/") + kPrivateOfficeProfilePrefix;
    for (std::size_t start = 0; start < commandLine.size();) {
        const std::size_t end = std::min(commandLine.find('\0', start), commandLine.size());
        const std::string_view argument = commandLine.substr(start, end - start);
        if (argument.starts_with(kProfileOption) && argument.find(marker) != std::string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<std::string> runningProcessNamesOfThisUser() {
    std::vector<std::string> names;
    std::error_code error;
    const uid_t me = ::getuid();
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit))
            continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0 || info.st_uid != me)
            continue;
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        const std::string arguments{std::istreambuf_iterator<char>(cmdline),
                                    std::istreambuf_iterator<char>()};
        if (isOurOfficeConverter(arguments))
            continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name))
            names.push_back(name);
        // comm keeps 15 characters; the executable's name is whole.
        std::error_code linkError;
        const auto executable = std::filesystem::read_symlink(entry.path() / "exe", linkError);
        if (!linkError)
            names.push_back(executable.filename().string());
    }
    return names;
}

bool fileIsPresent(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

bool IsHostRunning(const std::vector<std::string>& listedWorkbooks,
                   const ProcessNames& processNames, const FileProbe& isPresent) {
    try {
        for (const std::string& name : processNames())
            if (isOfficeProcess(name))
                return true;
        for (const std::string& listed : listedWorkbooks) {
            const std::filesystem::path path(listed);
            const std::string name = path.filename().string();
            if (name.empty())
                continue;
            if (isPresent(path.parent_path() / ("~$" + name)) ||
                isPresent(path.parent_path() / (".~lock." + name + "#")))
                return true;
        }
    } catch (...) {
        // a failing probe means that nothing was found
    }
    return false;
}

std::string hostRunningQuestion() {
    return "Excel may be open. It is recommended that you close Excel first.\r"
           "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
           "Would you like to proceed anyway?";
}

bool ConfirmHostClosed(Dialogs& dialogs, const std::function<bool()>& isHostRunning) {
    if (!isHostRunning())
        return false;
    return !dialogs.askYesNo(hostRunningQuestion());
}

}  // namespace pv
