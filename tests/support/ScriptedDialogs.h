#pragma once
// pv::Dialogs for tests: answers come from queues the test fills, and every box, question,
// prompt and dialog shown is recorded in order. An unscripted dialog gets the cancel answer
// (No, nothing, empty) and is recorded like any other.
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Dialogs.h"

namespace pv::test {

struct ShownDialog {
    enum class Kind { Message, YesNo, Input, OpenFiles, Folder, Range };
    Kind kind;
    std::string text;  // message text, question, prompt; the filter for OpenFiles
    std::string title;
    MessageIcon icon = MessageIcon::None;
    std::string start;  // default text, start folder, workbook path
};

class ScriptedDialogs : public Dialogs {
  public:
    // Answers, consumed in order.
    void answerYesNo(bool yes) { yesNo_.push_back(yes); }
    void answerInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
    void answerOpenFiles(std::vector<std::string> paths) { files_.push_back(std::move(paths)); }
    void answerFolder(std::string folder) { folders_.push_back(std::move(folder)); }
    void answerRange(std::optional<std::string> range) { ranges_.push_back(std::move(range)); }
    // Each range prompt from now on reads this many rows and columns of the cells it is given,
    // as the window's prompt would; rangeCells() has them, or the failure's description.
    void readRangeCells(int rows, int columns) { rangeCellsRead_ = {rows, columns}; }
    const std::vector<CellTexts>& rangeCells() const { return rangeCells_; }

    const std::vector<ShownDialog>& shown() const { return shown_; }
    // The texts of the message boxes only, in order.
    std::vector<std::string> messages() const;
    // The messages titled "Application Error".
    std::vector<std::string> errorReports() const;
    void clear() { shown_.clear(); }

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
    std::vector<ShownDialog> shown_;
    std::deque<bool> yesNo_;
    std::deque<std::optional<std::string>> inputs_;
    std::deque<std::vector<std::string>> files_;
    std::deque<std::string> folders_;
    std::deque<std::optional<std::string>> ranges_;
    std::optional<std::pair<int, int>> rangeCellsRead_;
    std::vector<CellTexts> rangeCells_;
};

}  // namespace pv::test
