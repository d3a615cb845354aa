#pragma once
// The program's dialogs as Qt shows them, modal to the main window.
#include <QPointer>
#include <QWidget>

#include "core/Dialogs.h"

namespace pv {

class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* owner = nullptr);

    void setOwner(QWidget* owner) { owner_ = owner; }

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
    QPointer<QWidget> owner_;
};

// The title a box shows: its own, or the application title when it has none.
QString dialogTitle(const std::string& title);

// The least width of a message box with this title, so that a title bar shows it whole.
int messageBoxWidthForTitle(const QString& title);

}  // namespace pv
