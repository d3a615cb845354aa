#pragma once
// Every message box, question, input box and file or folder dialog of the program goes through
// this interface. The window uses Qt dialogs (app/QtDialogs); tests script the answers.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pv {

enum class MessageIcon { None, Information, Warning, Critical };

// The cells a range prompt shows of its workbook, read through the host that opened it for the
// run, so that every format the run splits shows: the texts from A1, row by row, at most `rows`
// rows of at most `columns` texts ("" for an empty cell). Throws pv::Error when they cannot be
// read.
using CellTexts = std::vector<std::vector<std::string>>;
using RangePromptCells = std::function<CellTexts(int rows, int columns)>;

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A message box with OK only. An empty title means the application title.
    virtual void message(const std::string& text, const std::string& title = {},
                         MessageIcon icon = MessageIcon::None) = 0;
    // A Yes/No question without icon; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& title = {}) = 0;
    // A text-input box; nothing on Cancel.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;
    // Multi-select open dialog; the picked paths in the dialog's order, empty on Cancel.
    virtual std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                               const std::string& startFolder) = 0;
    // Folder dialog; the chosen folder, or the empty text on Cancel.
    virtual std::string browseForFolder(const std::string& prompt,
                                        const std::string& startFolder) = 0;
    // The cell-range prompt over a workbook showing `cells` (to be read during the call only):
    // an absolute address ("$B$2:$D$5", "$C$7"), or nothing on Cancel.
    virtual std::optional<std::string> askForRange(const std::string& workbookPath,
                                                   const std::string& prompt,
                                                   const RangePromptCells& cells) = 0;
};

}  // namespace pv
