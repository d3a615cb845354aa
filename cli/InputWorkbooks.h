#pragma once
// The workbooks named on the command line: a file as given; a folder walked like "Add All Excel
// Files In Folder", breadth-first, every folder's files matching "*." + extension in name order.
#include <string>
#include <vector>

#include "core/Dialogs.h"

namespace pv::cli {

// A folder's files are those "Add All Excel Files In Folder" adds (folders/FolderFileRows.h):
// names starting with "~" (lock files of an office program) and hidden writable files are left
// out.
// A walk failure is reported through `dialogs` and the walk goes on.
std::vector<std::string> inputWorkbooks(const std::vector<std::string>& inputs,
                                        const std::string& extension, Dialogs& dialogs);

}  // namespace pv::cli
