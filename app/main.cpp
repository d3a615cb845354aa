// Pellavine's window: loads the main window, runs its start-up and hands over to the event loop.
#include <QApplication>

#include "app/Form1.h"
#include "app/ProgramIcon.h"
#include "app/QtDialogs.h"
#include "app/SettingsStore.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setWindowIcon(pv::programIcon());  // dialogs share it
    pv::QtDialogs dialogs;
    pv::SettingsStore settings;
    pv::Form1 form(dialogs, settings, QCoreApplication::applicationDirPath());
    dialogs.setOwner(&form);
    form.Form_Load();
    form.show();
    return app.exec();
}
