#include "cli/SplitCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include <QString>
#include <QStringList>

#include "cli/CliDialogs.h"
#include "cli/CliRunObserver.h"
#include "cli/CommandLineOptions.h"
#include "cli/InputWorkbooks.h"
#include "folders/DiskFolderReader.h"
#include "folders/PathRoutines.h"
#include "folders/WildcardMatch.h"
#include "host/SpreadsheetHost.h"
#include "office/LegacyHost.h"
#include "split/HostReadiness.h"
#include "split/SplitRun.h"

namespace pv::cli {

namespace {

// The progress bar redraws one line; only a terminal shows that as intended.
bool isTerminal(const std::ostream& err) {
    return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

// The sheets the options choose: any of the patterns, and visible when hidden ones are skipped.
std::function<bool(const host::SheetInfo&)> sheetChoice(const CommandLineOptions& options) {
    if (options.sheetPatterns.empty() && !options.skipHidden)
        return {};
    QStringList patterns;
    for (const std::string& pattern : options.sheetPatterns)
        patterns.append(QString::fromStdString(pattern));
    return [patterns, skipHidden = options.skipHidden](const host::SheetInfo& sheet) {
        if (skipHidden && sheet.visibility != host::SheetVisibility::Visible)
            return false;
        const QString name = QString::fromStdString(sheet.name);
        return patterns.isEmpty() ||
               std::any_of(patterns.begin(), patterns.end(),
                           [&](const QString& pattern) { return WildcardMatch(name, pattern); });
    };
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return run(args, out, err, DiskFolderReader());
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const FolderReader& folders) {
    return run(args, std::cin, out, err, folders);
}

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, const FolderReader& folders) {
    std::string problem;
    std::optional<CommandLineOptions> options = parseCommandLine(args, problem);
    if (!options) {
        err << "pellavine-split: " << problem << "\n" << kUsage;
        return 2;
    }
    if (options->help) {
        out << kUsage;
        return 0;
    }
    if (options->version) {
        out << "pellavine-split " << PV_VERSION << "\n";
        return 0;
    }
    if (!FolderExists(QString::fromStdString(options->outputFolder))) {
        err << split::kFolderDoesNotExist << "\n";
        return 2;
    }

    if (options->filesFrom) {
        const char separator = options->nulSeparated ? '\0' : '\n';
        std::ifstream file;
        if (*options->filesFrom != "-") {
            file.open(*options->filesFrom, std::ios::binary);
            if (!file) {
                err << "pellavine-split: cannot read the list " << *options->filesFrom << ": "
                    << std::strerror(errno) << "\n";
                return 2;
            }
        }
        std::istream& list = *options->filesFrom == "-" ? in : file;
        std::vector<std::string> listed = readInputList(list, separator);
        if (list.bad()) {
            err << "pellavine-split: the list " << *options->filesFrom
                << " could not be read to its end\n";
            return 2;
        }
        options->inputs.insert(options->inputs.end(), std::make_move_iterator(listed.begin()),
                               std::make_move_iterator(listed.end()));
    }

    CliDialogs dialogs(err, options->quiet, options->rangeAddress);
    CliRunObserver observer(out, err,
                            {options->json, options->quiet, isTerminal(err), options->dryRun});
    InputWorkbooks inputs = inputWorkbooks(options->inputs, options->extension, dialogs, folders);
    for (const UnreadFolder& folder : inputs.unread)
        observer.folderUnread(folder);
    std::vector<std::string> rows = std::move(inputs.workbooks);
    dialogs.leaveReportsToObserver();

    const std::unique_ptr<office::LegacyHost> host =
        office::createLegacyHost({.csvRawValues = options->csvRaw});
    host->prepare({rows.begin(), rows.end()}, options->outputExtension);
    const bool quiet = options->quiet;
    const std::vector<std::string> listed = rows;
    split::SplitRun splitRun(
        {std::move(rows), options->outputFolder, options->namingOption, options->jobs},
        {*host, dialogs, observer,
         [&listed, &err, quiet] {
             // Nobody can answer the question here: warn and go on.
             if (!quiet && IsHostRunning(listed))
                 err << "pellavine-split: warning: a spreadsheet "
                        "application is running and may hold a listed "
                        "workbook open\n";
             return false;
         }},
        {options->dryRun, sheetChoice(*options), options->outputExtension});
    const split::RunOutcome outcome = splitRun.run();
    return outcome.started && !outcome.stopped && outcome.failures == 0 && inputs.unread.empty()
               ? 0
               : 1;
}

}  // namespace pv::cli
