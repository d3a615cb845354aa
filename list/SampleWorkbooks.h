#pragma once
// The example workbooks in the application folder's Samples folder.
#include <QString>

#include <functional>

namespace pv {

class Dialogs;
class WorkbookListView;

inline constexpr const char* kOpenSamplesQuestion =
    "Would you like this software to open the folder where these sample files are stored (so that "
    "you can view them before working with them)?";

// Opens a folder in the desktop's file manager. Tests replace it so no file manager starts.
using FolderOpener = std::function<void(const QString& folder)>;
FolderOpener& folderOpener();

// True when some row's text equals `text` exactly (letter case included).
bool ListContains(const WorkbookListView& list, const QString& text);

// Adds every file of applicationFolder/Samples that is not listed yet, then offers to open the
// folder. Throws what the listing or the opener throws.
void LoadSampleWorkbooks(WorkbookListView& list, const QString& applicationFolder,
                         Dialogs& dialogs);

}  // namespace pv
