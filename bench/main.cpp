// vegal-bench: a simulated radio and HP8920B test set behind pseudo-terminals.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Bench.h"
#include "BestValues.h"
#include "RadioProfile.h"
#include "autotune/AlignmentLimits.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

void Usage(std::ostream& out) {
    out << "usage: vegal-bench --radio PATH [--testset PATH] [--profile NAME|FILE] [--trace FILE]\n"
           "                   [--seed N] [--no-noise] [--unpaced] [--radio-baud N]\n"
           "                   [--testset-baud N] [--download-gap MS] [--poll-after-reply MS]\n"
           "                   [--testset-stored | --testset-running] [fault flags]\n"
           "                   [--list-profiles] [--help]\n"
           "       vegal-bench --best-values [--profile NAME|FILE] [--seed N] [--limits FILE]\n"
           "\n"
           "Runs until SIGINT or SIGTERM; PATH and FILE may be relative.\n"
           "\n"
           "  --testset-stored       the test set starts with the resident program stored\n"
           "  --testset-running      the test set starts with the resident program running\n"
           "  --poll-after-reply MS  the resident program polls MS ms after a reply instead of\n"
           "                         at once (75: one poll interval later)\n"
           "  --best-values          print, for every transmit row, the value whose noiseless\n"
           "                         reading comes closest to the alignment target, and exit\n"
           "  --limits FILE          with --best-values: the targets of this limits file\n"
           "\n"
           "Fault flags:\n"
           "  --no-answer            the radio never answers\n"
           "  --late-answer[=MS]     the radio answers MS (default 3500) ms late\n"
           "  --corrupt-reply        replies carry a bad checksum\n"
           "  --truncated-reply      only the first half of each reply is sent\n"
           "  --drop-after N         the radio answers N requests, then goes silent\n"
           "  --only-request HEX     wire faults above apply only to requests starting with HEX\n"
           "  --unsupported-model    unknown model identifier\n"
           "  --blank-serial         serial number of an uninitialised controller board\n"
           "  --empty-serial         empty serial number\n"
           "  --freq-list-error      the frequency-list read answers with an error status\n"
           "  --refuse-ber           the radio refuses the BER test\n"
           "  --ber-bad-status       the BER result read answers with status 01\n"
           "  --ber-short-record     the BER result read cuts its last record short\n"
           "  --ber-no-tags          every BER result record has tag 0\n"
           "  --refuse-request HEX   requests starting with HEX get status 02 and do nothing\n"
           "  --testset-short        measurement replies stop halfway through the second value\n"
           "  --testset-short-field1 measurement replies stop halfway through the first value\n"
           "  --testset-no-reply[=N] the next N measurements (default: every one) send no\n"
           "                         reply and the program goes back to polling\n"
           "  --testset-no-cts       the frequency code is not answered with CTS\n"
           "  --testset-silent       the test set sends nothing\n"
           "  --testset-garbage-field[=N]\n"
           "                         measurement replies carry ZZZZZZZZZZZZZZZZ in value N\n"
           "                         (1 frequency, 2 power, 3 deviation; default: every value)\n"
           "  --testset-bad-exponent[=N]\n"
           "                         measurement replies carry a broken exponent in value N\n"
           "                         (1.48200000En001; default: every value)\n"
           "  --testset-xoff         the test set holds the tuner's output with XOFF and never\n"
           "                         sends XON\n";
}

bool ParseInt(const char* s, long& out) {
    char* end = nullptr;
    out = std::strtol(s, &end, 0);
    return end != s && *end == '\0';
}

/// A flag that names a reply value: "--flag" (every value, -1) or "--flag=N" with N 1 to 3.
/// False when arg is not the flag; exits on a bad N.
bool ValueFlag(const std::string& arg, const std::string& flag, int& into) {
    if (arg == flag) {
        into = -1;
        return true;
    }
    if (arg.rfind(flag + "=", 0) != 0)
        return false;
    long n = 0;
    if (!ParseInt(arg.c_str() + flag.size() + 1, n) || n < 1 || n > 3) {
        std::cerr << "vegal-bench: " << flag << " takes a value number 1, 2 or 3, not \""
                  << arg.substr(flag.size() + 1) << "\"\n";
        std::exit(2);
    }
    into = static_cast<int>(n);
    return true;
}

/// Prints the best value of every transmit row of the radio and returns the exit status.
int PrintBestValues(const BenchOptions& o, const std::string& limitsFile) {
    CRadioProfile profile;
    std::string error;
    if (!CRadioProfile::Load(o.profile, profile, error)) {
        std::cerr << "vegal-bench: " << error << "\n";
        return 1;
    }
    CAlignmentLimits limits;
    if (!limitsFile.empty() && !limits.Load(limitsFile, error)) {
        std::cerr << "vegal-bench: " << error << "\n";
        return 1;
    }
    BestValues::Targets targets{};
    for (int f = 0; f < BestValues::kFeatures; ++f) targets[f] = limits.For(f).target;
    for (const BestValues::Entry& e : BestValues::Find(profile, o.seed, targets))
        std::cout << BestValues::Line(e) << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions o;
    bool radioGiven = false;
    bool bestValues = false;
    std::string limitsFile;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "vegal-bench: " << a << " needs " << what << "\n";
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](const char* what) {
            long n = 0;
            const char* v = value(what);
            if (!ParseInt(v, n) || n < 0) {
                std::cerr << "vegal-bench: " << a << " needs " << what << ", not \"" << v << "\"\n";
                std::exit(2);
            }
            return n;
        };
        if (a == "--help" || a == "-h") {
            Usage(std::cout);
            return 0;
        } else if (a == "--list-profiles") {
            for (const std::string& name : CBench::ProfileNames()) {
                CRadioProfile p;
                CRadioProfile::BuiltIn(name, p);
                std::cout << name << "\t" << p.modelNumber << "\t" << p.description << "\n";
            }
            return 0;
        } else if (a == "--best-values") {
            bestValues = true;
        } else if (a == "--limits") {
            limitsFile = value("a limits file");
            if (limitsFile.empty()) {
                std::cerr << "vegal-bench: --limits needs a limits file\n";
                return 2;
            }
        } else if (a == "--radio") {
            o.radioLink = value("a path");
            radioGiven = true;
        } else if (a == "--testset") {
            o.testSetLink = value("a path");
        } else if (a == "--profile") {
            o.profile = value("a profile name or file");
        } else if (a == "--trace") {
            o.traceFile = value("a file");
        } else if (a == "--seed") {
            o.seed = static_cast<std::uint32_t>(number("a number"));
        } else if (a == "--no-noise") {
            o.noise = false;
        } else if (a == "--unpaced") {
            o.paced = false;
        } else if (a == "--radio-baud") {
            o.radioBaud = static_cast<int>(number("a baud rate"));
        } else if (a == "--testset-baud") {
            o.testSetBaud = static_cast<int>(number("a baud rate"));
        } else if (a == "--download-gap") {
            o.downloadQuietMs = static_cast<int>(number("milliseconds"));
        } else if (a == "--poll-after-reply") {
            o.pollAfterReplyMs = static_cast<int>(number("milliseconds"));
        } else if (ValueFlag(a, "--testset-garbage-field", o.faults.testSetGarbageField) ||
                   ValueFlag(a, "--testset-bad-exponent", o.faults.testSetBadExponent)) {
            // taken
        } else if (a == "--testset-xoff") {
            o.faults.testSetXoff = true;
        } else if (a == "--no-answer") {
            o.faults.noAnswer = true;
        } else if (a == "--late-answer" || a.rfind("--late-answer=", 0) == 0) {
            o.faults.lateAnswer = true;
            long ms = 0;
            if (a.size() > 14 && ParseInt(a.c_str() + 14, ms) && ms >= 0)
                o.faults.lateAnswerMs = static_cast<int>(ms);
        } else if (a == "--corrupt-reply") {
            o.faults.corruptReply = true;
        } else if (a == "--truncated-reply") {
            o.faults.truncatedReply = true;
        } else if (a == "--drop-after") {
            o.faults.dropAfterRequests = static_cast<int>(number("a request count"));
        } else if (a == "--only-request") {
            o.faults.onlyRequest = value("hex digits");
        } else if (a == "--unsupported-model") {
            o.faults.unsupportedModel = true;
        } else if (a == "--blank-serial") {
            o.faults.blankSerial = true;
        } else if (a == "--empty-serial") {
            o.faults.emptySerial = true;
        } else if (a == "--freq-list-error") {
            o.faults.freqListError = true;
        } else if (a == "--refuse-ber") {
            o.faults.refuseBer = true;
        } else if (a == "--ber-bad-status") {
            o.faults.berBadStatus = true;
        } else if (a == "--ber-short-record") {
            o.faults.berShortRecord = true;
        } else if (a == "--ber-no-tags") {
            o.faults.berNoTags = true;
        } else if (a == "--refuse-request") {
            o.faults.refuseRequest = value("hex digits");
        } else if (a == "--testset-short") {
            o.faults.testSetShortReplies = true;
        } else if (a == "--testset-short-field1") {
            o.faults.testSetShortField1 = true;
        } else if (a == "--testset-no-reply" || a.rfind("--testset-no-reply=", 0) == 0) {
            o.faults.testSetNoReply = -1;
            long n = 0;
            if (a.size() > 19 && (!ParseInt(a.c_str() + 19, n) || n <= 0)) {
                std::cerr << "vegal-bench: " << a << " needs a positive count\n";
                return 2;
            }
            if (n > 0)
                o.faults.testSetNoReply = static_cast<int>(n);
        } else if (a == "--testset-no-cts") {
            o.faults.testSetNoCts = true;
        } else if (a == "--testset-stored") {
            o.testSetStart = BenchOptions::TestSetStart::Stored;
        } else if (a == "--testset-running") {
            o.testSetStart = BenchOptions::TestSetStart::Running;
        } else if (a == "--testset-silent") {
            o.faults.testSetSilent = true;
        } else {
            std::cerr << "vegal-bench: unknown option " << a << "\n";
            Usage(std::cerr);
            return 2;
        }
    }
    if (bestValues)
        return PrintBestValues(o, limitsFile);
    if (!limitsFile.empty()) {
        std::cerr << "vegal-bench: --limits goes with --best-values\n";
        return 2;
    }
    if (!radioGiven || o.radioLink.empty()) {
        std::cerr << "vegal-bench: --radio PATH is required\n";
        Usage(std::cerr);
        return 2;
    }
    for (auto& c : o.faults.onlyRequest)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CBench bench(o);
    bench.TestSet().SetNoteObserver([](const std::string& note) {
        std::cerr << "vegal-bench: test set: " << note << std::endl;
    });
    std::string error;
    if (!bench.Start(error)) {
        std::cerr << "vegal-bench: " << error << "\n";
        return 1;
    }
    std::cout << "vegal-bench: profile " << o.profile << "\n";
    std::cout << "radio:   " << bench.RadioDevice() << "\n";
    if (!bench.TestSetDevice().empty())
        std::cout << "testset: " << bench.TestSetDevice() << "\n";
    std::cout << "ready" << std::endl;
    while (!g_stop) ::usleep(50000);
    bench.Stop();
    std::cout << "vegal-bench: stopped" << std::endl;
    return 0;
}
