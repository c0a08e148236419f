#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <string>

/// What the command line asks for. File names on the command line are not acted upon: the
/// program starts with no data set open, unless the desktop asks it to open a file through
/// the explicit --open FILE of its .desktop entry (a file manager opening a .tun file).
struct AppOptions {
    bool help = false;
    bool version = false;
    bool bench = false;  ///< --bench [PROFILE]
    std::string profile = "standard";
    bool readOnStart = false;  ///< --read-on-start: Read Device once the window is up
    QString screenshot;        ///< --screenshot FILE: read, grab the window, quit
    QString openFile;          ///< --open FILE: the desktop's "open with" of a .tun file
    bool noSplash = false;     ///< --no-splash, and the embedding/automation switches
    QString error;             ///< a malformed command line
    QStringList warnings;      ///< options this program does not know
};

AppOptions ParseAppOptions(const QStringList& arguments);
/// The --help text.
QString AppUsage();

/// Makes number formatting of the C library and of Qt independent of the user's locale
/// (851.0125 with a point, also under a comma locale). Called once the application exists.
void UseLocaleIndependentNumbers();

/// The application: settings, bench, main frame, event loop, settings at exit.
int RunTunerApp(int argc, char** argv);
