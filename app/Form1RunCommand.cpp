// "Start Saving": the split run of the main window. The run works on the user-interface thread
// and calls the window's event hook before each workbook and each sheet, so the window repaints
// and its hover rules work; so does the engine, every few megabytes of a long read, and the wait
// for LibreOffice.
// While it runs:
//   - a second press of "Start Saving" is ignored;
//   - rows added to the list wait for the next run (the run took the list when it started);
//   - Delete and "Clear List" do nothing while the hourglass shows;
//   - closing the window lets the file being saved finish (saves are atomic), then the run stops
//     and the program ends.
#include <QApplication>
#include <QCloseEvent>
#include <QPointer>

#include "app/Form1.h"
#include "folders/PathRoutines.h"
#include "host/SpreadsheetHost.h"
#include "list/WorkbookListView.h"
#include "office/LegacyHost.h"
#include "split/HostReadiness.h"
#include "split/SplitRun.h"

namespace pv {

namespace {

constexpr const char* kRunActive = "pvSplitRunActive";

// Moves the window's progress bar and pointer, and notices a close of the window.
class WindowRunObserver : public QObject, public split::RunObserver {
  public:
    explicit WindowRunObserver(Form1& form) : form_(&form) { form.installEventFilter(this); }
    ~WindowRunObserver() override {
        if (form_)
            form_->removeEventFilter(this);
    }

    void setMousePointer(int pointer) override {
        if (form_)
            form_->setMousePointer(pointer);
    }
    void setProgressValue(double percent) override {
        if (form_)
            form_->progressBar()->setValue(qRound(percent));
    }
    void setProgressText(const std::string& text) override {
        if (form_)
            form_->progressBar()->setFormat(QString::fromStdString(text));
    }
    bool stopRequested() override { return closed_ || !form_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_ && event->type() == QEvent::Close)
            closed_ = true;
        return false;
    }

  private:
    QPointer<Form1> form_;
    bool closed_ = false;
};

}  // namespace

void Form1::PushButton2_Click() {
    if (property(kRunActive).toBool())
        return;  // pressed again while a run lets events through
    setProperty(kRunActive, true);

    split::RunRequest request;
    for (int row = 1; row <= ListView1->rowCount(); ++row)
        request.rows.push_back(ListView1->rowText(row).toStdString());
    request.outputFolder = ExpandHomeFolder(Text3->text()).toStdString();
    request.namingOption = Combo1->currentText().toStdString();

    const std::unique_ptr<office::LegacyHost> host = office::createLegacyHost();
    host->prepare({request.rows.begin(), request.rows.end()});
    WindowRunObserver observer(*this);
    const std::vector<std::string> listed = request.rows;
    split::SplitRun run(std::move(request),
                        {*host, dialogs(), observer, [this, &listed] {
                             return ConfirmHostClosed(
                                 dialogs(), [this, &listed] { return runningHostCheck_(listed); });
                         }});
    const split::RunOutcome outcome = run.run();
    setProperty(kRunActive, false);
    if (outcome.stopped)
        QCoreApplication::quit();  // the window was closed during the run
}

}  // namespace pv
