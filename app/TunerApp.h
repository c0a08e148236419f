#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <string>

/// What the command line asks for. File names on the command line are not acted upon: the
/// program always starts with no data set open.
struct AppOptions {
    bool help = false;
    bool version = false;
    bool bench = false;  ///< --bench [PROFILE]
    std::string profile = "standard";
    bool readOnStart = false;  ///< --read-on-start: Read Device once the window is up
    QString screenshot;        ///< --screenshot FILE: read, grab the window, quit
    bool noSplash = false;     ///< --no-splash, and the embedding/automation switches
    QString error;             ///< a malformed command line
    QStringList warnings;      ///< options this program does not know
};

AppOptions ParseAppOptions(const QStringList& arguments);
/// The --help text.
QString AppUsage();

/// The application: settings, bench, main frame, event loop, settings at exit.
int RunTunerApp(int argc, char** argv);
