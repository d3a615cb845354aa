#pragma once
// A fresh main window for each test: its own settings store and application folder in a
// temporary folder, scripted dialogs, a fixed desktop folder and a host that can be created.
#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"

namespace pv::test {

inline const QString kDesktop = "/home/ann/Desktop";

class Form1Test : public ::testing::Test {
  protected:
    Form1Test()
        : settings(QString::fromStdString(config.path().string())),
          appFolder(QString::fromStdString(app.path().string())) {}

    // A window as the program makes it, before its start-up.
    Form1& newForm() {
        form = std::make_unique<Form1>(dialogs, settings, appFolder);
        form->setDesktopFolderSource([] { return kDesktop; });
        form->setHostProbe([] { return true; });
        form->setProgramEnd([this] { ++programEnds; });
        form->setRunningHostCheck([](const std::vector<std::string>&) { return false; });
        return *form;
    }

    Form1& loadedForm() {
        newForm().Form_Load();
        return *form;
    }

    QString stored(const char* key) const { return settings.read(key, "<absent>"); }

    TempDir config;
    TempDir app;
    ScriptedDialogs dialogs;
    SettingsStore settings;
    QString appFolder;
    std::unique_ptr<Form1> form;
    int programEnds = 0;
};

}  // namespace pv::test
