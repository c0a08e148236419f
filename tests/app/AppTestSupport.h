#pragma once

#include <QtCore/QDir>
#include <QtCore/QFile>
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

/// Makes a scratch folder the current folder (where Automatic Tuning looks for
/// "Autotune.hlp") and restores the previous one when it goes, also when a test stops early.
class AutotuneHelpFolder {
public:
    explicit AutotuneHelpFolder(bool withHelp = true) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(m_dir.path());
        if (withHelp)
            AddHelp();
    }
    ~AutotuneHelpFolder() { QDir::setCurrent(m_previous); }
    AutotuneHelpFolder(const AutotuneHelpFolder&) = delete;
    AutotuneHelpFolder& operator=(const AutotuneHelpFolder&) = delete;

    /// Puts an "Autotune.hlp" into the folder.
    void AddHelp() { QFile(m_dir.filePath("Autotune.hlp")).open(QIODevice::WriteOnly); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
