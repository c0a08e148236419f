#include "TestSetCommand.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "CliApp.h"
#include "StopSignal.h"
#include "autotune/Measurement.h"
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
    return kExitFailed;
}

/// Prints the three fields of a reply, and why a field is no valid measurement; true when
/// every field is one.
bool PrintReading(const TestSetReading& r, bool manual, CCliContext& ctx) {
    auto bare = [](const std::string& field) {
        const std::size_t a = field.find_first_not_of(' ');
        return a == std::string::npos ? std::string() : field.substr(a);
    };
    const struct {
        const char* label;
        const std::string& text;
        Quantity quantity;
    } fields[] = {
        {manual ? "Frequency error: " : "Tune frequency: ", r.field1,
         manual ? Quantity::FrequencyError : Quantity::TuneFrequency},
        {"Power (W): ", r.field2, Quantity::Power},
        {"FM deviation: ", r.field3, Quantity::Deviation},
    };
    bool valid = true;
    std::vector<std::string> reasons;
    for (const auto& f : fields) {
        ctx.out << f.label << bare(f.text) << '\n';
        std::string why;
        if (r.status == ReplyStatus::Complete &&
            !CMeasurement::FromField(f.text, f.quantity, why)) {
            reasons.push_back(why);
            valid = false;
        }
    }
    ctx.out.flush();
    for (const std::string& why : reasons) ctx.err << "vegal-cli: " << why << ".\n";
    return valid;
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
           "                                              the analyzer frequency; exit 1 when\n"
           "                                              a value is no valid measurement\n"
           "    testset stops between items, or in a reply wait, on SIGINT, SIGTERM or SIGHUP.\n"
           "    A test set that holds the line with XOFF ends a start or download at the first\n"
           "    item that does not go out within 2 s (about 3 s in all).\n";
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

    // A signal stops the work between items and ends a reply wait; there is no radio to
    // make safe.
    CStopScope listening(ctx.stop, [](int) {});
    if (ctx.stop)
        ctx.stop->MarkRadioSafe();
    const auto stopped = [&ctx] { return ctx.stop != nullptr && ctx.stop->Requested(); };

    const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
    CTestSetLink link(ctx.host, settings.portMap, [text] { return text; });
    // The port is opened for every exchange: say once that it could be, and why it could not
    // (the open below) only once, too.
    bool opened = false;
    link.SetDiagnostics([&ctx, &link, &opened](const std::string& t) {
        if (t.find("successfully reconfigured") != std::string::npos) {
            if (opened)
                return;
            opened = true;
        } else if (t == link.LastOpenError() + "\n") {
            return;
        }
        ctx.out << t << std::flush;
    });
    if (ctx.testSetLinkCreated)
        ctx.testSetLinkCreated(link);
    auto end = [&](int status) {
        link.CloseTestSetPort();
        return stopped() ? ctx.stop->ExitCode() : status;
    };

    // A port that cannot be opened, or is no serial line, ends the command before anything
    // is written to it.
    if (link.OpenTestSetPort() == 1) {
        ctx.out << link.LastOpenError() << '\n';
        return end(kExitFailed);
    }
    link.CloseTestSetPort();

    ResidentProgram::Progress progress;
    std::string shown;
    progress.report = [&](const std::string& status, int done, int total) {
        if (status != shown || done == total) {
            ctx.host.Progress(status + " (" + std::to_string(done) + " of " +
                              std::to_string(total) + ")");
            shown = status;
        }
    };
    progress.cancelled = stopped;
    std::string why;
    auto notSent = [&] {
        ctx.out << why << '\n';
        return end(kExitFailed);
    };

    if (o.action == "check")
        return end(Running(link, ctx.out));
    if (o.action == "download") {
        if (!ResidentProgram::DownloadResidentProgram(link, progress, &why))
            return why.empty() ? end(kExitFailed) : notSent();
    }
    if (o.action == "start" || o.action == "download") {
        if (!ResidentProgram::StartResidentProgram(link, progress, &why))
            return why.empty() ? end(kExitFailed) : notSent();
        return end(Running(link, ctx.out));
    }
    if (o.action == "stop") {
        if (!link.IsResidentRunning()) {
            ctx.out << "The HP8920B resident program is not running: there is nothing to stop.\n";
            return end(kExitFailed);
        }
        link.StopResidentProgram();
        if (!link.LastWriteError().empty()) {
            ctx.out << "The stop code did not go out whole. " << link.LastWriteError() << '\n';
            return end(kExitFailed);
        }
        if (link.IsResidentRunning()) {
            ctx.out << "The HP8920B resident program is still running.\n";
            return end(kExitFailed);
        }
        ctx.out << "The HP8920B resident program has ended.\n";
        return end(kExitOk);
    }

    // measure
    if (o.hasFreq) {
        if (!link.SetAnalyzerFrequency(o.freqMHz)) {
            if (stopped())
                return end(kExitFailed);
            ctx.out << "The HP8920B did not answer the frequency code with CTS; the analyzer "
                       "frequency is unchanged.\n";
            if (!link.LastWriteError().empty())
                ctx.out << link.LastWriteError() << '\n';
            return end(kExitFailed);
        }
        char mhz[32];
        std::snprintf(mhz, sizeof mhz, "%.4f", o.freqMHz);
        ctx.out << "Analyzer frequency: " << mhz << " MHz\n";
    }
    if (stopped())
        return end(kExitFailed);
    const TestSetReading r = link.RequestMeasurement(o.manual, stopped);
    if (r.status == ReplyStatus::Stopped)
        return end(kExitFailed);
    if (r.status == ReplyStatus::NoAnswer) {
        ctx.out << "The HP8920B did not answer the measurement request.\n";
        if (!link.LastWriteError().empty())
            ctx.out << link.LastWriteError() << '\n';
        return end(kExitFailed);
    }
    const bool valid = PrintReading(r, o.manual, ctx);
    return end(r.status == ReplyStatus::Complete && valid ? kExitOk : kExitFailed);
}
