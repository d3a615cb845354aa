#pragma once
// The split run behind "Start Saving" and the command line: every listed workbook opened, every
// sheet with content beyond A1 saved as a workbook of its own under the chosen naming option.
// Failing steps are reported with PushButton2_Click's location and the run's line numbers, and
// the run goes on.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Dialogs.h"
#include "core/Error.h"
#include "core/GuardedProcedure.h"
#include "host/SpreadsheetHost.h"
#include "split/OutputNaming.h"
#include "split/OutputTarget.h"
#include "split/RunObserver.h"
#include "split/SplitErrors.h"

namespace pv::split {

class ParallelSaver;
struct SaveTask;
struct SaveResult;

inline constexpr const char* kNoFilesAdded = "No files added.";
inline constexpr const char* kFolderDoesNotExist =
    "Folder does not exist. Please select another folder.";
inline constexpr const char* kRangePrompt = "Highlight a block of cells with mouse";
inline constexpr const char* kNoRangeSelected = "You did not select a range. Please try again.";
inline constexpr const char* kDone = "Done.";
inline constexpr const char* kProcessing = "Processing: ";
inline constexpr const char* kProgressBarIdleText = "Progress Bar";

struct RunRequest {
    // The listed paths, taken when the run starts: rows added or removed meanwhile do not
    // change this run.
    std::vector<std::string> rows;
    std::string outputFolder;  // a separator is added when it has none
    std::string namingOption;  // one of the five texts; any other text saves nothing
    // More than 1: sheets are saved on that many threads while the run names the next ones in
    // list order, so the names are those of a one-thread run.
    int jobs = 1;
};

// What the command line may change in a run; the window's runs leave it as it is.
struct RunChoices {
    // Everything but the writes: each output is named, reserved and reported as saved, so the
    // names are those a real run would give the same folder, and nothing is written.
    bool dryRun = false;
    // Which sheets of each workbook the run considers; empty: all. A sheet passed over here is
    // not told; the rule for sheets without content still applies to the others.
    std::function<bool(const host::SheetInfo&)> considersSheet;
    // Every output in this format (".csv", ".pdf"): the naming rules give the stem, numbered and
    // "no_value" names included, and a sheet the host cannot write in it fails instead of being
    // saved in another. Empty: the names' own extensions, as the window saves.
    std::string outputExtension;
};

struct RunServices {
    host::SpreadsheetHost& host;
    Dialogs& dialogs;
    RunObserver& observer;
    // ConfirmHostClosed: true when the run must not start. Empty: never asked.
    std::function<bool()> confirmHostClosed;
};

struct RunOutcome {
    bool started = false;  // the three checks passed
    bool stopped = false;  // stopRequested ended it early
    int saved = 0;
    int failures = 0;  // failing steps reported
};

class SplitRun {
  public:
    SplitRun(RunRequest request, RunServices services, RunChoices choices = {});
    ~SplitRun();
    SplitRun(const SplitRun&) = delete;
    SplitRun& operator=(const SplitRun&) = delete;

    RunOutcome run();

  private:
    bool passesChecks();
    void processRow(std::size_t row);
    void askForRangeOnce(host::SourceWorkbook& workbook);
    void processSheet(host::SourceWorkbook& workbook, std::size_t sheet);
    bool isTaken(const std::string& candidate, const std::string& sourcePath,
                 LazyUsedRange& used) const;
    void checkNotListed(const std::string& target) const;
    std::string inOutputFormat(const std::string& name) const;
    std::optional<SaveTask> nameOutput(std::size_t sheet, const NamingInputs& inputs,
                                       LazyUsedRange& used, bool& named);
    void save(host::SourceWorkbook& workbook, SaveTask task);
    void placeAndReport(SaveTask task);
    void place(SaveTask& task);
    void discardWritten(const SaveTask& task);
    void saved(const SaveTask& task);
    void reportFinished(std::vector<SaveResult> results);
    void finishParallelSaves();
    void resetProgress();
    double progressValue(std::size_t row) const;
    void followHostProgress();
    void backToRowProgress();

    // Runs a numbered statement; false when it failed (after its report).
    template <typename Statement>
    bool attempt(int line, Statement&& statement);
    void noteFailure(int line, std::exception_ptr failure);
    Error outOfMemory() const;

    RunRequest request_;
    RunServices services_;
    RunChoices choices_;
    GuardedProcedure proc_;
    RunOutcome outcome_;

    std::string folder_;
    std::size_t row_ = 0;
    bool hostProgressShown_ = false;  // the bar shows a batch of the host's, not row_
    int fileNumber_ = 1;
    std::string rangeAddress_;
    bool rangeCancelled_ = false;
    std::string sourcePath_;
    std::string sourceExtension_;
    std::string baseName_;
    std::string sheetName_;
    // Names this run has written or will write: taken for later sheets whatever the disk says.
    std::set<std::string> claimed_;
    FreeNumbers freeNumbers_;
    std::set<std::string> listedFiles_;  // canonical paths of the rows, never replaced
    std::unique_ptr<ParallelSaver> saver_;
};

}  // namespace pv::split
