#include "CliBer.h"

#include <cstdint>
#include <ostream>

#include "CliApp.h"
#include "StopSignal.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "performance/core/BerTest.h"
#include "performance/core/IntegrationTime.h"
#include "radio/NumberText.h"
#include "radio/RadioCommands.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "radio/Transport.h"
#include "resources/StringTable.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// Option words of the lists, in the order of the screen's entries.
const char* const kPatternWords[] = {"framed-1011", "ccitt-v52"};
const char* const kModulationWords[] = {"c4fm", "cqpsk", "wide-pulse"};
const char* const kAudioWords[] = {"mute", "internal", "external"};

struct BerOptions {
    std::string port;
    double frequency = 0;
    bool frequencyGiven = false;
    int pattern = 0, modulation = 0, audio = 0;
    int frames = 0;
    bool framesGiven = false;
    double time = 0;
    bool timeGiven = false;
    double continuousSeconds = 0;
    bool continuous = false;
    bool help = false;
};

template <std::size_t N>
bool Choose(const std::string& word, const char* const (&words)[N], int& index) {
    for (std::size_t i = 0; i < N; ++i) {
        if (word == words[i]) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool Parse(const std::vector<std::string>& args, BerOptions& o, std::string& error) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string a = args[i];
        std::string v;
        bool inlineValue = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            v = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            inlineValue = true;
        }
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = a.rfind("--", 0) == 0 ? a + " needs a value" : "unexpected " + a;
                return false;
            }
            v = args[++i];
        }
        bool ok = true;
        if (a == "--port") {
            o.port = v;
            ok = !v.empty();
        } else if (a == "--freq") {
            ok = o.frequencyGiven = NumberText::ParseDouble(v, o.frequency);
        } else if (a == "--pattern") {
            ok = Choose(v, kPatternWords, o.pattern);
        } else if (a == "--modulation") {
            ok = Choose(v, kModulationWords, o.modulation);
        } else if (a == "--audio") {
            ok = Choose(v, kAudioWords, o.audio);
        } else if (a == "--frames") {
            ok = o.framesGiven = NumberText::ParseInt(v, o.frames) &&
                                 o.frames >= IntegrationTime::kMinFrames &&
                                 o.frames <= IntegrationTime::kMaxFrames;
            if (!ok) {
                error = "--frames needs a whole number from 1 to 255, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--time") {
            ok = o.timeGiven = NumberText::ParseDouble(v, o.time);
        } else if (a == "--continuous") {
            ok = o.continuous = NumberText::ParseDouble(v, o.continuousSeconds) &&
                                o.continuousSeconds > 0 && o.continuousSeconds <= 86400;
        } else {
            error = "unknown option " + a;
            return false;
        }
        if (!ok) {
            error = a + ": \"" + v + "\" is not a value it takes";
            return false;
        }
    }
    if (o.framesGiven && o.timeGiven) {
        error = "--frames and --time set the same thing; give one of them";
        return false;
    }
    return true;
}

/// The result as the screen's status line and Results fields show it.
void PrintResult(std::ostream& out, const CBerTest& test, const BerResult& result) {
    out << "Tag " << result.tag << ": " << test.m_status;
    if (result.sync)
        out << ", Number Of Bit Errors: " << test.m_errorText << ", BER (%): " << test.m_rateText;
    out << std::endl;
}

/// Connects the radio, checks its model and reads its model number (its band).
bool Connect(CTunerDoc& doc) {
    HRESULT hr = Transport::Connect(doc);
    if (FAILED(hr))
        Transport::ReportConnectFailure(doc);  // the device and why, as the one message
    if (SUCCEEDED(hr)) {
        doc.m_componentOpen = true;
        hr = Transport::VerifyRadio(doc, [&](const std::string& r) { return CheckModel(doc, r); });
    }
    if (SUCCEEDED(hr))
        hr = ReadModelNumber(doc, doc.m_modelNumber);
    if (FAILED(hr) && !doc.m_commErrorShown)
        doc.Host().ShowMessage(Str::kCommFailed, MsgIcon::Stop, MsgButtons::Ok);
    // From here on closing the data set takes the radio out of test mode.
    doc.m_readFromRadio = doc.m_componentOpen;
    return SUCCEEDED(hr);
}

bool StopAsked(const CCliContext& ctx) {
    return ctx.stop != nullptr && ctx.stop->Requested();
}

/// Runs the test until it ends or a stop is asked for; true when there was at least one result
/// and every one had sync. A stopped test is ended in the radio as well.
bool RunTest(CCliContext& ctx, CTunerDoc& doc, const BerOptions& o) {
    CBerTest test(doc, [] { return std::string(CBerTest::kTitle); });
    bool allSync = true;
    int results = 0;
    test.onResult = [&](const BerResult& r) {
        ++results;
        allSync = allSync && r.sync;
        PrintResult(ctx.out, test, r);
    };
    test.Open();
    test.m_frequency = o.frequency;
    test.CheckFrequency();
    test.m_pattern = o.pattern;
    test.m_modulation = o.modulation;
    test.m_audio = o.audio;
    test.m_continuous = o.continuous ? 1 : 0;
    if (o.framesGiven) {
        test.m_frames = o.frames;
        test.CheckFrames();
    } else if (o.timeGiven) {
        test.m_time = static_cast<float>(o.time);
        test.CheckTime();
    }
    ctx.err << "Rx Frequency (MHz): " << NumberText::General(test.m_frequency, 15)
            << ", integration time " << NumberText::General(test.m_time, 6) << " s ("
            << test.m_frames << (test.m_frames == 1 ? " frame)" : " frames)") << std::endl;
    if (test.m_frequency != o.frequency)
        ctx.err << "  (" << NumberText::General(o.frequency, 15)
                << " MHz is off the channel raster or the radio's band)" << std::endl;

    if (StopAsked(ctx))
        return false;
    test.StartStop();
    if (o.continuous && test.Polling()) {
        IHost& host = doc.Host();
        const std::uint32_t start = host.TimeGetTime();
        const auto span = static_cast<std::uint32_t>(o.continuousSeconds * 1000.0);
        while (static_cast<std::uint32_t>(host.TimeGetTime() - start) < span && !StopAsked(ctx)) {
            host.Sleep(CBerTest::kPollMs);
            if (!StopAsked(ctx))
                test.Tick();
        }
    }
    if (test.Running())
        test.StartStop();  // stops the continuous test (also one the radio refused)
    else if (StopAsked(ctx))
        StopBerTest(doc);  // a single test cut short still counts in the radio
    if (StopAsked(ctx))
        return false;
    if (results == 0)
        ctx.err << test.m_status << std::endl;
    ctx.out.flush();
    return results > 0 && allSync;
}

}  // namespace

std::string BerUsage() {
    return "usage: vegal-cli ber --port PORT --freq MHZ [--pattern framed-1011|ccitt-v52]\n"
           "                     [--modulation c4fm|cqpsk|wide-pulse]\n"
           "                     [--audio mute|internal|external]\n"
           "                     [--frames N | --time SECONDS] [--continuous SECONDS]\n";
}

int RunBer(const std::vector<std::string>& args, CCliContext& ctx) {
    BerOptions o;
    std::string error;
    if (!Parse(args, o, error)) {
        ctx.err << "vegal-cli ber: " << error << "\n" << BerUsage();
        return kExitUsage;
    }
    if (o.help) {
        ctx.out << BerUsage();
        return kExitOk;
    }
    if (o.port.empty() || !o.frequencyGiven) {
        ctx.err << "vegal-cli ber: --port and --freq are needed\n" << BerUsage();
        return kExitUsage;
    }
    const CCliSettings settings = ctx.settings ? ctx.settings() : CCliSettings{};
    CFrameState frame;
    frame.SetPort(NormalisePort(o.port));
    CTunerDoc doc(ctx.host, frame,
                  MakeSerialRadioCommFactory(ctx.host, settings.portMap, settings.baud));
    // From here a signal ends the test and leaves test mode instead of ending the process.
    CStopScope listening(ctx.stop, [](int) {});
    const bool ok = Connect(doc) && RunTest(ctx, doc, o);
    doc.DeleteContents();  // exit test mode
    if (ctx.stop == nullptr)
        return ok ? kExitOk : kExitFailed;
    ctx.stop->MarkRadioSafe();
    if (!ctx.stop->Requested())
        return ok ? kExitOk : kExitFailed;
    ctx.err << "vegal-cli ber: stopped by " << SignalWatch::Name(ctx.stop->Signal()) << std::endl;
    return ctx.stop->ExitCode();
}
