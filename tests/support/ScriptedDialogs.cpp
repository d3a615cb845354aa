#include "ScriptedDialogs.h"

#include "core/Error.h"
#include "core/ErrorReport.h"

namespace pv::test {

namespace {
template <typename T>
T next(std::deque<T>& queue, T fallback) {
    if (queue.empty())
        return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}
}  // namespace

std::vector<std::string> ScriptedDialogs::messages() const {
    std::vector<std::string> texts;
    for (const auto& d : shown_)
        if (d.kind == ShownDialog::Kind::Message)
            texts.push_back(d.text);
    return texts;
}

std::vector<std::string> ScriptedDialogs::errorReports() const {
    std::vector<std::string> texts;
    for (const auto& d : shown_)
        if (d.kind == ShownDialog::Kind::Message && d.title == kErrorReportTitle)
            texts.push_back(d.text);
    return texts;
}

void ScriptedDialogs::message(const std::string& text, const std::string& title, MessageIcon icon) {
    shown_.push_back({ShownDialog::Kind::Message, text, title, icon, {}});
}

bool ScriptedDialogs::askYesNo(const std::string& text, const std::string& title) {
    shown_.push_back({ShownDialog::Kind::YesNo, text, title, MessageIcon::None, {}});
    return next(yesNo_, false);
}

std::optional<std::string> ScriptedDialogs::inputBox(const std::string& prompt,
                                                     const std::string& title,
                                                     const std::string& defaultText) {
    shown_.push_back({ShownDialog::Kind::Input, prompt, title, MessageIcon::None, defaultText});
    return next<std::optional<std::string>>(inputs_, std::nullopt);
}

std::vector<std::string> ScriptedDialogs::openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& startFolder) {
    shown_.push_back({ShownDialog::Kind::OpenFiles, filter, title, MessageIcon::None, startFolder});
    return next<std::vector<std::string>>(files_, {});
}

std::string ScriptedDialogs::browseForFolder(const std::string& prompt,
                                             const std::string& startFolder) {
    shown_.push_back({ShownDialog::Kind::Folder, prompt, {}, MessageIcon::None, startFolder});
    return next<std::string>(folders_, {});
}

std::optional<std::string> ScriptedDialogs::askForRange(const std::string& workbookPath,
                                                        const std::string& prompt,
                                                        const RangePromptCells& cells) {
    shown_.push_back({ShownDialog::Kind::Range, prompt, {}, MessageIcon::None, workbookPath});
    if (rangeCellsRead_) {
        try {
            rangeCells_.push_back(cells(rangeCellsRead_->first, rangeCellsRead_->second));
        } catch (const Error& failure) {
            rangeCells_.push_back({{failure.description()}});
        }
    }
    return next<std::optional<std::string>>(ranges_, std::nullopt);
}

}  // namespace pv::test
