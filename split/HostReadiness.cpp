#include "split/HostReadiness.h"

#include <cstdio>
#include <cstdlib>

#include "host/SpreadsheetHost.h"

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

}  // namespace pv
