#include "bench/Bench.h"
#include "bench/BestValues.h"
#include "bench/TestSetProgramCopy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "radio/SerialRadioComm.h"
#include "support/RecordingHost.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const std::uint8_t* b, std::size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

Bytes FrameOf(const std::string& payloadHex) {
    Bytes f{0, static_cast<std::uint8_t>(payloadHex.size() / 2)};
    for (std::size_t i = 0; i < payloadHex.size(); i += 2)
        f.push_back(static_cast<std::uint8_t>(std::stoi(payloadHex.substr(i, 2), nullptr, 16)));
    return f;
}

/// A scratch folder that goes away with the test.
struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/vegal-bench-test-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

/// The serial component talking to a bench radio over its pty.
class BenchRadioTest : public ::testing::Test {
protected:
    void StartBench(BenchOptions o = {}) {
        o.radioLink = dir.path + "/radio";
        bench = std::make_unique<CBench>(o);
        std::string error;
        ASSERT_TRUE(bench->Start(error)) << error;
        ASSERT_EQ(bench->RadioDevice(), dir.path + "/radio");
        ASSERT_TRUE(fs::is_symlink(bench->RadioDevice()));
        comm = std::make_unique<CSerialRadioComm>(CPortMap());
        ASSERT_EQ(comm->Open(RADIOCOMM_MODE_DEVICE, 0, bench->RadioDevice().c_str()), S_OK);
    }
    /// One exchange; the reply payload hex lands in reply.
    HRESULT Exchange(const std::string& payloadHex, int timeoutMs = 3000) {
        const Bytes f = FrameOf(payloadHex);
        std::uint8_t buf[1000];
        std::int32_t len = sizeof buf;
        const HRESULT hr =
            comm->Transact(f.data(), static_cast<std::int32_t>(f.size()), timeoutMs, buf, &len);
        reply = hr >= 0 && len >= 2 ? Hex(buf + 2, static_cast<std::size_t>(len - 2)) : "";
        return hr;
    }
    TempDir dir;
    CRecordingHost host;
    std::unique_ptr<CBench> bench;
    std::unique_ptr<CSerialRadioComm> comm;
    std::string reply;
};

TEST_F(BenchRadioTest, ReadSequenceThroughTheSerialComponent) {
    StartBench();  // paced at 9600 baud
    ASSERT_EQ(Exchange("0012"), S_OK);
    EXPECT_EQ(reply.substr(0, 6), "001200");
    EXPECT_EQ(reply.size(), 38u);
    ASSERT_EQ(Exchange("000c"), S_OK);
    EXPECT_EQ(reply, "000c00");
    ASSERT_EQ(Exchange("000f40"), S_OK);
    EXPECT_EQ(reply, "000f00010aff");
    ASSERT_EQ(Exchange("0100821079000003e80000"), S_OK);
    EXPECT_EQ(reply.substr(16, 4), "002a");  // four records
    ASSERT_EQ(Exchange("000603"), S_OK);
    ASSERT_EQ(Exchange("00010301"), S_OK);
    EXPECT_EQ(reply, "0001000301141414");  // Tx Power Low 20 at three frequencies
    ASSERT_EQ(Exchange("000e02"), S_OK);
    EXPECT_EQ(reply.substr(0, 8), "000e0200");

    // The radio remembers programmed values across a new connection.
    ASSERT_EQ(Exchange("0001040277"), S_OK);
    comm->Close();
    ASSERT_EQ(comm->Open(RADIOCOMM_MODE_DEVICE, 0, bench->RadioDevice().c_str()), S_OK);
    ASSERT_EQ(Exchange("00010302"), S_OK);
    EXPECT_EQ(reply.substr(10, 2), "77");

    const std::vector<std::string> expected = {
        "0012",   "000c",       "000f40",  "0100821079000003e80000", "000603", "00010301",
        "000e02", "0001040277", "00010302"};
    EXPECT_EQ(bench->RadioRequests(), expected);
    EXPECT_TRUE(host.Texts().empty());
}

TEST_F(BenchRadioTest, WireFaultsAsTheSerialComponentSeesThem) {
    BenchOptions o;
    o.paced = false;
    StartBench(o);
    struct Case {
        const char* name;
        void (*set)(BenchFaults&);
        HRESULT expected;
    } cases[] = {
        {"no answer", [](BenchFaults& f) { f.noAnswer = true; }, E_RADIO_TIMEOUT},
        {"late answer",
         [](BenchFaults& f) {
             f.lateAnswer = true;
             f.lateAnswerMs = 500;
         },
         E_RADIO_TIMEOUT},
        {"corrupt", [](BenchFaults& f) { f.corruptReply = true; }, E_RADIO_BADFRAME},
        {"truncated", [](BenchFaults& f) { f.truncatedReply = true; }, E_RADIO_BADFRAME},
    };
    for (const Case& c : cases) {
        BenchFaults f;
        c.set(f);
        bench->SetFaults(f);
        EXPECT_EQ(Exchange("000c", 300), c.expected) << c.name;
        bench->SetFaults({});
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let a late reply pass
        EXPECT_EQ(Exchange("000c", 1000), S_OK) << "after " << c.name;
        EXPECT_EQ(reply, "000c00");
    }

    BenchFaults f;
    f.dropAfterRequests = bench->Radio().RequestCount() + 2;
    bench->SetFaults(f);
    EXPECT_EQ(Exchange("0012"), S_OK);
    EXPECT_EQ(Exchange("001000"), S_OK);
    EXPECT_EQ(Exchange("001100", 300), E_RADIO_TIMEOUT);  // the link dropped mid-read

    f = {};
    f.noAnswer = true;
    f.onlyRequest = "0017";
    bench->SetFaults(f);
    EXPECT_EQ(Exchange("000c", 500), S_OK);
    EXPECT_EQ(Exchange("0017", 300), E_RADIO_TIMEOUT);
}

TEST_F(BenchRadioTest, GarbageOnTheLineIsSkipped) {
    BenchOptions o;
    o.paced = false;
    StartBench(o);
    const int fd = ::open(bench->RadioDevice().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    // Noise, a frame with a bad checksum, a huge length, half a frame.
    const Bytes junk = {0x01, 0x02, 0xA5, 0x00, 0x02, 0x00, 0x0c, 0x00,
                        0xA5, 0xFF, 0xFF, 0x00, 0xA5, 0x00, 0x04, 0x00};
    ASSERT_EQ(::write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the fragment times out
    ASSERT_EQ(Exchange("0012"), S_OK);
    EXPECT_EQ(reply.substr(0, 6), "001200");
    EXPECT_EQ(bench->RadioRequests().back(), "0012");
}

/// A raw client on the test-set pty.
class TestSetClient {
public:
    explicit TestSetClient(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~TestSetClient() { ::close(m_fd); }
    bool ok() const { return m_fd >= 0; }
    void Write(const std::string& s) { (void)!::write(m_fd, s.data(), s.size()); }
    /// Everything that arrives within ms.
    std::string Read(int ms) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char buf[256];
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0)
                    out.append(buf, static_cast<std::size_t>(n));
            }
        }
        return out;
    }
    void Purge() { ::tcflush(m_fd, TCIFLUSH); }

private:
    int m_fd = -1;
};

TEST(BenchTestSet, DownloadStartMeasureAndFlowControlOverPty) {
    TempDir dir;
    BenchOptions o;
    o.radioLink = dir.path + "/radio";
    o.testSetLink = dir.path + "/testset";
    o.downloadQuietMs = 200;
    o.noise = false;
    CBench bench(o);
    std::string error;
    ASSERT_TRUE(bench.Start(error)) << error;
    TestSetClient c(bench.TestSetDevice());
    ASSERT_TRUE(c.ok());
    auto send = [&](const std::vector<std::string>& items, int gapMs) {
        for (const std::string& s : items) {
            c.Write(s);
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        }
    };
    std::vector<std::string> loader{"SCRATCH ALL\r", "MSI \":MEMORY,0\"\r", "edit\r"};
    for (const std::string& line : TestSetProgramCopy::LoaderBody()) loader.push_back(line + "\r");
    loader.insert(loader.end(), {"\x1b", "\x1b", "run\r"});
    send(loader, 5);
    std::vector<std::string> program;
    for (std::string line : TestSetProgramCopy::Program()) {
        if (line.compare(line.size() - 2, 2, "!*") == 0)
            line.pop_back();  // a free comment line: a bare "!"
        program.push_back(line + "\n");
    }
    send(program, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(bench.TestSet().HasFile());
    EXPECT_EQ(bench.TestSet().File().size(), 241u);
    send({"SCRATCH ALL\r", "MASS STORAGE IS \":MEMORY,0\"\r", "GET \"Quorvin\"\r", "run\r"}, 20);
    const std::string idle = c.Read(600);
    EXPECT_NE(idle.find("X\r\n"), std::string::npos);

    // XOFF holds the output; XON lets it go again.
    c.Write("\x13");
    c.Read(50);
    EXPECT_EQ(c.Read(300), "");
    c.Write("\x11");
    EXPECT_NE(c.Read(300).find("X\r\n"), std::string::npos);

    // A measurement of the keyed radio at 19200 baud.
    CSimRadio& radio = bench.Radio();
    radio.HandleFrame({0x00, 0x02, 0x00, 0x0c});
    radio.HandleFrame({0x00, 0x08, 0x00, 0x0b, 0x0a, 0x25, 0x15, 0x84, 0x64, 0x00});
    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    c.Write("3\r");
    c.Purge();
    const std::string r = c.Read(400);
    const std::size_t at = r.find('C');
    ASSERT_NE(at, std::string::npos) << r;
    ASSERT_GE(r.size(), at + 59);
    EXPECT_EQ(r.substr(at, 5), "C\r\b\r\n");
    EXPECT_NEAR(std::atof(r.substr(at + 5, 16).c_str()), 851012500.0 + radio.Transmitter().errorHz,
                1.0);
    c.Write("1\r");
    c.Read(200);
    EXPECT_EQ(bench.TestSet().CurrentMode(), CSimTestSet::Mode::Instrument);

    const std::vector<std::string> lines = bench.TestSetLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "SCRATCH ALL");
    EXPECT_EQ(lines[43], "\x1b");
    EXPECT_EQ(lines.back(), "1");
}

TEST(BenchTestSet, WhatItSendsWhileThePortIsClosedIsLost) {
    BenchOptions o;
    o.testSet = true;
    o.paced = false;
    o.testSetStart = BenchOptions::TestSetStart::Running;
    CBench bench(o);
    std::string error;
    ASSERT_TRUE(bench.Start(error)) << error;
    CSimRadio& radio = bench.Radio();
    radio.HandleFrame({0x00, 0x02, 0x00, 0x0c});
    radio.HandleFrame({0x00, 0x08, 0x00, 0x0b, 0x0a, 0x25, 0x15, 0x84, 0x64, 0x00});
    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    {
        TestSetClient c(bench.TestSetDevice());
        c.Write("3\r");  // the reply comes about 120 ms later, to a closed port
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    TestSetClient c(bench.TestSetDevice());
    const std::string after = c.Read(250);
    EXPECT_EQ(after.find('C'), std::string::npos) << after;
    EXPECT_NE(after.find("X\r\n"), std::string::npos);  // polls heard while open
    EXPECT_LT(after.size(), 3u * 6u);                   // no backlog of closed-port polls
    EXPECT_EQ(after.substr(0, 1), "X");
}

std::string BenchBinary() {
    char exe[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    return (fs::path(std::string(exe, static_cast<std::size_t>(n))).parent_path().parent_path() /
            "bin" / "vegal-bench")
        .string();
}

TEST(BenchBinary, RelativePathsConnectQueryTraceAndCleanExit) {
    const std::string binary = BenchBinary();
    ASSERT_TRUE(fs::exists(binary)) << binary;
    TempDir dir;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(dir.path.c_str()) != 0)
            ::_exit(127);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::execl(binary.c_str(), "vegal-bench", "--radio", "r", "--testset", "t", "--trace", "trace",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const fs::path r = fs::path(dir.path) / "r";
    for (int i = 0; i < 200 && !fs::is_symlink(r); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::is_symlink(r));
    EXPECT_TRUE(fs::is_symlink(fs::path(dir.path) / "t"));

    CRecordingHost host;
    CSerialRadioComm comm{CPortMap()};
    ASSERT_EQ(comm.Open(RADIOCOMM_MODE_DEVICE, 0, r.c_str()), S_OK);
    const Bytes f = FrameOf("0012");
    std::uint8_t buf[1000];
    std::int32_t len = sizeof buf;
    EXPECT_EQ(comm.Transact(f.data(), 4, 3000, buf, &len), S_OK);
    EXPECT_EQ(len, 2 + 3 + 16);
    comm.Close();

    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(r)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(dir.path) / "t")));

    std::ifstream trace(fs::path(dir.path) / "trace");
    std::stringstream text;
    text << trace.rdbuf();
    const std::string t = text.str();
    ASSERT_GE(t.size(), 18u);
    EXPECT_NE(t.find(" radio 0012\n"), std::string::npos) << t;
    EXPECT_EQ(t[2], ':');
    EXPECT_EQ(t[8], '.');
}

/// Runs the bench binary to its end with these arguments (words without quoting); its exit
/// status and what it wrote on standard output and error.
std::pair<int, std::string> RunBench(const std::string& args) {
    const std::string command = BenchBinary() + " " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, ""};
    std::string out;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Lines(const std::vector<BestValues::Entry>& entries) {
    std::string text;
    for (const BestValues::Entry& e : entries) text += BestValues::Line(e) + "\n";
    return text;
}

TEST(BenchBinary, BestValuesPrintEveryTransmitRowForTheTargetsOfALimitsFile) {
    ASSERT_TRUE(fs::exists(BenchBinary()));
    TempDir dir;
    CRadioProfile hard;
    ASSERT_TRUE(CRadioProfile::BuiltIn("hard", hard));
    const BestValues::Targets defaults = {0.0, 2.5, 1.5, 0.5, 3000.0, 2800.0};

    auto [status, out] = RunBench("--best-values --profile hard --seed 4");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, Lines(BestValues::Find(hard, 4, defaults)));
    // One line a row, e.g. "Tx Power High  row 2  823.9875 MHz  best 106  reads 2.5020 W".
    EXPECT_TRUE(std::regex_search(
        out,
        std::regex("\nTx Power High  row 2  823\\.9875 MHz  best [0-9]+  reads 2\\.[0-9]{4} W\n")))
        << out;

    const std::string limits = dir.path + "/limits.txt";
    std::ofstream(limits) << "powerHighTarget = 2.0\ndevLimitTarget = 2500  # Hz\n";
    BestValues::Targets fromFile = defaults;
    fromFile[1] = 2.0;
    fromFile[5] = 2500.0;
    std::tie(status, out) = RunBench("--profile hard --limits " + limits + " --best-values");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, Lines(BestValues::Find(hard, 1, fromFile)));

    std::ofstream(dir.path + "/bad.txt") << "powerHighTarget = lots\n";
    const struct {
        std::string args;
        int status;
        std::string says;
    } refused[] = {
        {"--best-values --limits " + dir.path + "/bad.txt", 1,
         dir.path + "/bad.txt: line 1: powerHighTarget needs a number"},
        {"--best-values --limits " + dir.path, 1, dir.path + ": cannot be read"},
        {"--best-values --profile nothing", 1, "\"nothing\" is neither a built-in profile"},
        {"--limits " + limits + " --radio r", 2, "--limits goes with --best-values"},
    };
    for (const auto& r : refused) {
        std::tie(status, out) = RunBench(r.args);
        EXPECT_EQ(status, r.status) << r.args;
        EXPECT_NE(out.find(r.says), std::string::npos) << r.args << ": " << out;
        EXPECT_EQ(out.find("best "), std::string::npos) << r.args;
    }
}

TEST_F(BenchRadioTest, EachRowOfASpreadRadioReadsItsOwnResponseOnTheTestSet) {
    BenchOptions o;
    o.profile = "hard";
    o.noise = false;
    o.paced = false;
    o.testSet = true;
    o.testSetStart = BenchOptions::TestSetStart::Running;
    StartBench(o);
    const CRadioProfile& p = bench->Radio().Profile();
    const BestValues::Targets targets = {0.0, 2.5, 1.5, 0.5, 3000.0, 2800.0};
    const std::vector<BestValues::Entry> best = BestValues::Find(p, o.seed, targets);
    TestSetClient testSet(bench->TestSetDevice());
    ASSERT_TRUE(testSet.ok());
    // The test set's automatic measurement: power (value 2) and deviation (value 3).
    auto measure = [&](int field) {
        testSet.Write("3\r");
        testSet.Purge();
        const std::string r = testSet.Read(400);
        const std::size_t at = r.find('C');
        EXPECT_NE(at, std::string::npos) << r;
        EXPECT_GE(r.size(), at + 59) << r;
        return at == std::string::npos || r.size() < at + 59
                   ? -1.0
                   : std::atof(r.substr(at + 5 + 18 * (field - 1), 16).c_str());
    };
    char hex[64];
    const struct {
        int feature;
        const char* setup;  ///< power level and modulation
        int field;
    } features[] = {{1, "000600", 2}, {5, "000603", 3}};
    for (const auto& f : features) {
        const int type = BestValues::Type(f.feature);
        std::vector<double> atSameValue;
        for (const BestValues::Entry& e : best) {
            if (e.feature != f.feature || (e.row != 0 && e.row != 4))
                continue;
            SCOPED_TRACE("feature " + std::to_string(f.feature) + " row " + std::to_string(e.row));
            ASSERT_EQ(Exchange("000c"), S_OK);
            ASSERT_EQ(Exchange(f.setup), S_OK);
            std::snprintf(hex, sizeof hex, "000b%08x6400", e.freq);
            ASSERT_EQ(Exchange(hex), S_OK);
            ASSERT_EQ(Exchange(type == 5 ? "000223" : "000210"), S_OK);
            ASSERT_EQ(Exchange("000401"), S_OK);
            std::snprintf(hex, sizeof hex, type == 5 ? "00010205%04x" : "00010201%02x", e.value);
            ASSERT_EQ(Exchange(hex), S_OK);
            EXPECT_NEAR(measure(f.field), e.reading, 1e-7 * e.reading);
            const int same = type == 5 ? 400 : 100;
            std::snprintf(hex, sizeof hex, type == 5 ? "00010205%04x" : "00010201%02x", same);
            ASSERT_EQ(Exchange(hex), S_OK);
            atSameValue.push_back(measure(f.field));
        }
        ASSERT_EQ(atSameValue.size(), 2u);
        EXPECT_GT(std::fabs(atSameValue[0] / atSameValue[1] - 1), 0.01);  // the rows differ
    }
}

}  // namespace
