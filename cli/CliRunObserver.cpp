#include "cli/CliRunObserver.h"

#include <cmath>

#include "cli/Interrupt.h"
#include "cli/JsonLine.h"
#include "split/SplitRun.h"

namespace pv::cli {

namespace {
constexpr int kBarWidth = 30;
constexpr std::size_t kTextWidth = 40;
}  // namespace

void CliRunObserver::setProgressValue(double percent) {
    percent_ = percent;
}

void CliRunObserver::setProgressText(const std::string& text) {
    text_ = text;
    if (text == split::kProgressBarIdleText)
        clearProgress();
    else
        drawProgress();
}

bool CliRunObserver::stopRequested() {
    return interruptRequested();
}

void CliRunObserver::drawProgress() {
    if (!settings_.progressBar || settings_.quiet)
        return;
    const int filled = static_cast<int>(std::lround(percent_ / 100.0 * kBarWidth));
    std::string line = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') +
                       "] " + std::to_string(std::lround(percent_)) + "% ";
    line += text_.size() > kTextWidth ? text_.substr(0, kTextWidth - 3) + "..." : text_;
    err_ << line << "\x1b[K" << std::flush;
    progressShown_ = true;
}

void CliRunObserver::clearProgress() {
    if (progressShown_)
        err_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

void CliRunObserver::outputSaved(const split::SavedOutput& output) {
    if (settings_.json) {
        JsonLine line;
        line.field("event", settings_.dryRun ? "planned" : "saved")
            .field("source", output.source)
            .field("sheet", output.sheet)
            .field("output", output.path);
        if (!output.note.empty())
            line.field("note", output.note);
        if (!settings_.dryRun)
            line.field("size", output.bytes).field("seconds", output.seconds, 3);
        out_ << line.text() << "\n" << std::flush;
    } else if (!settings_.quiet) {
        clearProgress();
        out_ << output.path << "\n" << std::flush;
    }
    if (!output.note.empty() && !settings_.quiet) {
        clearProgress();
        err_ << "pellavine-split: note: " << output.note << "\n";
    }
    drawProgress();
}

void CliRunObserver::sheetSkipped(const std::string& source, const std::string& sheet) {
    const std::string note =
        "sheet \"" + sheet + "\" of " + source + " was not saved: nothing lies beyond its cell A1";
    if (settings_.json) {
        out_ << JsonLine()
                    .field("event", "skipped")
                    .field("source", source)
                    .field("sheet", sheet)
                    .field("note", note)
                    .text()
             << "\n"
             << std::flush;
    }
    if (!settings_.quiet) {
        clearProgress();
        err_ << "pellavine-split: note: " << note << "\n";
        drawProgress();
    }
}

void CliRunObserver::stepFailed(const split::RunFailure& failure) {
    clearProgress();
    err_ << "pellavine-split: " << failure.description << "\n  " << failure.location << "at line "
         << failure.line << "\n"
         << std::flush;
    if (settings_.json) {
        JsonLine line;
        line.field("event", "failed")
            .field("source", failure.source)
            .field("sheet", failure.sheet)
            .field("number", failure.number)
            .field("description", failure.description)
            .field("location", failure.location)
            .field("line", failure.line);
        out_ << line.text() << "\n" << std::flush;
    }
    drawProgress();
}

void CliRunObserver::folderUnread(const UnreadFolder& folder) {
    clearProgress();
    err_ << "pellavine-split: folder " << folder.folder
         << " was not searched for workbooks: " << folder.description << "\n"
         << std::flush;
    if (settings_.json) {
        out_ << JsonLine()
                    .field("event", "failed")
                    .field("folder", folder.folder)
                    .field("number", folder.number)
                    .field("description", folder.description)
                    .text()
             << "\n"
             << std::flush;
    }
}

}  // namespace pv::cli
