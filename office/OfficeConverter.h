#pragma once
// Runs LibreOffice's converter: many files into one format in a single soffice start, with a
// private user profile (a LibreOffice the user has open is never disturbed), a time limit (a
// stuck conversion is killed with everything it started) and the event hook called while it
// works.
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Error.h"

class QProcessEnvironment;
class QTemporaryDir;

namespace pv::office {

// How much data memory soffice may take: a quarter of the machine's memory, between 2 and 8 GiB.
// Some hostile files make LibreOffice grow until the system kills it, starving every other
// program first; under the limit such a file fails alone, in seconds, and the batch goes on.
std::uint64_t defaultOfficeMemoryLimit();

// How legacy sources (.xls, .xlsb, .ods, .xlt) become one-sheet workbooks in a legacy format.
enum class LegacyDesign {
    // Converted to .xlsx, split by our engine, each output converted back.
    RoundTrip,
    // Split inside LibreOffice: each source loaded once, every other sheet removed, saved in the
    // output's format. Outputs our engine writes (.xlsx) still come from the converted source.
    InOffice,
};

struct OfficeSettings {
    // The soffice program; empty or missing when LibreOffice is not installed.
    std::filesystem::path soffice;
    // A start may take this long, plus the per-file allowance for each file it converts.
    std::chrono::milliseconds baseTimeout{120'000};
    std::chrono::milliseconds perFileTimeout{60'000};
    // Bytes of data memory for soffice and what it starts (RLIMIT_DATA); 0 leaves it as it is.
    std::uint64_t memoryLimit = defaultOfficeMemoryLimit();
    LegacyDesign design = LegacyDesign::RoundTrip;
};

// soffice from the PATH; the environment variable PV_SOFFICE, when set, names it instead (an
// empty value or a missing file means "not installed"). PV_LEGACY_DESIGN ("roundtrip" or
// "inoffice") picks the design; the round trip otherwise.
OfficeSettings officeSettingsFromEnvironment();

// A new private folder "pellavine-<kind>-<process id>-XXXXXX" in the temporary folder (check
// isValid()); first removes those that runs no longer alive left behind.
std::unique_ptr<QTemporaryDir> privateTemporaryFolder(const QString& kind);

// Free bytes a conversion needs in the temporary folder at the least: with less, a failure there
// is put down to the full folder.
inline constexpr std::uintmax_t kRoomForConversion = 1 << 20;

// True when the disk of `folder` has fewer than `needed` bytes free, or `failure` (that of a
// write there) says it is full: the likely cause of a write there failing.
bool lacksRoom(const std::filesystem::path& folder, std::uintmax_t needed,
               std::error_code failure = {});

// The failure of `what` (a text naming the workbook and, where it helps, the sheet) in the full
// temporary folder.
Error temporaryFolderFull(const std::string& what);

enum class ConversionEnd { Finished, Crashed, TimedOut, NotStarted };

struct ConversionBatch {
    ConversionEnd end = ConversionEnd::Finished;
    // One entry per input: the converted file, or nothing when LibreOffice wrote none.
    std::vector<std::optional<std::filesystem::path>> outputs;
    // What soffice printed (its last lines), to explain a failure.
    std::string diagnostics;
};

class OfficeConverter {
  public:
    explicit OfficeConverter(OfficeSettings settings);
    ~OfficeConverter();
    OfficeConverter(const OfficeConverter&) = delete;
    OfficeConverter& operator=(const OfficeConverter&) = delete;

    bool available() const;
    LegacyDesign design() const { return settings_.design; }

    // Converts every input into `outputFolder` as its stem + `extension` (".xlsx"), through the
    // export filter `filter`. Inputs must have distinct stems. One soffice start; calls from
    // several threads take turns, as they share the profile. `workbooks`, when given, names the
    // workbook each input stands for: the progress callback is told each of them as soffice
    // reaches its input.
    ConversionBatch convert(const std::vector<std::filesystem::path>& inputs,
                            const std::string& extension, const std::string& filter,
                            const std::filesystem::path& outputFolder,
                            const std::vector<std::filesystem::path>& workbooks = {});

    // True when soffice runs Python user scripts (LibreOffice's Python script provider is
    // installed beside it).
    bool runsScripts() const;

    // Runs the Python script `text` in one soffice start, as the user script `name` of the
    // private profile; its function main() does the work and ends soffice. The script finds
    // `job` through the environment variable kScriptJobVariable. The time limit allows for
    // `files` files; `poll` (may be empty) is called while it works, on this thread.
    ConversionBatch runScript(const std::string& name, std::string_view text,
                              const std::filesystem::path& job, std::size_t files,
                              const std::function<void()>& poll);

    // Tells the progress callback that the work has reached `workbook`.
    void tell(const std::filesystem::path& workbook);

    // Replaces the callback told which workbook a conversion has reached (empty: none). It runs
    // on the converting thread; what it throws is ignored, as it only shows progress.
    void setProgress(std::function<void(const std::filesystem::path&)> progress);

    // Wall-clock time spent in soffice so far, and how many times it was started.
    std::chrono::milliseconds timeSpent() const;
    int starts() const;

    static constexpr const char* kScriptJobVariable = "PV_INOFFICE_JOB";

  private:
    // Held while soffice works: calls from several threads take turns (the mutex), and one
    // from an event handler while it works fails instead of sharing the profile.
    class BusyTurn {
      public:
        explicit BusyTurn(bool& busy);
        ~BusyTurn();
        BusyTurn(const BusyTurn&) = delete;
        BusyTurn& operator=(const BusyTurn&) = delete;

      private:
        bool& busy_;
    };

    std::filesystem::path profileFolder();
    // One soffice start with `work` after the common arguments (headless, the private profile),
    // under the memory limit and the time limit for `files` files; its end in `batch`.
    // `environment`: soffice's, when not empty.
    void run(const QStringList& work, const QProcessEnvironment& environment, std::size_t files,
             const std::function<void()>& poll, ConversionBatch& batch);

    OfficeSettings settings_;
    mutable std::recursive_mutex mutex_;
    bool busy_ = false;
    std::unique_ptr<QTemporaryDir> profile_;
    std::function<void(const std::filesystem::path&)> progress_;
    std::chrono::milliseconds timeSpent_{0};
    int starts_ = 0;
};

// A text for reports: why a batch left a file unconverted.
std::string describeConversionEnd(const ConversionBatch& batch);

}  // namespace pv::office
