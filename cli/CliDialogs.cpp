#include "cli/CliDialogs.h"

#include "core/ErrorReport.h"
#include "split/SplitRun.h"

namespace pv::cli {

void CliDialogs::message(const std::string& text, const std::string& title, MessageIcon) {
    if (title == kErrorReportTitle && !printReports_)
        return;  // printed by the observer, with file and sheet
    if (quiet_ && text == split::kDone)
        return;
    err_ << text << "\n";
}

bool CliDialogs::askYesNo(const std::string& text, const std::string&) {
    err_ << text << " (no one to answer: No)\n";
    return false;
}

std::optional<std::string> CliDialogs::inputBox(const std::string&, const std::string&,
                                                const std::string&) {
    return std::nullopt;
}

std::vector<std::string> CliDialogs::openFiles(const std::string&, const std::string&,
                                               const std::string&) {
    return {};
}

std::string CliDialogs::browseForFolder(const std::string&, const std::string&) {
    return {};
}

std::optional<std::string> CliDialogs::askForRange(const std::string&, const std::string&,
                                                   const RangePromptCells&) {
    if (rangeAddress_.empty())
        return std::nullopt;
    return rangeAddress_;
}

}  // namespace pv::cli
