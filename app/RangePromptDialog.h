#pragma once
// The cell-range prompt over a workbook: its first content sheet's cells in a grid where a block
// is highlighted with the mouse, or a reference typed. OK gives the block's absolute address
// ("$B$2:$D$5", "$C$7"), Cancel nothing.
#include <QDialog>
#include <optional>
#include <string>

class QDialogButtonBox;
class QLineEdit;
class QTableWidget;

namespace pv {

class RangePromptDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRowsShown = 200;
    static constexpr int kColumnsShown = 50;

    // Titled by the workbook's file name. A workbook that cannot be read gives an empty grid;
    // a reference can still be typed.
    RangePromptDialog(const QString& workbookPath, const QString& prompt,
                      QWidget* parent = nullptr);

    QTableWidget* grid() const { return grid_; }
    QLineEdit* referenceField() const { return reference_; }
    // The address of the block highlighted or typed; nothing while the field holds none.
    std::optional<std::string> address() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void loadCells(const QString& workbookPath);
    void selectionToField();
    void fieldToSelection();

    QTableWidget* grid_ = nullptr;
    QLineEdit* reference_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool syncing_ = false;
};

// Shows the prompt modally; the chosen address, or nothing on Cancel.
std::optional<std::string> askForRangeOver(const std::string& workbookPath,
                                           const std::string& prompt, QWidget* owner);

}  // namespace pv
