// Pellavine's window: loads the main window, runs its start-up, puts the workbooks named on the
// command line on its list and hands over to the event loop.
#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>

#include "app/Form1.h"
#include "app/ProgramIcon.h"
#include "app/QtDialogs.h"
#include "app/SettingsStore.h"
#include "app/WindowArguments.h"
#include "folders/ApplicationFolder.h"

// QT_LOGGING_RULES=pellavine.start.info=true shows where the optional files are looked for.
Q_LOGGING_CATEGORY(startLog, "pellavine.start", QtWarningMsg)

namespace {

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    // Help and version need no display: answered before Qt starts.
    const pv::WindowArguments early = pv::ParseWindowArguments(argumentList(argc, argv));
    if (early.action == pv::WindowArguments::Action::Help) {
        std::fputs(pv::kWindowHelp, stdout);
        return 0;
    }
    if (early.action == pv::WindowArguments::Action::Version) {
        std::printf("pellavine %s\n", PV_VERSION);
        return 0;
    }
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const pv::WindowArguments arguments = pv::ParseWindowArguments(argumentList(argc, argv));
    if (arguments.action == pv::WindowArguments::Action::Usage) {
        std::fprintf(stderr, "pellavine: %s\n%s", qPrintable(arguments.error), pv::kWindowHelp);
        return 2;
    }
    app.setWindowIcon(pv::programIcon());  // dialogs share it
    const QString applicationFolder =
        pv::ApplicationFolderFor(QCoreApplication::applicationDirPath());
    qCInfo(startLog).noquote() << "application folder" << applicationFolder;
    pv::QtDialogs dialogs;
    pv::SettingsStore settings;
    pv::Form1 form(dialogs, settings, applicationFolder);
    dialogs.setOwner(&form);
    form.Form_Load();
    form.show();
    if (!arguments.paths.isEmpty())
        form.OpenWorkbookPaths(arguments.paths);
    return app.exec();
}
