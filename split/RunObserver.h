#pragma once
// What a split run shows while it works, and what it tells about each output. The window moves
// its progress bar and pointer (its events get through by the event hook); the command line
// prints.
#include <string>

namespace pv::split {

// One output workbook written.
struct SavedOutput {
    std::string source;  // the listed path
    std::string sheet;
    std::string path;  // the file written
    // Set when the file was written under another extension than its name asked for.
    std::string note;
    // The file's size in bytes (-1 when it cannot be read back) and how long writing it took;
    // both 0 in a dry run.
    long long bytes = 0;
    double seconds = 0;
};

// One failing step of the run, as its error report shows it.
struct RunFailure {
    std::string source;  // the listed path; empty before the first row
    std::string sheet;   // empty when the step concerns the whole workbook
    int number = 0;
    std::string description;
    std::string location;
    int line = 0;
};

class RunObserver {
  public:
    virtual ~RunObserver() = default;

    virtual void setMousePointer(int pointer) = 0;
    virtual void setProgressValue(double percent) = 0;
    virtual void setProgressText(const std::string& text) = 0;
    // True once the program is asked to end (the window closed, an interrupt): the run stops
    // before its next file, so no file is left half written.
    virtual bool stopRequested() { return false; }

    virtual void outputSaved(const SavedOutput& /*output*/) {}
    // A sheet passed over because nothing lies beyond its A1; the window says nothing of it.
    virtual void sheetSkipped(const std::string& /*source*/, const std::string& /*sheet*/) {}
    virtual void stepFailed(const RunFailure& /*failure*/) {}
};

}  // namespace pv::split
