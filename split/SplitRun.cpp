#include "split/SplitRun.h"

#include <filesystem>
#include <new>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#include <QString>

#include "core/Error.h"
#include "core/ErrorReport.h"
#include "core/EventHook.h"
#include "core/MousePointer.h"
#include "folders/PathRoutines.h"
#include "host/cells/CellRef.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "split/OutputNaming.h"
#include "split/OutputPlacing.h"
#include "split/OutputTarget.h"
#include "split/ParallelSaver.h"
#include "split/RangePromptCells.h"
#include "split/SplitErrors.h"

namespace pv::split {

// The run's numbered statements, as its error reports quote them:
//   100 the list has rows             102 the output folder exists    104 ConfirmHostClosed
//   106 counters and range reset
//   for each row:
//   108 let events through            110 hourglass                   112 progress value
//   114 source path                   116 progress text               118 let events through
//   120 source extension              122 open the workbook           124 range prompt
//   126 workbook base name
//   for each sheet:
//   128 used range                    130 skip test                   132 naming cell
//   134 output name                   136 save                        138 next file number
//   140 close the workbook
//   142 pointer, progress value and text reset                        144 "Done."
namespace line {
constexpr int kListHasRows = 100, kFolderExists = 102, kConfirmHostClosed = 104, kReset = 106;
constexpr int kLetEvents = 108, kHourglass = 110, kProgressValue = 112, kSourcePath = 114;
constexpr int kProgressText = 116, kLetEventsAgain = 118, kSourceExtension = 120;
constexpr int kOpen = 122, kRangePrompt = 124, kBaseName = 126;
constexpr int kUsedRange = 128, kSkipTest = 130, kNamingCell = 132, kOutputName = 134;
constexpr int kSave = 136, kNextFileNumber = 138, kClose = 140, kResetProgress = 142;
constexpr int kDone = 144;
}  // namespace line

namespace {

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder;
}

std::string canonical(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved.string();
}

std::string fileNameOf(const std::string& path) {
    return FileNameFromPath(QString::fromStdString(path), u'/').toStdString();
}

}  // namespace

SplitRun::SplitRun(RunRequest request, RunServices services, RunChoices choices)
    : request_(std::move(request)),
      services_(std::move(services)),
      choices_(std::move(choices)),
      proc_(services_.dialogs, form1Location("PushButton2_Click")) {}

SplitRun::~SplitRun() = default;

template <typename Statement>
bool SplitRun::attempt(int line, Statement&& statement) {
    bool succeeded = !proc_.ended();
    proc_.step(line, [&] {
        try {
            statement();
        } catch (const std::bad_alloc&) {
            // The library's own text names neither the file nor the sheet.
            succeeded = false;
            const Error failure = outOfMemory();
            noteFailure(line, std::make_exception_ptr(failure));
            throw failure;
        } catch (...) {
            succeeded = false;
            noteFailure(line, std::current_exception());
            throw;
        }
    });
    return succeeded;
}

Error SplitRun::outOfMemory() const {
    std::string what = "Out of memory";
    if (!sheetName_.empty())
        what += " on sheet \"" + sheetName_ + "\" of " + sourcePath_;
    else if (!sourcePath_.empty())
        what += " on " + sourcePath_;
    return Error(SplitError::OutOfMemory,
                 what +
                     ": it needs more memory than the system can give; try it alone or with "
                     "fewer jobs");
}

void SplitRun::noteFailure(int line, std::exception_ptr failure) {
    RunFailure noted{sourcePath_, sheetName_, 0, "Unknown failure", proc_.location(), line};
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        noted.number = error.number();
        noted.description = error.description();
    } catch (const std::exception& other) {
        noted.description = other.what();
    } catch (...) {
    }
    ++outcome_.failures;
    services_.observer.stepFailed(noted);
}

RunOutcome SplitRun::run() {
    if (!passesChecks())
        return outcome_;
    outcome_.started = true;

    attempt(line::kReset, [&] {
        fileNumber_ = 1;
        rangeCancelled_ = false;
        rangeAddress_.clear();
        folder_ = withSeparator(request_.outputFolder);
        for (const auto& row : request_.rows)
            listedFiles_.insert(canonical(row));
        if (request_.jobs > 1 && !choices_.dryRun)
            saver_ = std::make_unique<ParallelSaver>(services_.host, request_.jobs);
    });

    followHostProgress();
    struct Unfollow {
        host::SpreadsheetHost& host;
        ~Unfollow() { host.setSourceProgress({}); }
    } unfollow{services_.host};

    const std::size_t rowCount = request_.rows.size();  // read once, as the loop starts
    for (std::size_t row = 1; row <= rowCount; ++row) {
        if (services_.observer.stopRequested()) {
            outcome_.stopped = true;
            break;
        }
        processRow(row);
    }
    finishParallelSaves();
    sourcePath_.clear();
    sheetName_.clear();

    attempt(line::kResetProgress, [&] { resetProgress(); });
    if (!rangeCancelled_ && !outcome_.stopped)
        attempt(line::kDone, [&] { services_.dialogs.message(kDone); });
    return outcome_;
}

bool SplitRun::passesChecks() {
    Dialogs& dialogs = services_.dialogs;
    proc_.stepIf(
        line::kListHasRows, [&] { return request_.rows.empty(); },
        [&] {
            dialogs.message(kNoFilesAdded);
            proc_.end();
        });
    proc_.stepIf(
        line::kFolderExists,
        [&] { return !FolderExists(QString::fromStdString(request_.outputFolder)); },
        [&] {
            dialogs.message(kFolderDoesNotExist);
            proc_.end();
        });
    proc_.stepIf(
        line::kConfirmHostClosed,
        [&] { return services_.confirmHostClosed && services_.confirmHostClosed(); },
        [&] { proc_.end(); });
    return !proc_.ended();
}

void SplitRun::resetProgress() {
    services_.observer.setMousePointer(pointer::kDefault);
    services_.observer.setProgressValue(0);
    services_.observer.setProgressText(kProgressBarIdleText);
}

double SplitRun::progressValue(std::size_t row) const {
    return static_cast<double>(row) / static_cast<double>(request_.rows.size()) * 100.0;
}

void SplitRun::followHostProgress() {
    // A host that converts many workbooks at once (while opening the first, or saving its first
    // sheet) spends most of the run there: the bar and its text follow the workbooks of the
    // batch as the row steps would show them. Only the run's thread moves them.
    std::unordered_map<std::string, std::size_t> rows;
    for (std::size_t row = request_.rows.size(); row >= 1; --row)
        rows[request_.rows[row - 1]] = row;  // a workbook listed twice shows its first row
    services_.host.setSourceProgress(
        [this, rows = std::move(rows),
         thread = std::this_thread::get_id()](const std::filesystem::path& workbook) {
            const auto found = rows.find(workbook.string());
            if (std::this_thread::get_id() != thread || found == rows.end())
                return;
            hostProgressShown_ = true;
            services_.observer.setProgressValue(progressValue(found->second));
            services_.observer.setProgressText(kProcessing + fileNameOf(workbook.string()));
        });
}

void SplitRun::backToRowProgress() {
    if (!std::exchange(hostProgressShown_, false))
        return;
    services_.observer.setProgressValue(progressValue(row_));
    services_.observer.setProgressText(kProcessing + fileNameOf(sourcePath_));
}

void SplitRun::processRow(std::size_t row) {
    RunObserver& observer = services_.observer;
    sheetName_.clear();
    row_ = row;
    if (saver_)
        reportFinished(saver_->takeFinished());

    attempt(line::kLetEvents, [&] { EventHook::letEventsThrough(); });
    attempt(line::kHourglass, [&] { observer.setMousePointer(pointer::kHourglass); });
    attempt(line::kProgressValue, [&] { observer.setProgressValue(progressValue(row)); });
    attempt(line::kSourcePath, [&] { sourcePath_ = request_.rows.at(row - 1); });
    attempt(line::kProgressText,
            [&] { observer.setProgressText(kProcessing + fileNameOf(sourcePath_)); });
    attempt(line::kLetEventsAgain, [&] { EventHook::letEventsThrough(); });
    attempt(line::kSourceExtension, [&] { sourceExtension_ = sourceExtension(sourcePath_); });

    // A workbook that does not open is reported once; none of its later steps has anything to
    // work on.
    std::unique_ptr<host::SourceWorkbook> workbook;
    const bool opened = attempt(line::kOpen, [&] { workbook = services_.host.open(sourcePath_); });
    backToRowProgress();
    if (!opened)
        return;

    if (namingOptionFromText(request_.namingOption) == NamingOption::UserCell &&
        rangeAddress_.empty())
        askForRangeOnce(*workbook);
    attempt(line::kBaseName, [&] { baseName_ = workbookBaseName(fileNameOf(sourcePath_)); });

    const std::size_t sheetCount = workbook->sheets().size();  // read once
    for (std::size_t sheet = 0; sheet < sheetCount; ++sheet) {
        EventHook::letEventsThrough();  // more often than each workbook: big ones take a while
        if (observer.stopRequested()) {
            outcome_.stopped = true;
            break;
        }
        const host::SheetInfo& info = workbook->sheets()[sheet];
        if (choices_.considersSheet && !choices_.considersSheet(info))
            continue;
        sheetName_ = info.name;
        processSheet(*workbook, sheet);
    }
    sheetName_.clear();
    attempt(line::kClose, [&] { workbook.reset(); });
}

void SplitRun::askForRangeOnce(host::SourceWorkbook& workbook) {
    attempt(line::kRangePrompt, [&] {
        std::optional<std::pair<host::CellRef, host::CellRef>> range;
        // The prompt shows the workbook as the run has it open, through the run's own host.
        const RangePromptCells cells = [&workbook](int rows, int columns) {
            return firstContentSheetTexts(workbook, rows, columns);
        };
        try {  // the prompt's own failures count as a cancel, unreported
            if (auto answer = services_.dialogs.askForRange(sourcePath_, kRangePrompt, cells))
                range = host::parseRangeRef(*answer);
        } catch (...) {
            range.reset();
        }
        if (!range) {
            rangeCancelled_ = true;
            services_.dialogs.message(kNoRangeSelected);
        } else {
            rangeCancelled_ = false;
            rangeAddress_ = host::absoluteAddress(range->first, range->second);
        }
    });
}

void SplitRun::processSheet(host::SourceWorkbook& workbook, std::size_t sheet) {
    // Each failure below is reported once and passes the sheet over: no later step has its
    // object, so nothing stale or empty is saved.
    bool hasContent = false;
    if (!attempt(line::kUsedRange, [&] { hasContent = workbook.hasContentBeyondA1(sheet); }))
        return;
    bool skip = false;
    attempt(line::kSkipTest, [&] { skip = !hasContent; });
    if (skip) {
        services_.observer.sheetSkipped(sourcePath_, sheetName_);
        return;
    }

    const std::string& optionText = request_.namingOption;
    const std::optional<NamingOption> option = namingOptionFromText(optionText);
    NamingInputs inputs{
        folder_,
        choices_.outputExtension.empty() ? sourceExtension_ : choices_.outputExtension,
        sheetName_,
        baseName_,
        std::nullopt,
        fileNumber_};
    if (!attempt(line::kNamingCell, [&] {
            if (!option)
                return;
            if (const auto cell = namingCell(*option, rangeAddress_))
                inputs.cellValue = workbook.cellText(sheet, cell->row, cell->column);
        }))
        return;

    std::optional<SaveTask> task;
    bool numberUsed = false;
    LazyUsedRange used(workbook, sheet);
    const bool named =
        attempt(line::kOutputName, [&] { task = nameOutput(sheet, inputs, used, numberUsed); });
    if (named && task) {
        save(workbook, *task);
        backToRowProgress();
    }
    // A number once given out is spent, saved or not, so one refused name does not hold up
    // every later sheet.
    if (option == NamingOption::FileNumber && numberUsed)
        attempt(line::kNextFileNumber, [&] { ++fileNumber_; });
}

std::optional<SaveTask> SplitRun::nameOutput(std::size_t sheet, const NamingInputs& inputs,
                                             LazyUsedRange& used, bool& named) {
    auto name = outputFileName(
        request_.namingOption, inputs,
        [&](const std::string& c) { return isTaken(inOutputFormat(c), sourcePath_, used); },
        &freeNumbers_);
    if (!name)
        return std::nullopt;  // no option, or no range chosen: not saved
    named = true;
    *name = inOutputFormat(*name);
    const OutputTarget target = fitOutputToWriter(*name, sourcePath_, services_.host, used);
    // Only a format that cannot hold the sheet makes it too large, and such a format read it.
    const host::UsedRange range = used.known().value_or(host::UsedRange{});
    if (target.substituted && !choices_.outputExtension.empty()) {
        const std::string why =
            target.tooLarge
                ? host::tooLargeText(sheetName_, sourcePath_, host::lowercaseExtension(*name),
                                     range.lastRow, range.lastColumn)
                : choices_.outputExtension + " files cannot be written" +
                      (host::lowercase(choices_.outputExtension) == host::kCsvExtension
                           ? " from this workbook"
                           : " without LibreOffice (soffice) installed");
        throw Error(SplitError::FormatNotWritten, "Cannot save sheet \"" + sheetName_ + "\" of " +
                                                      sourcePath_ + " as " + *name + ": " + why);
    }
    checkNotListed(target.path);
    claimed_.insert(target.path);
    SaveTask task{sourcePath_, sheet, sheetName_, target.path, {}, 0, {}, {}, inputs, used.known()};
    if (target.substituted) {
        task.note = substitutionNote(*name, sourcePath_, target, sheetName_, range);
        task.noteNumber = number(SplitError::SavedInSourceFormat);
    }
    return task;
}

bool SplitRun::isTaken(const std::string& candidate, const std::string& sourcePath,
                       LazyUsedRange& used) const {
    // A name whose format cannot be written (or hold the sheet) is saved under its substitute,
    // so the substitute being taken takes the name too.
    const OutputTarget target = fitOutputToWriter(candidate, sourcePath, services_.host, used);
    return claimed_.contains(candidate) || claimed_.contains(target.path) ||
           isTakenOnDisk(candidate) || (target.substituted && isTakenOnDisk(target.path));
}

std::string SplitRun::inOutputFormat(const std::string& name) const {
    // Names end in the format's extension already, but for "no_value.xls" and numbered names.
    const std::string& extension = choices_.outputExtension;
    if (extension.empty() || name.ends_with(extension))
        return name;
    const std::size_t dot = extensionDot(name);
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

void SplitRun::checkNotListed(const std::string& target) const {
    // Numbered names replace existing files; a listed workbook must never be one of them.
    if (listedFiles_.contains(canonical(target)))
        throw Error(SplitError::WouldReplaceListedWorkbook,
                    "Cannot save sheet \"" + sheetName_ + "\" of " + sourcePath_ + " as " + target +
                        ": that file is a listed workbook");
}

void SplitRun::save(host::SourceWorkbook& workbook, SaveTask task) {
    if (choices_.dryRun) {  // the name is reserved already: later sheets see it taken
        saved(task);
        return;
    }
    // Numbered names replace a file of that name on purpose; every other output takes a name
    // that is free when it is placed.
    if (namingOptionFromText(request_.namingOption) != NamingOption::FileNumber) {
        task.written = temporaryOutputName(task.target);
        task.writtenRegistration = std::make_shared<TemporaryFile>(task.written);
    }
    if (saver_) {
        attempt(line::kSave, [&] { saver_->submit(task); });
        return;
    }
    if (attempt(line::kSave, [&] { writeTask(workbook, task); }))
        placeAndReport(std::move(task));
    else
        discardWritten(task);
}

void SplitRun::placeAndReport(SaveTask task) {
    if (!task.written.empty() && !attempt(line::kSave, [&] { place(task); })) {
        discardWritten(task);
        return;
    }
    saved(task);
}

void SplitRun::place(SaveTask& task) {
    while (!moveToFreeName(task.written, task.target)) {
        // The name was taken after the run chose it (another run into this folder, another
        // program): the disk now shows it taken, so naming again gives the next free one.
        bool named = false;
        LazyUsedRange used(task.used);  // the workbook may be closed by now
        std::optional<SaveTask> renamed = nameOutput(task.sheet, task.inputs, used, named);
        if (!renamed)
            throw Error(SplitError::NoFreeName, "No free file name for " + task.target);
        renamed->written = std::move(task.written);
        renamed->writtenRegistration = std::move(task.writtenRegistration);
        task = std::move(*renamed);
    }
    task.written.clear();
}

void SplitRun::discardWritten(const SaveTask& task) {
    if (task.written.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(task.written, ignored);
}

void SplitRun::saved(const SaveTask& task) {
    ++outcome_.saved;
    long long bytes = 0;
    if (!choices_.dryRun) {
        std::error_code error;
        const auto size = std::filesystem::file_size(task.target, error);
        bytes = error ? -1 : static_cast<long long>(size);
    }
    services_.observer.outputSaved(
        {task.source, task.sheetName, task.target, task.note, bytes, task.seconds});
    if (!task.note.empty())  // the sheet is saved; the report only says where and why
        proc_.step(line::kSave, [&] { throw Error(task.noteNumber, task.note); });
}

void SplitRun::reportFinished(std::vector<SaveResult> results) {
    const std::string path = sourcePath_, sheet = sheetName_;
    for (const SaveResult& result : results) {
        sourcePath_ = result.task.source;
        sheetName_ = result.task.sheetName;
        if (result.failure) {
            attempt(line::kSave, [&] { std::rethrow_exception(result.failure); });
            discardWritten(result.task);
        } else {
            placeAndReport(result.task);
        }
    }
    sourcePath_ = path;
    sheetName_ = sheet;
}

void SplitRun::finishParallelSaves() {
    if (!saver_)
        return;
    if (outcome_.stopped)
        saver_->dropQueued();
    reportFinished(saver_->finishAll());
    saver_.reset();
}

}  // namespace pv::split
