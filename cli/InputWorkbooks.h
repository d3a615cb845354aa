#pragma once
// The workbooks named on the command line: a file as given; a folder walked like "Add All Excel
// Files In Folder", breadth-first, every folder's files matching "*." + extension in name order.
#include <istream>
#include <string>
#include <vector>

#include "core/Dialogs.h"

namespace pv {
class FolderReader;
}

namespace pv::cli {

// A folder the walk could not read: it and what lies below it give no workbooks.
struct UnreadFolder {
    std::string folder;
    int number = 0;
    std::string description;
};

struct InputWorkbooks {
    std::vector<std::string> workbooks;
    std::vector<UnreadFolder> unread;
};

// The names of a list, each ended by `separator` (the last one need not be): '\n' for one a line,
// '\0' for names that may hold line ends. Empty names are passed over.
std::vector<std::string> readInputList(std::istream& list, char separator);

// A folder's files are those "Add All Excel Files In Folder" adds (folders/FolderFileRows.h):
// names starting with "~" (lock files of an office program) and hidden writable files are left
// out. Unlike the window, which passes over folders it cannot list, every such folder is
// returned, so the user learns what was not searched; the walk goes on with the rest. A failure
// before any listing is reported through `dialogs`, as in the window.
InputWorkbooks inputWorkbooks(const std::vector<std::string>& inputs, const std::string& extension,
                              Dialogs& dialogs, const FolderReader& reader);

}  // namespace pv::cli
