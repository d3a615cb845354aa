#pragma once
// What the command line prints while the run works: each file written (its path, or a JSON
// line), each failure with its report's description and location on stderr (and as a JSON
// line), and a progress bar on stderr when stderr is a terminal.
#include <ostream>

#include "cli/InputWorkbooks.h"
#include "split/RunObserver.h"

namespace pv::cli {

class CliRunObserver : public split::RunObserver {
  public:
    struct Settings {
        bool json = false;
        bool quiet = false;
        bool progressBar = false;
        bool dryRun = false;  // outputs are named, not written: JSON calls them "planned"
    };
    CliRunObserver(std::ostream& out, std::ostream& err, Settings settings)
        : out_(out), err_(err), settings_(settings) {}

    void setMousePointer(int) override {}
    void setProgressValue(double percent) override;
    void setProgressText(const std::string& text) override;
    bool stopRequested() override;
    void outputSaved(const split::SavedOutput& output) override;
    void sheetSkipped(const std::string& source, const std::string& sheet) override;
    void stepFailed(const split::RunFailure& failure) override;
    // A folder input, or a folder below one, that could not be read: its workbooks are missing.
    void folderUnread(const UnreadFolder& folder);

  private:
    void drawProgress();
    void clearProgress();

    std::ostream& out_;
    std::ostream& err_;
    Settings settings_;
    double percent_ = 0;
    std::string text_;
    bool progressShown_ = false;
};

}  // namespace pv::cli
