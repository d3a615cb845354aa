#pragma once
// The main window: the workbook list, the output options, six command buttons and the progress
// bar. Loading it runs the start-up sequence (Form_Load); closing it ends the program. Every
// command is a handler of this window; the handlers live in the files of their subsystems
// (list/Form1ListCommands.cpp, app/Form1RunCommand.cpp, app/Form1OutputOptions.cpp).
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "core/Dialogs.h"
#include "core/MousePointer.h"
#include "split/HostReadiness.h"
#include "split/OutputNaming.h"

namespace pv {

class EventHook;
class SettingsStore;
class SkinFramework;
class WorkbookListView;

// Setting keys and their fixed defaults.
namespace setting {
inline constexpr const char* kFolder = "Folder";
inline constexpr const char* kSaveOption = "Save Option";
inline constexpr const char* kLastFolderDot = "LastFolderDot";
inline constexpr const char* kLastFolder = "LastFolder";
inline constexpr const char* kExtension = "Extension";
}  // namespace setting

class Form1 : public QWidget {
    Q_OBJECT
  public:
    // `applicationFolder` holds the optional files (HAND-M.CUR, drag.ico, x/o.cjs, Samples/);
    // the program passes the executable's folder.
    Form1(Dialogs& dialogs, SettingsStore& settings, QString applicationFolder,
          QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence; runs once, before the window is first shown.
    void Form_Load();

    Dialogs& dialogs() const { return dialogs_; }
    SettingsStore& settings() const { return settings_; }
    const QString& applicationFolder() const { return applicationFolder_; }

    int mousePointer() const { return mousePointer_; }
    void setMousePointer(int value);
    // The custom pointer (value 99) as loaded from the hand cursor file, if one was loaded.
    bool hasMouseIcon() const { return mouseIcon_.has_value(); }

    WorkbookListView* listView() const { return ListView1; }
    QProgressBar* progressBar() const { return ProgressBar1; }
    QLineEdit* outputFolderField() const { return Text3; }
    QComboBox* namingList() const { return Combo1; }
    QPushButton* button(int number) const;  // PushButton1 to PushButton6
    QGroupBox* outputFolderFrame() const { return Frame1; }
    QGroupBox* namingFrame() const { return Frame2; }
    SkinFramework* skinFramework() const { return SkinFramework1; }

    // Seams for what a test cannot cause: the desktop folder the system gives, and a host that
    // cannot be created.
    void setDesktopFolderSource(std::function<QString()> source);
    void setHostProbe(HostProbe probe) { hostProbe_ = std::move(probe); }
    void setProgramEnd(ProgramEnd end) { programEnd_ = std::move(end); }
    // Whether an office application may hold the listed workbooks open; tests answer for the
    // machine, whose own office processes they cannot control.
    using RunningHostCheck = std::function<bool(const std::vector<std::string>& listed)>;
    void setRunningHostCheck(RunningHostCheck check) { runningHostCheck_ = std::move(check); }

    // Workbooks and folders handed over at start (a file manager's "Open with"): put on the
    // list as a drop of the same paths would.
    void OpenWorkbookPaths(const QStringList& paths);

  public slots:
    void PushButton1_Click();  // Add Excel File(s)
    void PushButton2_Click();  // Start Saving
    void PushButton3_Click();  // browse for the output folder
    void PushButton4_Click();  // Add All Excel Files In Folder
    void PushButton5_Click();  // Clear List
    void PushButton6_Click();  // Load Sample/Example Files

    // The window was closed: a folder walk of its commands ends where it is.
    bool closed() const { return closed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void setTabOrder();
    void connectHandlers();

    // Start-up routines.
    void ApplySkin();
    void SetApplicationTitle();
    void loadMouseIcon(const QString& cursorFile);
    void selectNamingOption(const QString& text);

    // Output options: every change reaches the store at once. Code that assigns the field or
    // the list calls the handler itself, so a refused write reaches its guarded procedure.
    void Text3_Change();
    void Combo1_Click();
    void setOutputFolderText(const QString& text);
    // A change by the user has no procedure to report to; a refused write is still shown.
    void runUserChange(void (Form1::*handler)());

    // Hover pointer: buttons show the hand, the background and the frames the default; neither
    // replaces the hourglass.
    void hoverButton();
    void hoverBackground();
    bool isBackgroundUnder(QWidget* widget, const QPoint& position) const;

    Dialogs& dialogs_;
    SettingsStore& settings_;
    QString applicationFolder_;
    std::function<QString()> desktopFolderSource_;
    HostProbe hostProbe_;
    ProgramEnd programEnd_;
    RunningHostCheck runningHostCheck_ = [](const std::vector<std::string>& listed) {
        return IsHostRunning(listed);
    };

    // While the window lives, long work of the core lets its events through.
    std::unique_ptr<EventHook> eventHook_;
    int mousePointer_ = pointer::kDefault;
    bool closed_ = false;
    std::optional<QCursor> mouseIcon_;

    WorkbookListView* ListView1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;
    SkinFramework* SkinFramework1 = nullptr;
};

}  // namespace pv
