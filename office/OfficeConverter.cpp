#include "office/OfficeConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "core/Error.h"
#include "core/EventHook.h"
#include "office/OfficeErrors.h"
#include "split/HostReadiness.h"

namespace pv::office {

namespace {

constexpr int kPumpIntervalMs = 50;
// How far past an input without an output the progress looks: soffice goes on after a file it
// cannot convert, and one that failed must not hold the progress up for the rest.
constexpr std::size_t kProgressLookAhead = 16;
constexpr std::size_t kDiagnosticsTail = 600;

// soffice is a wrapper that starts the real office process; it runs in a session of its own so
// that a kill reaches every process it started, not only the wrapper.
void killProcessGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) {
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    }
    process.kill();
    process.waitForFinished(5000);
}

// soffice's own complaints, without its progress lines, its warning about Java and repeats (it
// does not say which file a complaint is about, so one per kind is all a report can use).
std::string tail(const QByteArray& output) {
    std::string text;
    QSet<QByteArray> seen;
    for (const QByteArray& line : output.split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith("convert ") || line.contains("javaldx") ||
            line.startsWith("Overwriting") || seen.contains(line.trimmed())) {
            continue;
        }
        seen.insert(line.trimmed());
        text += line.trimmed().toStdString() + "\n";
    }
    if (text.size() > kDiagnosticsTail) {
        text.erase(0, text.size() - kDiagnosticsTail);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

bool isNonEmptyFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0;
}

}  // namespace

std::uint64_t defaultOfficeMemoryLimit() {
    constexpr std::uint64_t kGiB = 1ULL << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const std::uint64_t physical =
        pages > 0 && pageSize > 0
            ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
            : 8 * kGiB;
    return std::clamp(physical / 4, 2 * kGiB, 8 * kGiB);
}

std::unique_ptr<QTemporaryDir> privateTemporaryFolder(const QString& kind) {
    const QString prefix = "pellavine-" + kind + "-";
    // Folders of runs that were killed (nothing else leaves one behind) hold copies of their
    // sources: the owner's process id in the name tells which of them no process uses.
    const QDir temporary(QDir::tempPath());
    for (const QString& name : temporary.entryList({prefix + "*-*"}, QDir::Dirs | QDir::Hidden)) {
        bool number = false;
        const qint64 owner = name.mid(prefix.size()).section('-', 0, 0).toLongLong(&number);
        if (number && owner > 0 && owner != ::getpid() &&
            ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
            QDir(temporary.filePath(name)).removeRecursively();
        }
    }
    return std::make_unique<QTemporaryDir>(
        temporary.filePath(prefix + QString::number(::getpid()) + "-XXXXXX"));
}

bool lacksRoom(const std::filesystem::path& folder, std::uintmax_t needed,
               std::error_code failure) {
    if (failure == std::errc::no_space_on_device ||
        (failure.value() == EDQUOT && (failure.category() == std::generic_category() ||
                                       failure.category() == std::system_category()))) {
        return true;
    }
    std::error_code ec;
    const std::filesystem::space_info space = std::filesystem::space(folder, ec);
    return !ec && space.available < needed;
}

Error temporaryFolderFull(const std::string& what) {
    return Error(OfficeError::TemporaryFolderFull,
                 what + ": the temporary folder " + QDir::tempPath().toStdString() +
                     " is full; free some room there, or set TMPDIR to a folder with room");
}

OfficeSettings officeSettingsFromEnvironment() {
    OfficeSettings settings;
    if (const char* named = std::getenv("PV_SOFFICE")) {
        settings.soffice = named;
    } else {
        settings.soffice = QStandardPaths::findExecutable("soffice").toStdString();
    }
    if (const char* design = std::getenv("PV_LEGACY_DESIGN")) {
        settings.design = std::string_view(design) == "inoffice" ? LegacyDesign::InOffice
                                                                 : LegacyDesign::RoundTrip;
    }
    return settings;
}

OfficeConverter::OfficeConverter(OfficeSettings settings) : settings_(std::move(settings)) {}

OfficeConverter::~OfficeConverter() = default;

bool OfficeConverter::available() const {
    std::error_code ec;
    return !settings_.soffice.empty() && std::filesystem::is_regular_file(settings_.soffice, ec) &&
           ::access(settings_.soffice.c_str(), X_OK) == 0;
}

std::filesystem::path OfficeConverter::profileFolder() {
    if (!profile_) {
        profile_ = privateTemporaryFolder("office");
        if (!profile_->isValid()) {
            profile_.reset();
            throw Error(OfficeError::TemporaryFolder,
                        "No private folder for LibreOffice's profile could be made in " +
                            QDir::tempPath().toStdString());
        }
    }
    return profile_->path().toStdString();
}

void OfficeConverter::setProgress(std::function<void(const std::filesystem::path&)> progress) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(progress);
}

ConversionBatch OfficeConverter::convert(const std::vector<std::filesystem::path>& inputs,
                                         const std::string& extension, const std::string& filter,
                                         const std::filesystem::path& outputFolder,
                                         const std::vector<std::filesystem::path>& workbooks) {
    std::lock_guard lock(mutex_);
    const BusyTurn turn(busy_);
    ConversionBatch batch;
    batch.outputs.resize(inputs.size());
    if (inputs.empty()) {
        return batch;
    }
    std::string target = extension.substr(extension.starts_with('.') ? 1 : 0);
    if (!filter.empty()) {
        target += ":" + filter;
    }
    QStringList arguments = {"--convert-to", QString::fromStdString(target), "--outdir",
                             QString::fromStdString(outputFolder.string())};
    for (const auto& input : inputs) {
        arguments << QString::fromStdString(input.string());
    }
    auto outputOf = [&](std::size_t input) {
        auto converted = outputFolder / inputs[input].stem();
        converted += extension;
        return converted;
    };
    // soffice converts its inputs in order and each output appears whole, so the first input
    // after the last output seen is the one in work.
    const bool tellsProgress = progress_ && workbooks.size() == inputs.size();
    std::size_t reached = 0;
    auto tellProgress = [&](bool first) {
        std::size_t next = reached;
        for (std::size_t i = reached; i < inputs.size() && i < reached + kProgressLookAhead; ++i) {
            if (isNonEmptyFile(outputOf(i))) {
                next = i + 1;
            }
        }
        if ((first || next != reached) && next < inputs.size()) {
            tell(workbooks[next]);
        }
        reached = next;
    };
    if (tellsProgress) {
        tellProgress(true);
    }
    run(arguments, {}, inputs.size(),
        tellsProgress ? [&] { tellProgress(false); } : std::function<void()>(), batch);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto converted = outputOf(i);
        if (isNonEmptyFile(converted)) {
            batch.outputs[i] = converted;
        }
    }
    return batch;
}

bool OfficeConverter::runsScripts() const {
    std::error_code ec;
    const auto program = std::filesystem::canonical(settings_.soffice, ec);
    return available() && !ec &&
           std::filesystem::is_regular_file(program.parent_path() / "pythonscript.py", ec);
}

ConversionBatch OfficeConverter::runScript(const std::string& name, std::string_view text,
                                           const std::filesystem::path& job, std::size_t files,
                                           const std::function<void()>& poll) {
    std::lock_guard lock(mutex_);
    const BusyTurn turn(busy_);
    ConversionBatch batch;
    // A user script of the private profile: soffice runs it as it would open a document.
    const std::filesystem::path folder = profileFolder() / "user" / "Scripts" / "python";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    QSaveFile script(QString::fromStdString((folder / name).string()));
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !script.commit()) {
        batch.end = ConversionEnd::NotStarted;
        batch.diagnostics = "the script could not be written to LibreOffice's profile: " +
                            script.errorString().toStdString();
        return batch;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kScriptJobVariable, QString::fromStdString(job.string()));
    run({QString::fromStdString("vnd.sun.star.script:" + name +
                                "$main?language=Python&location=user")},
        environment, files, poll, batch);
    return batch;
}

void OfficeConverter::tell(const std::filesystem::path& workbook) {
    std::lock_guard lock(mutex_);
    if (progress_) {
        try {
            progress_(workbook);
        } catch (...) {
        }
    }
}

OfficeConverter::BusyTurn::BusyTurn(bool& busy) : busy_(busy) {
    // An event handler run while we wait must not start a second soffice on the same profile.
    if (busy_) {
        throw Error(OfficeError::ConversionFailed,
                    "LibreOffice (soffice) is still converting other workbooks");
    }
    busy_ = true;
}

OfficeConverter::BusyTurn::~BusyTurn() {
    busy_ = false;
}

void OfficeConverter::run(const QStringList& work, const QProcessEnvironment& environment,
                          std::size_t files, const std::function<void()>& poll,
                          ConversionBatch& batch) {
    const QString profileUrl =
        QUrl::fromLocalFile(QString::fromStdString(profileFolder().string())).toString();
    QStringList arguments = {"--headless", "--norestore", "--nologo", "--nodefault",
                             "-env:UserInstallation=" + profileUrl};
    arguments << work;

    // LibreOffice must not outlive the run, however it ends (a kill leaves no time to stop it):
    // a watchdog in soffice's session waits on a pipe only this process writes to, and kills
    // the session once the pipe closes, as it does when this process ends for any reason.
    int lifeline[2] = {-1, -1};
    if (::pipe2(lifeline, O_CLOEXEC) != 0) {
        lifeline[0] = lifeline[1] = -1;
    }
    struct LifelineClose {
        int* fds;
        ~LifelineClose() {
            for (int i = 0; i < 2; ++i) {
                if (fds[i] >= 0) {
                    ::close(fds[i]);
                }
            }
        }
    } lifelineClose{lifeline};

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty()) {
        process.setProcessEnvironment(environment);
    }
    const std::uint64_t memoryLimit = settings_.memoryLimit;
    process.setChildProcessModifier([memoryLimit, lifeline] {
        ::setsid();
        if (lifeline[0] >= 0) {
            // Only async-signal-safe calls from here: this runs between fork and exec.
            const pid_t session = ::getpid();
            if (::fork() == 0) {
                // It keeps the lifeline alone: any other descriptor held open (soffice's
                // output pipe, the start-up pipe of the process library) would keep the run
                // waiting for the watchdog.
                ::dup2(lifeline[0], 0);
                if (::close_range(1, ~0U, 0) != 0) {
                    for (int fd = 1; fd < 4096; ++fd) {
                        ::close(fd);
                    }
                }
                char byte = 0;
                while (::read(0, &byte, 1) < 0 && errno == EINTR) {
                }
                ::kill(-session, SIGKILL);
                ::_exit(0);
            }
            ::close(lifeline[0]);
        }
        rlimit data{};
        if (memoryLimit > 0 && ::getrlimit(RLIMIT_DATA, &data) == 0) {
            data.rlim_cur = std::min<rlim_t>(memoryLimit, data.rlim_max);
            ::setrlimit(RLIMIT_DATA, &data);
        }
    });
    QElapsedTimer clock;
    clock.start();
    process.start(QString::fromStdString(settings_.soffice.string()), arguments);
    ++starts_;
    if (lifeline[0] >= 0) {
        ::close(lifeline[0]);  // the watchdog's end
        lifeline[0] = -1;
    }
    if (!process.waitForStarted(30'000)) {
        batch.end = ConversionEnd::NotStarted;
        batch.diagnostics = process.errorString().toStdString();
        timeSpent_ += std::chrono::milliseconds(clock.elapsed());
        return;
    }
    const auto limit = settings_.baseTimeout + settings_.perFileTimeout * static_cast<long>(files);
    QByteArray output;
    while (!process.waitForFinished(kPumpIntervalMs)) {
        if (poll) {
            poll();
        }
        output += process.readAll();
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        if (std::chrono::milliseconds(clock.elapsed()) > limit) {
            killProcessGroup(process);
            batch.end = ConversionEnd::TimedOut;
            break;
        }
        EventHook::letEventsThrough();
    }
    output += process.readAll();
    timeSpent_ += std::chrono::milliseconds(clock.elapsed());
    batch.diagnostics = tail(output);
    if (batch.end != ConversionEnd::TimedOut &&
        (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)) {
        killProcessGroup(process);
        batch.end = ConversionEnd::Crashed;
    }
}

std::chrono::milliseconds OfficeConverter::timeSpent() const {
    std::lock_guard lock(mutex_);
    return timeSpent_;
}

int OfficeConverter::starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

std::string describeConversionEnd(const ConversionBatch& batch) {
    std::string why;
    switch (batch.end) {
        case ConversionEnd::NotStarted:
            why = "LibreOffice (soffice) could not be started";
            break;
        case ConversionEnd::TimedOut:
            why = "LibreOffice (soffice) took too long and was stopped";
            break;
        case ConversionEnd::Crashed:
            why = "LibreOffice (soffice) ended abnormally";
            break;
        case ConversionEnd::Finished:
            why = "LibreOffice (soffice) could not convert it";
            break;
    }
    if (!batch.diagnostics.empty()) {
        why += " (" + batch.diagnostics + ")";
    }
    return why;
}

}  // namespace pv::office
