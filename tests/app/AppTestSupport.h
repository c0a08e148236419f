#pragma once

#include <QtCore/QSettings>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <memory>

#include "resources/ResourceInit.h"

/// One QApplication for the whole test program, on the offscreen platform, with settings
/// under a scratch folder so no test touches the user's own settings.
inline QApplication& EnsureApp() {
    // Never destroyed: tearing the application down among the other static objects at exit
    // would race their own destruction.
    static QApplication* app = nullptr;
    static QTemporaryDir* settingsDir = new QTemporaryDir;
    if (!app) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "vegal-app-test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir->path());
        InitVegalResources();
    }
    return *app;
}

/// The application's settings store, emptied.
inline std::unique_ptr<QSettings> FreshSettings() {
    EnsureApp();
    auto settings = std::make_unique<QSettings>("QuillmoreTuner", "VEGAL 25 Tuner");
    settings->clear();
    settings->sync();
    return settings;
}
