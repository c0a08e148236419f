#include "AlignCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>

#include <QtGui/QGuiApplication>

#include "CliApp.h"
#include "StopSignal.h"
#include "TestSetCommand.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "autotune/RadioAlignment.h"
#include "autotune/RunStation.h"
#include "autotune/TestSetLink.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "radio/Transport.h"
#include "sheet/ReportSheet.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct AlignCliOptions {
    std::string port;
    std::string testSet;
    std::string limits;
    std::string report;
    std::string pdf;
    std::string features;
    std::string search;
    std::string technician;
    bool noProgram = false;
    bool programFailed = false;
    bool allRows = false;
    bool noTests = false;
};

/// Parses the options of align, or of test (which takes no alignment options).
bool Parse(const std::vector<std::string>& args, bool test, AlignCliOptions& o,
           std::string& error) {
    struct Valued {
        const char* name;
        std::string* into;
        bool align;  ///< an alignment option only
    } valued[] = {{"--port", &o.port, false},
                  {"--testset", &o.testSet, false},
                  {"--limits", &o.limits, false},
                  {"--report", &o.report, false},
                  {"--pdf", &o.pdf, false},
                  {"--features", &o.features, false},
                  {"--technician", &o.technician, false},
                  {"--search", &o.search, true}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool taken = false;
        for (const Valued& v : valued) {
            if (test && v.align)
                continue;
            const std::string name = v.name;
            if (a == name) {
                if (i + 1 >= args.size()) {
                    error = name + " needs a value";
                    return false;
                }
                *v.into = args[++i];
                taken = true;
            } else if (a.rfind(name + "=", 0) == 0) {
                *v.into = a.substr(name.size() + 1);
                taken = true;
            }
            // An empty value would read as "not given" (every feature, the built-in limits,
            // no report): say so instead.
            if (taken && v.into->empty()) {
                error = name + " needs a value, not an empty text";
                return false;
            }
            if (taken)
                break;
        }
        if (taken)
            continue;
        if (!test && a == "--no-program") {
            o.noProgram = true;
        } else if (!test && a == "--program-failed") {
            o.programFailed = true;
        } else if (!test && a == "--all-rows") {
            o.allRows = true;
        } else if (!test && a == "--no-tests") {
            o.noTests = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            error = "unexpected argument " + a;
            return false;
        }
    }
    return true;
}

/// Whether a report can be saved at path, checked before anything is tuned: the path is no
/// folder or special file, and its folder exists and may be written. False with the reason.
bool CheckReportPath(const std::string& option, const std::string& path, std::string& error) {
    error = option + " " + path + ": ";
    struct stat st {};
    // A symbolic link is saved where it points, so that is what counts.
    std::string target = path;
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error += "it is a folder, not a file";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error += "it is not a regular file";
            return false;
        }
        std::error_code ec;
        const fs::path resolved = fs::canonical(path, ec);
        if (!ec)
            target = resolved.string();
    } else if (!path.empty() && path.back() == '/') {
        error += "it names a folder, not a file";
        return false;
    }
    const std::string::size_type slash = target.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error += "its folder " + folder + " does not exist";
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error += "its folder " + folder + " cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    error.clear();
    return true;
}

/// The same file, also when named by two different paths (links, "./", "..").
bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ea;
    std::error_code eb;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a), ea);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b), eb);
    return ea || eb ? a == b : ca == cb;
}

bool StopAsked(const CCliContext& ctx) {
    return ctx.stop != nullptr && ctx.stop->Requested();
}

/// Saves a report unless the run took no reading and an older report is there: a run that
/// learnt nothing does not replace what an earlier one found.
bool SaveReport(CCliContext& ctx, const std::string& path, bool anyReading,
                const std::function<bool(std::string&)>& save) {
    struct stat st {};
    if (!anyReading && ::stat(path.c_str(), &st) == 0) {
        ctx.err << "vegal-cli: the run took no reading; " << path << " was left as it was\n";
        return false;
    }
    // A second signal now waits for the save instead of cutting it off half-way.
    if (ctx.stop != nullptr && !ctx.stop->HoldExit())
        return false;
    std::string error;
    const bool saved = save(error);
    if (ctx.stop != nullptr)
        ctx.stop->ReleaseExit();
    if (!saved) {
        ctx.err << "vegal-cli: " << error << '\n';
        return false;
    }
    ctx.err << "Saved " << path << '\n';
    return true;
}

/// Writes the report's sheet as a PDF. The drawing needs a QGuiApplication: one is made on the
/// offscreen platform the first time (no display is needed) and kept for later reports.
bool WriteSheet(const CAlignmentReport& report, const std::string& path, std::string& error) {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 3;
        static char name[] = "vegal-cli";
        static char platform[] = "-platform";
        static char offscreen[] = "offscreen";
        static char* argv[] = {name, platform, offscreen, nullptr};
        new QGuiApplication(argc, argv);  // kept until the process ends
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error = path + ": cannot be written (no graphics to draw the sheet with)";
        return false;
    }
    return ReportSheet::WritePdf(report, path, error);
}

/// Leaves the radio dekeyed and out of test mode, whatever ended the run; after a lost link
/// one more try to reach it.
void MakeRadioSafe(CTunerDoc& doc) {
    if (doc.m_radio == nullptr && SUCCEEDED(Transport::Connect(doc)))
        doc.m_componentOpen = true;  // so that closing the data set leaves test mode too
    if (doc.m_radio != nullptr)
        SetPtt(doc, false, 0);
    doc.DeleteContents();  // exit test mode
}

}  // namespace

std::string AlignUsage() {
    return "  vegal-cli align --port PORT --testset PORT [--limits FILE] [--report FILE.csv]\n"
           "                 [--pdf FILE.pdf] [--features LIST] [--no-program]\n"
           "                 [--program-failed] [--search fit|secant] [--all-rows]\n"
           "                 [--no-tests] [--technician NAME]\n"
           "                                              test the whole radio (as found), align\n"
           "                                              the rows out of tolerance (--all-rows:\n"
           "                                              every row), test it again (as left);\n"
           "                                              --no-tests aligns every row without\n"
           "                                              the tests; exit 0 when every row "
           "passed\n";
}

std::string TestUsage() {
    return "  vegal-cli test --port PORT --testset PORT [--limits FILE] [--report FILE.csv]\n"
           "                [--pdf FILE.pdf] [--features LIST] [--technician NAME]\n"
           "                                              measure every transmit row as the\n"
           "                                              radio holds it, changing nothing; exit\n"
           "                                              0 when every row is within its limits\n";
}

int RunTestCommand(const std::vector<std::string>& args, CCliContext& context) {
    return RunWholeRadio(args, context, true);
}

int RunAlignCommand(const std::vector<std::string>& args, CCliContext& context) {
    return RunWholeRadio(args, context, false);
}

int RunWholeRadio(const std::vector<std::string>& args, CCliContext& ctx, bool test) {
    const std::string usage = test ? TestUsage() : AlignUsage();
    AlignCliOptions o;
    std::string error;
    if (!Parse(args, test, o, error)) {
        ctx.err << "vegal-cli: " << error << "\nusage:\n" << usage;
        return kExitUsage;
    }
    if (o.port.empty() || o.testSet.empty()) {
        ctx.err << "usage:\n" << usage;
        return kExitUsage;
    }
    AlignmentOptions options;
    options.testOnly = test;
    options.program = !o.noProgram;
    options.programFailed = o.programFailed;
    options.allRows = o.allRows;
    options.alignOnly = o.noTests;
    if (o.noTests && o.allRows) {
        ctx.err << "vegal-cli: --all-rows and --no-tests do not go together (without the tests "
                   "every row is aligned)\nusage:\n"
                << usage;
        return kExitUsage;
    }
    if (o.search == "secant") {
        options.search = SearchKind::Secant;
    } else if (!o.search.empty() && o.search != "fit") {
        ctx.err << "vegal-cli: --search takes fit or secant, not \"" << o.search << "\"\n"
                << "usage:\n"
                << usage;
        return kExitUsage;
    }
    if (!o.limits.empty() && !options.limits.Load(o.limits, error)) {
        ctx.err << "vegal-cli: limits file " << error << '\n';
        return kExitUsage;
    }
    if (!o.features.empty() &&
        !CRadioAlignment::ParseFeatureList(o.features, options.features, error)) {
        ctx.err << "vegal-cli: --features: " << error << '\n';
        return kExitUsage;
    }
    const std::string portText = TestSetPortText(o.testSet);
    if (!CTestSetLink::CheckPortText(portText, error)) {
        ctx.err << "vegal-cli: --testset: " << error << '\n';
        return kExitUsage;
    }
    if ((!o.report.empty() && !CheckReportPath("--report", o.report, error)) ||
        (!o.pdf.empty() && !CheckReportPath("--pdf", o.pdf, error))) {
        ctx.err << "vegal-cli: " << error << '\n';
        return kExitUsage;
    }
    if (!o.report.empty() && !o.pdf.empty() && SamePath(o.report, o.pdf)) {
        ctx.err << "vegal-cli: --report and --pdf name the same file " << o.pdf << '\n';
        return kExitUsage;
    }

    // From here a signal stops the run at its next step; the radio is then made safe and the
    // report written (a second signal: the process ends as soon as the radio is safe).
    std::mutex runMutex;
    CRadioAlignment* running = nullptr;
    CStopScope listening(ctx.stop, [&runMutex, &running](int) {
        std::lock_guard<std::mutex> lock(runMutex);
        if (running != nullptr)
            running->Stop();
    });
    const auto radioSafe = [&ctx] {
        if (ctx.stop != nullptr)
            ctx.stop->MarkRadioSafe();
    };

    const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
    options.station = RunStation::Make(
        settings.shop, o.technician.empty() ? settings.technician : o.technician, o.testSet);
    CFrameState frame;
    frame.SetPort(NormalisePort(o.port));
    CTunerDoc doc(ctx.host, frame,
                  MakeSerialRadioCommFactory(ctx.host, settings.portMap, settings.baud));
    if (!OnNewDocument(doc)) {
        radioSafe();
        ctx.err << "vegal-cli: the radio on " << o.port << " could not be read\n";
        return StopAsked(ctx) ? ctx.stop->ExitCode() : kExitFailed;
    }

    CTestSetLink link(ctx.host, settings.portMap, [portText] { return portText; });
    // The link notes every open; only its complaints are worth a line here, and why the port
    // did not open is the run's own message.
    link.SetDiagnostics([&ctx, &link](const std::string& t) {
        if (t.find("successfully reconfigured") == std::string::npos &&
            t != link.LastOpenError() + "\n")
            ctx.err << t << std::flush;
    });
    if (ctx.testSetLinkCreated)
        ctx.testSetLinkCreated(link);

    CHeadlessAlignmentFace face(doc, ctx.host);
    face.SetProgress([&ctx](const std::string& text, int, int) { ctx.host.Progress(text); });
    CRadioAlignment alignment(link, face, options);
    {
        std::lock_guard<std::mutex> lock(runMutex);
        running = &alignment;
    }
    if (StopAsked(ctx))
        alignment.Stop();  // the signal came while the radio was read
    const CAlignmentReport report = alignment.Run();
    {
        std::lock_guard<std::mutex> lock(runMutex);
        running = nullptr;
    }
    MakeRadioSafe(doc);
    radioSafe();
    if (StopAsked(ctx)) {
        ctx.err << "vegal-cli: stopped by " << SignalWatch::Name(ctx.stop->Signal())
                << "; the radio is dekeyed and out of test mode\n";
        if (ctx.stop->Count() > 1)
            return ctx.stop->ExitCode();  // asked twice: no reports
    }

    for (const std::string& line : report.PrintLines()) ctx.out << line << '\n';
    ctx.out.flush();
    const bool anyReading = report.AnyReading();
    bool written = true;
    if (!o.report.empty()) {
        written = SaveReport(ctx, o.report, anyReading,
                             [&](std::string& e) { return report.SaveCsv(o.report, e); }) &&
                  written;
    }
    if (!o.pdf.empty()) {
        written = SaveReport(ctx, o.pdf, anyReading,
                             [&](std::string& e) { return WriteSheet(report, o.pdf, e); }) &&
                  written;
    }
    if (StopAsked(ctx))
        return ctx.stop->ExitCode();
    return report.Passed() && written ? kExitOk : kExitFailed;
}
