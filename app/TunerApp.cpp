#include "app/TunerApp.h"

#include <QtCore/QLocale>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTreeWidget>

#include <clocale>
#include <cstdio>

#include "app/AppSettings.h"
#include "app/BenchSession.h"
#include "app/DialogRunner.h"
#include "app/MainFrame.h"
#include "app/QtHost.h"
#include "app/RegisterScreens.h"
#include "app/SignalStop.h"
#include "app/SplashWnd.h"
#include "app/TunerView.h"
#include "radio/SerialRadioComm.h"
#include "resources/CommandIds.h"
#include "resources/ResourceInit.h"
#include "screens/ScreenFactory.h"

AppOptions ParseAppOptions(const QStringList& arguments) {
    AppOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--bench") {
            options.bench = true;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith('-'))
                options.profile = arguments[++i].toStdString();
        } else if (arg.startsWith("--bench=")) {
            options.bench = true;
            options.profile = arg.mid(8).toStdString();
        } else if (arg == "--open") {
            if (i + 1 >= arguments.size()) {
                options.error = "--open needs a file name";
                return options;
            }
            options.openFile = arguments[++i];
        } else if (arg == "--read-on-start") {
            options.readOnStart = true;
        } else if (arg == "--screenshot") {
            if (i + 1 >= arguments.size()) {
                options.error = "--screenshot needs a file name";
                return options;
            }
            options.screenshot = arguments[++i];
            options.readOnStart = true;
        } else if (arg == "--no-splash" || arg.compare("-Embedding", Qt::CaseInsensitive) == 0 ||
                   arg.compare("/Embedding", Qt::CaseInsensitive) == 0 ||
                   arg.compare("-Automation", Qt::CaseInsensitive) == 0 ||
                   arg.compare("/Automation", Qt::CaseInsensitive) == 0) {
            options.noSplash = true;
        } else if (arg.startsWith("--")) {
            options.warnings << "ignoring unknown option " + arg;
        }
        // Anything else (a .tun file from a file manager) is ignored: no document at start.
    }
    if (options.profile.empty())
        options.error = "--bench needs a profile name";
    return options;
}

QString AppUsage() {
    QString profiles;
    for (const std::string& name : CBenchSession::ProfileNames())
        profiles += (profiles.isEmpty() ? "" : ", ") + QString::fromStdString(name);
    return QString(
               "Usage: vegal-tuner [options]\n"
               "Alignment tool for APCO-25 portable radios.\n\n"
               "Options:\n"
               "  --bench [PROFILE]    run against the virtual bench in this process: COM1 is its\n"
               "                       radio, COM2 its test set (for this run only; nothing is\n"
               "                       written to the settings). PROFILE defaults to\n"
               "                       \"standard\"%1\n"
               "  --read-on-start      read the radio on the remembered port once the window is "
               "up\n"
               "  --screenshot FILE    read the radio, save a picture of the window as FILE, quit\n"
               "  --open FILE          open a .tun file once the window is up (the desktop's\n"
               "                       \"open with\"; a file name alone is ignored)\n"
               "  --no-splash          do not show the splash window while reading\n"
               "  --version            print the version and quit\n"
               "  -h, --help           print this help and quit\n\n"
               "Settings: QuillmoreTuner/VEGAL 25 Tuner, group MySetting (PortName, ReminderOn,\n"
               "PTTTimeOutOn, RadioBaud) and group Ports (COM3=/dev/ttyUSB0 maps a COM name to a\n"
               "device). Without a mapping COMn is the n-th serial device of the machine.\n")
        .arg(profiles.isEmpty() ? QString()
                                : QString(";\n                       profiles: ") + profiles);
}

void UseLocaleIndependentNumbers() {
    // QApplication takes the user's locale for the C library too; printf and strtod would
    // then write and read "851,0125".
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

namespace {

void ExpandAll(CMainFrame& frame) {
    if (CTunerView* view = frame.ActiveView())
        view->expandAll();
}

}  // namespace

int RunTunerApp(int argc, char** argv) {
    // The command line first, so that --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const AppOptions options = ParseAppOptions(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "vegal-tuner: %s\n\n%s", qPrintable(options.error),
                     qPrintable(AppUsage()));
        return 2;
    }
    for (const QString& warning : options.warnings)
        std::fprintf(stderr, "vegal-tuner: %s\n", qPrintable(warning));
    if (options.help) {
        std::fputs(qPrintable(AppUsage()), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("VEGAL 25 Tuner Version R01.05.00");
        return 0;
    }

    QApplication app(argc, argv);
    // No display name: the platform would append it to every window title.
    QApplication::setApplicationName(CAppSettings::kApplication);
    QApplication::setApplicationVersion("R01.05.00");
    QApplication::setDesktopFileName("vegal-tuner");
    UseLocaleIndependentNumbers();
    InitVegalResources();
    RegisterFeatureScreens(CScreenFactory::Instance());
    CSplashWnd::s_enabled = !options.noSplash;

    CAppSettings settings;
    {
        QSettings store(CAppSettings::kCompany, CAppSettings::kApplication);
        settings.Load(store);
    }

    CBenchSession bench;
    if (options.bench) {
        std::string error;
        if (!bench.Start(options.profile, settings.m_nRadioBaud, error)) {
            std::fprintf(stderr, "vegal-tuner: the virtual bench did not start: %s\n",
                         error.c_str());
            return 1;
        }
        settings.m_portMap.SetMapping(1, bench.RadioDevice());
        settings.m_portMap.SetMapping(2, bench.TestSetDevice());
        settings.m_strPortName = "COM1";
        settings.m_bBenchRun = true;  // nothing of this run reaches the settings
        settings.m_portLabels[1] = "bench radio";
        settings.m_portLabels[2] = "bench test set";
        std::printf("vegal-tuner: bench profile %s, radio on COM1 (%s), test set on COM2 (%s)\n",
                    options.profile.c_str(), bench.RadioDevice().c_str(),
                    bench.TestSetDevice().c_str());
        std::fflush(stdout);
    }

    CQtHost host;
    CDialogRunner dialogs;
    CMainFrame frame(host, settings, dialogs,
                     MakeSerialRadioCommFactory(host, settings.m_portMap, settings.m_nRadioBaud));
    host.SetParentWindow(&frame);
    {
        QSettings store(CAppSettings::kCompany, CAppSettings::kApplication);
        frame.RestoreWindowPlacement(store);
    }
    if (settings.m_bBenchRun)
        frame.SetPlacementStore([] { return std::unique_ptr<QSettings>(); });
    frame.show();

    if (!options.openFile.isEmpty()) {
        QTimer::singleShot(0, &frame, [&] { frame.OpenFilesFromDesktop({options.openFile}); });
    }

    if (options.readOnStart) {
        QTimer::singleShot(200, &frame, [&] {
            frame.OnCommand(Cmd::kReadDeviceToolbar);
            ExpandAll(frame);
            if (!options.screenshot.isEmpty()) {
                // After the splash's first tick, so the picture shows the tree alone.
                QTimer::singleShot(1600, &frame, [&] {
                    frame.UpdateCommands();
                    bool saved = frame.grab().save(options.screenshot);
                    std::fprintf(saved ? stdout : stderr, "vegal-tuner: %s %s\n",
                                 saved ? "saved" : "could not save",
                                 qPrintable(options.screenshot));
                    frame.close();
                });
            }
        });
    }

    // SIGTERM, SIGHUP and SIGINT close the program as its close box does, whatever is open.
    CSignalStop stop;
    std::string stopError;
    if (!stop.Install(stopError))
        std::fprintf(stderr, "vegal-tuner: %s\n", stopError.c_str());
    const int rc = stop.CloseAfterLoop(frame, app.exec());
    {
        QSettings store(CAppSettings::kCompany, CAppSettings::kApplication);
        settings.Save(store);
    }
    bench.Stop();
    return rc;
}
