#include "TestSetCommand.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "CliApp.h"
#include "autotune/ResidentProgram.h"
#include "autotune/TestSetLink.h"
#include "radio/Host.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct TestSetOptions {
    std::string action;
    std::string port;
    bool manual = false;
    bool hasFreq = false;
    double freqMHz = 0.0;
};

bool Parse(const std::vector<std::string>& args, TestSetOptions& o, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string freq;
        if (a == "--port" || a == "-p") {
            if (!value(o.port))
                return false;
        } else if (a.rfind("--port=", 0) == 0) {
            o.port = a.substr(7);
        } else if (a == "--manual") {
            o.manual = true;
        } else if (a == "--freq" || a.rfind("--freq=", 0) == 0) {
            if (a == "--freq" && !value(freq))
                return false;
            if (a != "--freq")
                freq = a.substr(7);
            char* end = nullptr;
            o.freqMHz = std::strtod(freq.c_str(), &end);
            if (freq.empty() || *end != '\0' || !(o.freqMHz > 0.0) || o.freqMHz > 2000.0) {
                error = "--freq needs a frequency in MHz, not \"" + freq + "\"";
                return false;
            }
            o.hasFreq = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.action.empty()) {
            o.action = a;
        } else {
            error = "unexpected argument " + a;
            return false;
        }
    }
    return true;
}

int Running(CTestSetLink& link, std::ostream& out) {
    if (link.IsResidentRunning()) {
        out << "The HP8920B resident program is running.\n";
        return kExitOk;
    }
    out << "The HP8920B resident program does not answer.\n";
    if (!link.LastOpenError().empty())
        out << link.LastOpenError() << '\n';
    return kExitFailed;
}

}  // namespace

std::string TestSetPortText(const std::string& port) {
    const int n = CPortMap::ComNumber(port);
    return n > 0 ? std::to_string(n) : port;
}

std::string TestSetUsage() {
    return "  vegal-cli testset check --port PORT         is the HP8920B resident program "
           "running?\n"
           "  vegal-cli testset start --port PORT         start the stored resident program\n"
           "  vegal-cli testset download --port PORT      load the resident program and start it\n"
           "  vegal-cli testset stop --port PORT          end the resident program\n"
           "  vegal-cli testset measure --port PORT [--manual] [--freq MHZ]\n"
           "                                              one measurement; --freq first sets\n"
           "                                              the analyzer frequency\n";
}

int RunTestSetCommand(const std::vector<std::string>& args, CCliContext& ctx) {
    TestSetOptions o;
    std::string error;
    const char* usage = "usage:\n";
    if (!Parse(args, o, error)) {
        ctx.err << "vegal-cli: " << error << "\n" << usage << TestSetUsage();
        return kExitUsage;
    }
    const bool known = o.action == "check" || o.action == "start" || o.action == "download" ||
                       o.action == "stop" || o.action == "measure";
    if (!known || o.port.empty() || ((o.manual || o.hasFreq) && o.action != "measure")) {
        if (!o.action.empty() && !known)
            ctx.err << "vegal-cli: unknown testset command " << o.action << "\n";
        ctx.err << usage << TestSetUsage();
        return kExitUsage;
    }
    const std::string text = TestSetPortText(o.port);
    if (!CTestSetLink::CheckPortText(text, error)) {
        ctx.err << "vegal-cli: " << error << "\n";
        return kExitUsage;
    }

    const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
    CTestSetLink link(ctx.host, settings.portMap, [text] { return text; });
    link.SetDiagnostics([&ctx](const std::string& t) { ctx.out << t << std::flush; });
    if (ctx.testSetLinkCreated)
        ctx.testSetLinkCreated(link);

    ResidentProgram::Progress progress;
    std::string shown;
    progress.report = [&](const std::string& status, int done, int total) {
        if (status != shown || done == total) {
            ctx.host.Progress(status + " (" + std::to_string(done) + " of " +
                              std::to_string(total) + ")");
            shown = status;
        }
    };

    if (o.action == "check")
        return Running(link, ctx.out);
    if (o.action == "start") {
        ResidentProgram::StartResidentProgram(link, progress);
        return Running(link, ctx.out);
    }
    if (o.action == "download") {
        ResidentProgram::DownloadResidentProgram(link, progress);
        ResidentProgram::StartResidentProgram(link, progress);
        return Running(link, ctx.out);
    }
    if (o.action == "stop") {
        link.StopResidentProgram();
        if (link.IsResidentRunning()) {
            ctx.out << "The HP8920B resident program is still running.\n";
            return kExitFailed;
        }
        ctx.out << "The HP8920B resident program has ended.\n";
        return kExitOk;
    }

    // measure
    if (o.hasFreq) {
        if (!link.SetAnalyzerFrequency(o.freqMHz)) {
            ctx.out << "The HP8920B did not answer the frequency code with CTS; the analyzer "
                       "frequency is unchanged.\n";
            return kExitFailed;
        }
        char mhz[32];
        std::snprintf(mhz, sizeof mhz, "%.4f", o.freqMHz);
        ctx.out << "Analyzer frequency: " << mhz << " MHz\n";
    }
    const TestSetReading r = link.RequestMeasurement(o.manual);
    if (r.status == ReplyStatus::NoAnswer) {
        ctx.out << "The HP8920B did not answer the measurement request.\n";
        return kExitFailed;
    }
    auto bare = [](const std::string& field) {
        const std::size_t a = field.find_first_not_of(' ');
        return a == std::string::npos ? std::string() : field.substr(a);
    };
    ctx.out << (o.manual ? "Frequency error: " : "Tune frequency: ") << bare(r.field1) << '\n'
            << "Power (W): " << bare(r.field2) << '\n'
            << "FM deviation: " << bare(r.field3) << '\n';
    return r.status == ReplyStatus::Complete ? kExitOk : kExitFailed;
}
