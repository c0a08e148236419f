#include "AlignCommand.h"

#include <ostream>

#include "CliApp.h"
#include "TestSetCommand.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "autotune/RadioAlignment.h"
#include "autotune/TestSetLink.h"
#include "document/FrameLink.h"
#include "document/TextPdf.h"
#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "radio/Transport.h"

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
    bool noProgram = false;
    bool programFailed = false;
};

bool Parse(const std::vector<std::string>& args, AlignCliOptions& o, std::string& error) {
    struct Valued {
        const char* name;
        std::string* into;
    } valued[] = {{"--port", &o.port},     {"--testset", &o.testSet}, {"--limits", &o.limits},
                  {"--report", &o.report}, {"--pdf", &o.pdf},         {"--features", &o.features}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool taken = false;
        for (const Valued& v : valued) {
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
        }
        if (taken)
            continue;
        if (a == "--no-program") {
            o.noProgram = true;
        } else if (a == "--program-failed") {
            o.programFailed = true;
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

}  // namespace

std::string AlignUsage() {
    return "  vegal-cli align --port PORT --testset PORT [--limits FILE] [--report FILE.csv]\n"
           "                 [--pdf FILE.pdf] [--features LIST] [--no-program]\n"
           "                 [--program-failed]\n"
           "                                              align the whole radio with the\n"
           "                                              HP8920B; exit 0 when every row passed\n";
}

int RunAlignCommand(const std::vector<std::string>& args, CCliContext& ctx) {
    AlignCliOptions o;
    std::string error;
    if (!Parse(args, o, error)) {
        ctx.err << "vegal-cli: " << error << "\nusage:\n" << AlignUsage();
        return kExitUsage;
    }
    if (o.port.empty() || o.testSet.empty()) {
        ctx.err << "usage:\n" << AlignUsage();
        return kExitUsage;
    }
    AlignmentOptions options;
    options.program = !o.noProgram;
    options.programFailed = o.programFailed;
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

    const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
    CFrameState frame;
    frame.SetPort(NormalisePort(o.port));
    CTunerDoc doc(ctx.host, frame,
                  MakeSerialRadioCommFactory(ctx.host, settings.portMap, settings.baud));
    if (!OnNewDocument(doc)) {
        ctx.err << "vegal-cli: the radio on " << o.port << " could not be read\n";
        return kExitFailed;
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
    const CAlignmentReport report = alignment.Run();

    // The radio leaves test mode, also after its link failed: one more try to reach it.
    if (doc.m_radio == nullptr && SUCCEEDED(Transport::Connect(doc)))
        SetPtt(doc, false, 0);
    doc.DeleteContents();

    for (const std::string& line : report.PrintLines()) ctx.out << line << '\n';
    ctx.out.flush();
    bool written = true;
    if (!o.report.empty()) {
        if (report.SaveCsv(o.report, error)) {
            ctx.err << "Saved " << o.report << '\n';
        } else {
            ctx.err << "vegal-cli: " << error << '\n';
            written = false;
        }
    }
    if (!o.pdf.empty()) {
        if (TextPdf::Write(o.pdf, report.PrintLines(), "Alignment Report " + report.serialNumber,
                           error)) {
            ctx.err << "Saved " << o.pdf << '\n';
        } else {
            ctx.err << "vegal-cli: " << error << '\n';
            written = false;
        }
    }
    return report.Passed() && written ? kExitOk : kExitFailed;
}
