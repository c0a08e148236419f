#include "CliApp.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>

#include "AlignCommand.h"
#include "CliBer.h"
#include "TestSetCommand.h"
#include "document/FrameLink.h"
#include "document/Report.h"
#include "document/TunFile.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioRead.h"
#include "radio/RadioWrite.h"
#include "radio/SerialRadioComm.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// Wire counters of every component a run created, kept after the document drops one.
struct WireTotals {
    std::vector<RadioWireStats> perComponent;
    RadioWireStats Sum() const {
        RadioWireStats s;
        for (const auto& c : perComponent) {
            s.transactions += c.transactions;
            s.bytesSent += c.bytesSent;
            s.bytesReceived += c.bytesReceived;
        }
        return s;
    }
};

/// Passes everything to the real component and copies its wire counters after each call.
class CCountingRadioComm : public IRadioComm {
public:
    CCountingRadioComm(std::unique_ptr<IRadioComm> inner, std::shared_ptr<WireTotals> totals)
        : m_inner(std::move(inner)), m_totals(std::move(totals)) {
        m_slot = m_totals->perComponent.size();
        m_totals->perComponent.emplace_back();
    }
    HRESULT Transact(const std::uint8_t* request, std::int32_t requestLen, std::int32_t timeoutMs,
                     std::uint8_t* reply, std::int32_t* replyLen) override {
        const HRESULT hr = m_inner->Transact(request, requestLen, timeoutMs, reply, replyLen);
        Update();
        return hr;
    }
    HRESULT Open(std::int32_t mode, std::uint32_t portMask, const char* device) override {
        const HRESULT hr = m_inner->Open(mode, portMask, device);
        Update();
        return hr;
    }
    HRESULT Close() override {
        const HRESULT hr = m_inner->Close();
        Update();
        return hr;
    }
    std::string FailureReason() const override { return m_inner->FailureReason(); }
    RadioWireStats WireStats() const override { return m_inner->WireStats(); }

private:
    void Update() { m_totals->perComponent[m_slot] = m_inner->WireStats(); }
    std::unique_ptr<IRadioComm> m_inner;
    std::shared_ptr<WireTotals> m_totals;
    std::size_t m_slot = 0;
};

/// Options of one command: positional arguments, --port and --out.
struct Options {
    std::vector<std::string> positional;
    std::string port;
    std::string out;
    bool help = false;
};

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--port" || a == "-p") {
            if (!value(o.port))
                return false;
        } else if (a.rfind("--port=", 0) == 0) {
            o.port = a.substr(7);
        } else if (a == "--out" || a == "-o") {
            if (!value(o.out))
                return false;
        } else if (a.rfind("--out=", 0) == 0) {
            o.out = a.substr(6);
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            o.positional.push_back(a);
        }
    }
    return true;
}

/// One radio session of read or write: frame, counting component factory and clock.
class CRadioSession {
public:
    CRadioSession(CCliContext& ctx, const std::string& port)
        : m_ctx(ctx),
          m_totals(std::make_shared<WireTotals>()),
          m_start(std::chrono::steady_clock::now()) {
        const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
        m_frame.SetPort(NormalisePort(port));
        RadioCommFactory serial =
            MakeSerialRadioCommFactory(ctx.host, settings.portMap, settings.baud);
        auto totals = m_totals;
        RadioCommFactory counting = [serial, totals](std::unique_ptr<IRadioComm>& out) {
            std::unique_ptr<IRadioComm> inner;
            const HRESULT hr = serial(inner);
            if (FAILED(hr) || inner == nullptr)
                return FAILED(hr) ? hr : E_FAIL;
            out = std::make_unique<CCountingRadioComm>(std::move(inner), totals);
            return S_OK;
        };
        m_doc = std::make_unique<CTunerDoc>(ctx.host, m_frame, std::move(counting));
    }

    CTunerDoc& Doc() { return *m_doc; }
    CFrameState& Frame() { return m_frame; }

    /// Leaves test mode, closes the link and prints the summary line.
    void Finish(const char* command) {
        if (m_doc) {
            m_doc->DeleteContents();
            m_doc.reset();
        }
        const RadioWireStats s = m_totals->Sum();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - m_start)
                            .count();
        m_ctx.err << command << ": " << s.transactions << " exchanges, " << s.bytesSent
                  << " bytes sent, " << s.bytesReceived << " bytes received, " << ms << " ms"
                  << std::endl;
    }

private:
    CCliContext& m_ctx;
    CFrameState m_frame;
    std::shared_ptr<WireTotals> m_totals;
    std::chrono::steady_clock::time_point m_start;
    std::unique_ptr<CTunerDoc> m_doc;
};

bool EndsWithTun(const std::string& path) {
    return path.size() >= 3 && path.compare(path.size() - 3, 3, "tun") == 0;
}

int CmdRead(CCliContext& ctx, const Options& o) {
    if (o.port.empty() || o.out.empty() || !o.positional.empty()) {
        ctx.err << "usage: vegal-cli read --port PORT --out FILE.tun\n";
        return kExitUsage;
    }
    if (!EndsWithTun(o.out)) {
        ctx.err << "vegal-cli: the output file name must end in .tun: " << o.out << '\n';
        return kExitUsage;
    }
    CRadioSession session(ctx, o.port);
    const bool read = OnNewDocument(session.Doc());
    const bool saved = read && TunFile::SaveDocument(session.Doc(), o.out);
    if (saved)
        ctx.err << "Saved " << o.out << '\n';
    session.Finish("read");
    return saved ? kExitOk : kExitFailed;
}

int CmdWrite(CCliContext& ctx, const Options& o) {
    if (o.port.empty() || o.positional.size() != 1 || !o.out.empty()) {
        ctx.err << "usage: vegal-cli write --port PORT FILE.tun\n";
        return kExitUsage;
    }
    CRadioSession session(ctx, o.port);
    bool ok = TunFile::OpenDocument(session.Doc(), o.positional[0]);
    if (ok)
        ok = SUCCEEDED(OnWriteDevice(session.Doc()));
    session.Finish("write");
    return ok ? kExitOk : kExitFailed;
}

/// Opens a file into a document without a radio for dump and report.
template <typename Print>
int WithFile(CCliContext& ctx, const Options& o, const char* usage, Print print) {
    if (o.positional.size() != 1 || !o.port.empty() || !o.out.empty()) {
        ctx.err << usage;
        return kExitUsage;
    }
    CFrameState frame;
    CTunerDoc doc(ctx.host, frame, [](std::unique_ptr<IRadioComm>&) { return E_FAIL; });
    if (!TunFile::OpenDocument(doc, o.positional[0]))
        return kExitFailed;
    print(doc);
    ctx.out.flush();
    return ctx.out ? kExitOk : kExitFailed;
}

void Dump(std::ostream& out, CTunerDoc& doc) {
    out << "Serial Number: " << doc.m_serialNumber << '\n';
    out << "Model Number: " << doc.m_modelNumber << '\n';
    out << "Features present:";
    for (int t = 0; t < kSoftpotTypes; ++t) {
        if (doc.m_featurePresent[t])
            out << ' ' << t;
    }
    out << '\n';
    out << "Records: " << doc.m_saveList.size() << '\n';
    for (std::size_t i = 0; i < doc.m_saveList.size(); ++i) {
        const CSaveValues& r = *doc.m_saveList[i];
        out << "Record " << i + 1 << ": type " << r.m_type << ", level " << r.m_level << ", "
            << r.ValidPairs() << " pairs\n";
        for (int p = 0; p < r.ValidPairs(); ++p) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "  %.4f MHz  %d\n",
                          MessageFields::FreqToMHz(r.m_freq[p]), r.m_value[p]);
            out << buf;
        }
    }
}

}  // namespace

std::string NormalisePort(const std::string& port) {
    const int n = CPortMap::ComNumber(port);
    return n > 0 ? "COM" + std::to_string(n) : port;
}

std::string CliUsage() {
    return "vegal-cli: the VEGAL 25 Tuner without windows\n"
           "\n"
           "usage:\n"
           "  vegal-cli read --port PORT --out FILE.tun   read a radio and save its data set\n"
           "  vegal-cli write --port PORT FILE.tun        program a saved data set into the "
           "radio it came from\n"
           "  vegal-cli dump FILE.tun                     show the identity and every record\n"
           "  vegal-cli report FILE.tun                   show the tuning report\n"
           "  vegal-cli ber --port PORT --freq MHZ [...]  run the receiver bit error rate test\n"
           "                                              (vegal-cli ber --help for its "
           "options)\n" +
           TestSetUsage() + AlignUsage() + TestUsage() +
           "  vegal-cli --help                            show this text\n"
           "\n"
           "PORT is COMn (mapped to a device in the settings group Ports, otherwise the n-th\n"
           "serial device) or a device path such as /dev/ttyUSB0. The baud rate is the\n"
           "setting MySetting/RadioBaud (default 9600). read and write end with a summary\n"
           "line on standard error. For testset, align and test --testset, PORT is also the\n"
           "number n of COMn. align and test print their report on standard output and their\n"
           "progress on standard\n"
           "error when that is a terminal; --features takes refOsc, powerHigh, powerMid,\n"
           "powerLow, power, devBalance and devLimit, separated by commas. --limits names a\n"
           "file of key = value lines (refOscTarget = 0, refOscTolerance = 50, ... for each of\n"
           "those features but power; each key at most once, the file under 1 MB). Where the\n"
           "reports go is checked before the radio is read; a run that took no reading leaves\n"
           "an existing report as it was. --search fit (the default) fits a line through each\n"
           "row's readings and aims for the best value; --search secant runs the secant search\n"
           "of the Automatic Tuning dialog's Slider and Window buttons.\n"
           "For testset, the link's own notes (port opened, errors) come on standard output\n"
           "with the answers.\n"
           "align, test, ber and testset stop on SIGINT (Ctrl+C), SIGTERM or SIGHUP: the radio is\n"
           "dekeyed, a running bit error rate test is ended, test mode is left and the links\n"
           "are closed; align and test then print and save what its report knows (the rows it did\n"
           "not finish are marked stopped). A second signal ends the program as soon as the\n"
           "radio is safe, without reports.\n"
           "test sends only test mode, frequency, key, power level and tone requests: no\n"
           "value and no programming. The reports name the technician (--technician, else\n"
           "the setting MySetting/Technician, else the login name), the shop (the setting\n"
           "MySetting/ShopName), this computer and the test-set port.\n"
           "Exit status: 0 success, 1 failure, 2 usage error; 130, 143 or 129 after SIGINT,\n"
           "SIGTERM or SIGHUP.\n";
}

int RunCli(const std::vector<std::string>& args, CCliContext& ctx) {
    Options o;
    std::string error;
    if (args.empty()) {
        ctx.err << CliUsage();
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        ctx.out << CliUsage();
        return kExitOk;
    }
    if (args[0] == "testset")  // options of its own
        return RunTestSetCommand(std::vector<std::string>(args.begin() + 1, args.end()), ctx);
    if (args[0] == "ber")
        return RunBer(args, ctx);  // options of its own
    if (args[0] == "align")
        return RunAlignCommand(std::vector<std::string>(args.begin() + 1, args.end()), ctx);
    if (args[0] == "test")
        return RunTestCommand(std::vector<std::string>(args.begin() + 1, args.end()), ctx);
    if (!ParseOptions(args, o, error)) {
        ctx.err << "vegal-cli: " << error << "\n"
                << "Try vegal-cli --help.\n";
        return kExitUsage;
    }
    if (o.help) {
        ctx.out << CliUsage();
        return kExitOk;
    }
    const std::string& command = args[0];
    if (command == "read")
        return CmdRead(ctx, o);
    if (command == "write")
        return CmdWrite(ctx, o);
    if (command == "dump") {
        return WithFile(ctx, o, "usage: vegal-cli dump FILE.tun\n",
                        [&](CTunerDoc& doc) { Dump(ctx.out, doc); });
    }
    if (command == "report") {
        return WithFile(ctx, o, "usage: vegal-cli report FILE.tun\n", [&](CTunerDoc& doc) {
            for (const auto& line : ReportPrintLines(BuildReport(doc))) ctx.out << line << '\n';
        });
    }
    ctx.err << "vegal-cli: unknown command " << command << "\nTry vegal-cli --help.\n";
    return kExitUsage;
}
