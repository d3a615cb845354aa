#pragma once
// Saves sheets on worker threads while the run goes on naming the next ones. Each worker opens
// its own copy of a source workbook (an opened workbook is not shared between threads) and keeps
// the last one open, so the sheets of one workbook reuse it.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/TemporaryFiles.h"
#include "host/SpreadsheetHost.h"
#include "split/OutputNaming.h"

namespace pv::split {

struct SaveTask {
    std::string source;  // the listed path
    std::size_t sheet = 0;
    std::string sheetName;
    std::string target;  // the file to write
    // Set when the sheet is saved under another name than asked for: its report's description
    // and number (see OutputTarget).
    std::string note;
    int noteNumber = 0;
    // Set when the output must not replace a file: the temporary file the sheet is written to,
    // moved to `target` once complete (OutputPlacing.h).
    std::string written;
    std::shared_ptr<TemporaryFile> writtenRegistration;  // while `written` may exist
    // What the name was made from, to name the output anew when its name was taken meanwhile.
    NamingInputs inputs;
    std::optional<host::UsedRange> used;  // when naming had to read it (LazyUsedRange)
    double seconds = 0;                   // how long writing it took
};

// Writes the task's sheet to its file (`written` when set, else `target`) and sets its `seconds`;
// a failure names `target`.
void writeTask(host::SourceWorkbook& workbook, SaveTask& task);

struct SaveResult {
    SaveTask task;
    std::exception_ptr failure;  // null when the file was written
};

class ParallelSaver {
  public:
    ParallelSaver(host::SpreadsheetHost& host, int workers);
    // Drops the tasks not yet started and waits for the running ones: a save is never cut off
    // halfway, and no task starts after this.
    ~ParallelSaver();
    ParallelSaver(const ParallelSaver&) = delete;
    ParallelSaver& operator=(const ParallelSaver&) = delete;

    void submit(SaveTask task);
    // The results finished so far, in the order the tasks were submitted (one finished early
    // waits for those before it), so a run reports as a one-thread run does; never waits.
    std::vector<SaveResult> takeFinished();
    // Waits for every submitted task, then returns the results not taken yet.
    std::vector<SaveResult> finishAll();
    // Drops the tasks not yet started; they leave no file.
    void dropQueued();

  private:
    struct Queued {
        std::uint64_t order;
        SaveTask task;
    };
    void work();
    // The results whose turn has come; the mutex is held.
    std::vector<SaveResult> takeInOrder();

    host::SpreadsheetHost& host_;
    std::mutex mutex_;
    std::condition_variable taskReady_;
    std::condition_variable taskDone_;
    std::deque<Queued> queue_;
    // By submission; empty for a task dropped before it started.
    std::map<std::uint64_t, std::optional<SaveResult>> finished_;
    std::uint64_t submitted_ = 0;
    std::uint64_t reported_ = 0;  // the next to report
    std::size_t running_ = 0;
    bool closing_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace pv::split
