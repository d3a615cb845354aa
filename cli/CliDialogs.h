#pragma once
// The run's dialogs on a terminal: messages are printed, the range prompt is answered by
// "--naming cell:REF", and nothing waits for a person. Failures of the run are printed by the
// observer (CliRunObserver), which knows their file and sheet, so once the run starts its error
// reports are not repeated here.
#include <ostream>

#include "core/Dialogs.h"

namespace pv::cli {

class CliDialogs : public Dialogs {
  public:
    CliDialogs(std::ostream& err, bool quiet, std::string rangeAddress)
        : err_(err), quiet_(quiet), rangeAddress_(std::move(rangeAddress)) {}

    void leaveReportsToObserver() { printReports_ = false; }

    void message(const std::string& text, const std::string& title = {},
                 MessageIcon icon = MessageIcon::None) override;
    bool askYesNo(const std::string& text, const std::string& title = {}) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                       const std::string& startFolder) override;
    std::string browseForFolder(const std::string& prompt, const std::string& startFolder) override;
    std::optional<std::string> askForRange(const std::string& workbookPath,
                                           const std::string& prompt,
                                           const RangePromptCells& cells) override;

  private:
    std::ostream& err_;
    bool quiet_;
    std::string rangeAddress_;
    bool printReports_ = true;
};

}  // namespace pv::cli
