#include "cli/InputWorkbooks.h"

#include <QStringList>

#include "core/QuietProcedure.h"
#include "folders/DiskFolderReader.h"
#include "folders/FolderFileRows.h"
#include "folders/GetSubDirectories2016.h"
#include "folders/PathRoutines.h"

namespace pv::cli {

namespace {

// The inputs as the rows AddFolderFileRows adds.
struct WorkbookRows {
    std::vector<std::string>& workbooks;
    void AddWorkbookRow(const QString& row) { workbooks.push_back(row.toStdString()); }
};

void addFolderWorkbooks(const QString& folder, const QString& pattern, Dialogs& dialogs,
                        std::vector<std::string>& workbooks) {
    const DiskFolderReader reader;
    QStringList folders{folder.endsWith('/') ? folder : folder + '/'};
    GetSubDirectories2016(folders, true, {reader, dialogs});
    // As a dropped folder's: a file whose test fails is left out, unreported.
    QuietProcedure quiet;
    WorkbookRows rows{workbooks};
    AddFolderFileRows(quiet, rows, folders, pattern);
}

}  // namespace

std::vector<std::string> inputWorkbooks(const std::vector<std::string>& inputs,
                                        const std::string& extension, Dialogs& dialogs) {
    const QString pattern = "*." + QString::fromStdString(extension);
    std::vector<std::string> workbooks;
    for (const std::string& input : inputs) {
        const QString path = QString::fromStdString(input);
        if (FolderExists(path))
            addFolderWorkbooks(path, pattern, dialogs, workbooks);
        else
            workbooks.push_back(input);  // a missing file is the run's to report
    }
    return workbooks;
}

}  // namespace pv::cli
