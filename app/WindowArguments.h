#pragma once
// The window's command line: workbooks and folders to put on the list (what a file manager's
// "Open with" passes), --help and --version. Qt's own options are taken by QApplication first.
#include <QString>
#include <QStringList>

namespace pv {

inline constexpr const char* kWindowHelp =
    "Usage: pellavine [options] [WORKBOOK|FOLDER]...\n"
    "Opens the window that saves each worksheet with content of every listed workbook as a\n"
    "workbook of its own. Workbooks and folders given are put on the list as if dropped on it;\n"
    "every file in a folder's tree becomes a row.\n"
    "\n"
    "Options:\n"
    "  -h, --help           this text\n"
    "      --version        the program's version\n"
    "  --                   what follows are paths, even when they start with \"-\"\n"
    "\n"
    "Exit status: 0 when the window was closed, 2 usage error.\n";

struct WindowArguments {
    enum class Action { Open, Help, Version, Usage };
    Action action = Action::Open;
    QStringList paths;  // for Open, in the order given
    QString error;      // for Usage
};

// `arguments` without the program name. --help wins over --version, either over an unknown
// option, which wins over paths.
WindowArguments ParseWindowArguments(const QStringList& arguments);

}  // namespace pv
