#include "cli/InputWorkbooks.h"

#include <QStringList>

#include "folders/DiskFolderReader.h"
#include "folders/FolderReader.h"
#include "folders/GetSubDirectories2016.h"
#include "folders/ListFilesInFolder.h"
#include "folders/PathRoutines.h"

namespace pv::cli {

namespace {

void addFolderWorkbooks(const QString& folder, const QString& pattern, Dialogs& dialogs,
                        std::vector<std::string>& workbooks) {
    const DiskFolderReader reader;
    QStringList folders{folder.endsWith('/') ? folder : folder + '/'};
    GetSubDirectories2016(folders, true, {reader, dialogs});
    for (const QString& each : folders) {
        const NameArray names = ListFilesInFolder(each, pattern);
        for (int i = 1; i <= names.upperBound(); ++i) {
            const QString& name = names[i];
            if (name.startsWith('~') || name.startsWith('.'))
                continue;
            workbooks.push_back(NormalizePath(each + name, u'/').toStdString());
        }
    }
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
