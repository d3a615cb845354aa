#pragma once
// The cell-range prompt over a workbook: the cells the run gives (its first content sheet's) in
// a grid where a block is highlighted with the mouse, or a reference typed. OK gives the block's
// absolute address ("$B$2:$D$5", "$C$7"), Cancel nothing.
#include <QDialog>
#include <optional>
#include <string>

#include "core/Dialogs.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace pv {

class RangePromptDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRowsShown = 200;
    static constexpr int kColumnsShown = 50;

    // Titled by the workbook's file name. Where `cells` cannot be read, the dialog says so, with
    // the failure, in place of the grid; a reference can still be typed.
    RangePromptDialog(const QString& workbookPath, const QString& prompt,
                      const RangePromptCells& cells, QWidget* parent = nullptr);

    QTableWidget* grid() const { return grid_; }
    // The note shown instead of the grid; hidden while the grid shows.
    QLabel* unavailableNote() const { return unavailable_; }
    QLineEdit* referenceField() const { return reference_; }
    // The address of the block highlighted or typed; nothing while the field holds none.
    std::optional<std::string> address() const;

  private:
    void loadCells(const RangePromptCells& cells);
    void showUnavailable(const QString& why);
    void selectionToField();
    void fieldToSelection();

    QTableWidget* grid_ = nullptr;
    QLabel* unavailable_ = nullptr;
    QLineEdit* reference_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool syncing_ = false;
};

// Shows the prompt modally; the chosen address, or nothing on Cancel.
std::optional<std::string> askForRangeOver(const std::string& workbookPath,
                                           const std::string& prompt, const RangePromptCells& cells,
                                           QWidget* owner);

}  // namespace pv
