#include "cli/InputWorkbooks.h"

#include <QStringList>

#include <exception>

#include "core/Error.h"
#include "core/QuietProcedure.h"
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

// As a dropped folder's steps: a file whose test fails is left out, unreported. Only a folder
// whose files cannot be listed (it changed since the walk read it) is told.
QuietProcedure listingProcedure(std::vector<UnreadFolder>& unread) {
    return QuietProcedure([&unread](int line, const std::exception& failure) {
        if (line != kListFolderFilesLine)
            return;
        const auto* error = dynamic_cast<const Error*>(&failure);
        unread.push_back({{},
                          error ? error->number() : 0,
                          error ? error->description() : std::string(failure.what())});
    });
}

void addFolderWorkbooks(const QString& folder, const QString& pattern, Dialogs& dialogs,
                        const FolderReader& reader, InputWorkbooks& inputs) {
    QStringList folders{folder.endsWith('/') ? folder : folder + '/'};
    QStringList unlisted;
    const auto tell = [&](const QString& path, int number, const std::string& description) {
        unlisted.append(path);
        inputs.unread.push_back({path.chopped(1).toStdString(), number, description});
    };
    GetSubDirectories2016(folders, true, {reader, dialogs, {}, tell});
    // Told once is enough: a folder that could not be listed for its subfolders is not listed
    // again for its files.
    for (const QString& path : unlisted)
        folders.removeAll(path);
    for (const QString& path : folders) {
        const std::size_t before = inputs.unread.size();
        QuietProcedure procedure = listingProcedure(inputs.unread);
        WorkbookRows rows{inputs.workbooks};
        AddFolderFileRows(procedure, rows, QStringList{path}, pattern);
        for (std::size_t i = before; i < inputs.unread.size(); ++i)
            inputs.unread[i].folder = path.chopped(1).toStdString();
    }
}

}  // namespace

std::vector<std::string> readInputList(std::istream& list, char separator) {
    std::vector<std::string> names;
    for (std::string name; std::getline(list, name, separator);) {
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

InputWorkbooks inputWorkbooks(const std::vector<std::string>& inputs, const std::string& extension,
                              Dialogs& dialogs, const FolderReader& reader) {
    const QString pattern = "*." + QString::fromStdString(extension);
    InputWorkbooks result;
    for (const std::string& input : inputs) {
        const QString path = QString::fromStdString(input);
        if (!FolderExists(path)) {
            result.workbooks.push_back(input);  // a missing file is the run's to report
            continue;
        }
        // Nothing a folder's reading throws may end the program: the folder is told, the
        // other inputs still count.
        try {
            addFolderWorkbooks(path, pattern, dialogs, reader, result);
        } catch (const Error& e) {
            result.unread.push_back({input, e.number(), e.description()});
        } catch (const std::exception& e) {
            result.unread.push_back({input, 0, e.what()});
        }
    }
    return result;
}

}  // namespace pv::cli
