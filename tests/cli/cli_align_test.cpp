// vegal-cli align on the bench's radio and HP8920B over their pseudo-terminals, in simulated
// time: the report on standard output, the CSV beside it, exit codes and usage errors.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "StopSignal.h"
#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "support/RecordingHost.h"

namespace {

class CliAlignTest : public ::testing::Test {
protected:
    void StartBench(const std::string& profile) {
        BenchOptions options;
        options.testSet = true;
        options.paced = false;
        options.noise = false;
        options.profile = profile;
        options.testSetStart = BenchOptions::TestSetStart::Running;
        bench = std::make_unique<CBench>(options);
        std::string error;
        ASSERT_TRUE(bench->Start(error)) << error;
        settings.portMap.SetDeviceLister([] { return std::vector<std::string>{}; });
        settings.portMap.SetMapping(2, bench->TestSetDevice());
        host.onSleep = [this](std::uint32_t ms) {
            bench->SettleTestSet(ms, link ? link->Stats().bytesSent : 0);
        };
    }
    void TearDown() override {
        if (bench)
            bench->Stop();
        for (auto f = files.rbegin(); f != files.rend(); ++f) std::remove(f->c_str());
    }
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; },
                        [this](CTestSetLink& l) {
                            link = &l;
                            if (onLink)
                                onLink();
                        }};
        ctx.stop = stop.get();
        const int rc = RunCli(args, ctx);
        link = nullptr;
        return rc;
    }
    /// A path in /tmp that nothing holds yet (removed after the test if it was made).
    std::string FreePath(const std::string& suffix) {
        const std::string path = TempFile() + suffix;
        files.push_back(path);
        return path;
    }
    /// Raises these signals, one after the other, at the first sleep at which test holds.
    void RaiseAtSleep(std::function<bool()> test, std::vector<int> signals) {
        host.onSleep = [this, test, signals, raised = false](std::uint32_t ms) mutable {
            bench->SettleTestSet(ms, link ? link->Stats().bytesSent : 0);
            if (!raised && test()) {
                raised = true;
                for (int signo : signals) stop->Raise(signo);
            }
        };
    }
    /// The data lines of a CSV report that begin with a feature's title.
    static std::vector<std::string> CsvRows(const std::string& csv, const std::string& feature) {
        std::vector<std::string> rows;
        std::istringstream in(csv);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(feature + ",", 0) == 0)
                rows.push_back(line.substr(0, line.size() - (line.back() == '\r')));
        return rows;
    }
    /// The fields of a CSV line that quotes none.
    static std::vector<std::string> Fields(const std::string& line) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
        if (!line.empty() && line.back() == ',')
            fields.emplace_back();
        return fields;
    }
    std::string TempFile(const std::string& text = {}) {
        char path[] = "/tmp/vegal-align-XXXXXX";
        const int fd = mkstemp(path);
        close(fd);
        std::ofstream(path) << text;
        files.push_back(path);
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    CRecordingHost host;
    std::unique_ptr<CStopSignal> stop = std::make_unique<CStopSignal>();
    std::function<void()> onLink;
    CCliSettings settings;
    std::unique_ptr<CBench> bench;
    CTestSetLink* link = nullptr;
    std::ostringstream out, err;
    std::vector<std::string> files;
};

TEST_F(CliAlignTest, ADetunedRadioPassesIsProgrammedAndLeavesTestMode) {
    StartBench("detuned");
    const std::string csv = TempFile();
    const std::string pdf = FreePath(".pdf");
    ASSERT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", csv,
                   "--pdf", pdf, "--features", "refOsc,powerHigh"}),
              0)
        << out.str() << err.str();
    // The sheet, drawn without a display: the radio, every row found and left, the result.
    const std::string txt = FreePath(".txt");
    ASSERT_EQ(std::system(("pdftotext -layout " + pdf + " " + txt).c_str()), 0);
    const std::string sheet = Read(txt);
    for (const std::string& expected :
         {bench->Radio().Profile().serialNumber, std::string("Alignment Report"),
          std::string("Reference Oscillator"), std::string("Tx Power High"),
          std::string("As found"), std::string("As left"), std::string("Overall result"),
          std::string("146.0125"), std::string("173.9875")})
        EXPECT_NE(sheet.find(expected), std::string::npos) << expected << "\n" << sheet;
    EXPECT_EQ(sheet.find("FAIL"), std::string::npos) << sheet;
    EXPECT_NE(out.str().find("Overall result: PASS"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("Saved " + csv), std::string::npos);
    const std::string text = Read(csv);
    EXPECT_NE(text.find("Result,PASS\r\n"), std::string::npos);
    // Found out of tolerance, aligned and programmed, passed as left.
    const auto refOsc = Fields(CsvRows(text, "Reference Oscillator").at(0));
    ASSERT_EQ(refOsc.size(), 15u) << text;
    EXPECT_EQ(refOsc[2], "146.0125");
    EXPECT_EQ(refOsc[4], "FAIL");
    EXPECT_EQ(refOsc[5], "20");
    EXPECT_EQ(refOsc[6], "72");
    EXPECT_NEAR(std::stod(refOsc[7]), 0.0, 50.0);
    EXPECT_EQ(refOsc[11], "PASS");
    EXPECT_EQ(refOsc[13], "yes");
    const auto power = Fields(CsvRows(text, "Tx Power High").at(2));
    EXPECT_EQ(power[2], "173.9875");
    EXPECT_EQ(power[5], "120");
    EXPECT_EQ(bench->Radio().Programmed(0)[0], 72);
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_EQ(bench->RadioRequests().back(), "000d");
    EXPECT_TRUE(host.m_progress.size() >= 4u);
}

TEST_F(CliAlignTest, AFailedRowExitsOneAndLeavesItsFeatureUnprogrammed) {
    const std::string profile = TempFile("base = standard\ndevBalanceIdeal = 90\n");
    StartBench(profile);
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--features",
                   "devBalance"}),
              1);
    EXPECT_NE(out.str().find("Tx Deviation Balance  (not programmed: a row failed)"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("the target is out of reach: the end of the range (value 63) gives"),
              std::string::npos);
    EXPECT_EQ(bench->Radio().Programmed(2), std::vector<int>(3, 24));
}

// A test-set port that cannot be opened is said once, with the device and the reason; the
// radio is not left keyed and the run tunes nothing.
TEST_F(CliAlignTest, ATestSetPortThatCannotBeOpenedIsNamedOnce) {
    StartBench("detuned");
    const std::string reason =
        "Cannot open the test-set port /tmp/vegal-no-test-set: No such file or directory.";
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "/tmp/vegal-no-test-set"}),
              1);
    int said = 0;
    for (const std::string& text : host.Texts()) said += text == reason;
    for (std::size_t at = err.str().find(reason); at != std::string::npos;
         at = err.str().find(reason, at + 1))
        ++said;
    EXPECT_EQ(said, 1) << err.str();
    EXPECT_FALSE(bench->Radio().Keyed());
}

TEST_F(CliAlignTest, UsageErrorsAndABadLimitsFileExitTwoBeforeTheRadioIsTouched) {
    StartBench("standard");
    const std::string badLimits = TempFile("refOscTarget = 0\n\npowerLowTolerance = none\n");
    const std::string port = bench->RadioDevice();
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"align", "--port", port}, "usage:"},
        {{"align", "--testset", "COM2"}, "usage:"},
        {{"align", "--port", port, "--testset", "COM2", "--bogus"}, "unknown option --bogus"},
        {{"align", "--port", port, "--testset", "COM2", "--limits"}, "--limits needs a value"},
        {{"align", "--port", port, "--testset", "COM2", "--limits", badLimits},
         ": line 3: powerLowTolerance needs a number, not \"none\""},
        {{"align", "--port", port, "--testset", "COM2", "--limits", "/nonexistent/limits"},
         "limits file /nonexistent/limits: cannot be read (No such file or directory)"},
        {{"align", "--port", port, "--testset", "COM2", "--features", "refOsc,rx"},
         "unknown feature \"rx\""},
        {{"align", "--port", port, "--testset", "COM1234567"}, "--testset: "},
        {{"align", "--port", port, "--testset", "COM2", "--search", "linear"},
         "--search takes fit or secant, not \"linear\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
    EXPECT_TRUE(bench->RadioRequests().empty());
}

// An option given an empty value, a limits file that is no file, and a report that could not
// be saved are refused before the radio is read, not found out after the tuning.
TEST_F(CliAlignTest, EmptyValuesOddLimitsFilesAndUnsavableReportsExitTwoFirst) {
    StartBench("standard");
    const std::string port = bench->RadioDevice();
    const std::string fifo = FreePath(".fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = FreePath(".d");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string csv = folder + "/a.csv";
    const std::string duplicate = TempFile("refOscTolerance = 20\nrefOscTolerance = 30\n");
    const std::vector<std::string> base = {"align", "--port", port, "--testset", "COM2"};
    const struct {
        std::vector<std::string> more;
        std::string message;
    } cases[] = {
        {{"--features", ""}, "--features needs a value, not an empty text"},
        {{"--limits="}, "--limits needs a value, not an empty text"},
        {{"--report", ""}, "--report needs a value, not an empty text"},
        {{"--pdf="}, "--pdf needs a value, not an empty text"},
        {{"--testset", ""}, "--testset needs a value, not an empty text"},
        {{"--limits", fifo}, "limits file " + fifo + ": cannot be read (it is a named pipe"},
        {{"--limits", "/dev/zero"}, ": cannot be read (it is a device, not a file)"},
        {{"--limits", folder}, ": cannot be read (it is a folder, not a file)"},
        {{"--limits", duplicate}, ": line 2: refOscTolerance is given twice (also on line 1)"},
        {{"--report", folder}, "--report " + folder + ": it is a folder, not a file"},
        {{"--pdf", folder + "/"}, "--pdf " + folder + "/: it is a folder, not a file"},
        {{"--pdf", csv + "/"}, ": it names a folder, not a file"},
        {{"--report", folder + "/no/a.csv"}, "its folder " + folder + "/no does not exist"},
        {{"--report", "/dev/null"}, "--report /dev/null: it is not a regular file"},
        {{"--report", csv, "--pdf", folder + "/./a.csv"},
         "--report and --pdf name the same file " + folder + "/./a.csv"},
    };
    std::vector<std::pair<std::vector<std::string>, std::string>> all;
    for (const auto& c : cases) all.emplace_back(c.more, c.message);
    const std::string locked = FreePath(".ro");
    ASSERT_EQ(::mkdir(locked.c_str(), 0500), 0);
    if (::geteuid() != 0)  // root writes anywhere
        all.push_back({{"--report", locked + "/a.csv"},
                       "its folder " + locked + " cannot be written (Permission denied)"});
    for (const auto& [more, message] : all) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        EXPECT_EQ(Run(args), 2) << message;
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    }
    EXPECT_TRUE(bench->RadioRequests().empty());
    struct stat st {};
    EXPECT_NE(::stat(csv.c_str(), &st), 0);
}

// SIGINT while Tx Power High is keyed, after the Reference Oscillator was programmed: the run
// ends there, the radio is dekeyed and leaves test mode, and the report says what was done.
TEST_F(CliAlignTest, AStopMidRowDekeysLeavesTestModeAndReportsWhatWasDone) {
    StartBench("detuned");
    const std::string csv = FreePath(".csv");
    const std::string pdf = FreePath(".pdf");
    RaiseAtSleep([this] { return bench->Radio().Keyed() && bench->Radio().Programmed(0)[0] != 20; },
                 {SIGINT});
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", csv,
                   "--pdf", pdf, "--features", "refOsc,powerHigh"}),
              130)
        << err.str();
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    const std::vector<std::string> requests = bench->RadioRequests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              (std::vector<std::string>{"000501", "000d"}));
    EXPECT_NE(err.str().find("stopped by SIGINT"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("Overall result: FAIL"), std::string::npos) << out.str();

    const std::string text = Read(csv);
    EXPECT_NE(text.find("Result,FAIL\r\n"), std::string::npos) << text;
    const auto refOsc = CsvRows(text, "Reference Oscillator");
    ASSERT_FALSE(refOsc.empty()) << text;
    for (const std::string& row : refOsc)
        EXPECT_EQ(row.substr(row.size() - 4), ",yes") << row;  // programmed before the stop
    const auto power = CsvRows(text, "Tx Power High");
    ASSERT_FALSE(power.empty()) << text;
    for (const std::string& row : power) {
        EXPECT_NE(row.find("stopped"), std::string::npos) << row;
        EXPECT_EQ(row.substr(row.size() - 3), ",no") << row;
    }
    EXPECT_EQ(bench->Radio().Programmed(1, 0x00)[0], 120);  // Tx Power High as it was
    EXPECT_EQ(Read(pdf).rfind("%PDF-1.4", 0), 0u);
}

// The reply to the key request is cut short: the radio keyed, but the link is dropped and
// the run ends. The tool reconnects, dekeys the radio and takes it out of test mode.
TEST_F(CliAlignTest, ALinkLostWhileKeyedIsReopenedToDekeyAndLeaveTestMode) {
    StartBench("detuned");
    BenchFaults cut;
    cut.truncatedReply = true;
    cut.onlyRequest = "000401";
    bench->SetFaults(cut);
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--features",
                   "powerHigh"}),
              1);
    EXPECT_NE(out.str().find("the radio link failed"), std::string::npos) << out.str();
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    const std::vector<std::string> requests = bench->RadioRequests();
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              (std::vector<std::string>{"000501", "000d"}));
}

// A second signal: the radio is made safe and the run ends at once, without reports.
TEST_F(CliAlignTest, ASecondSignalEndsWithTheRadioSafeAndWithoutReports) {
    StartBench("detuned");
    const std::string csv = FreePath(".csv");
    RaiseAtSleep([this] { return bench->Radio().Keyed(); }, {SIGTERM, SIGINT});
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", csv}),
              143);
    EXPECT_EQ(stop->Count(), 2);
    EXPECT_TRUE(stop->RadioSafe());
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_EQ(bench->RadioRequests().back(), "000d");
    struct stat st {};
    EXPECT_NE(::stat(csv.c_str(), &st), 0) << "no report after a second signal";
    EXPECT_TRUE(out.str().empty()) << out.str();
}

// Stopped before any reading: a report that is not there yet is written with every row
// stopped, but one from an earlier run is not replaced by it.
TEST_F(CliAlignTest, ARunStoppedBeforeAnyReadingReplacesNoReport) {
    StartBench("detuned");
    onLink = [this] { stop->Raise(SIGHUP); };
    const std::string earlier = TempFile("an earlier run's report\n");
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report",
                   earlier, "--features", "refOsc"}),
              129);
    EXPECT_EQ(Read(earlier), "an earlier run's report\n");
    EXPECT_NE(err.str().find("the run took no reading; " + earlier + " was left as it was"),
              std::string::npos)
        << err.str();

    stop = std::make_unique<CStopSignal>();
    const std::string fresh = FreePath(".csv");
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", fresh,
                   "--features", "refOsc"}),
              129);
    const auto rows = CsvRows(Read(fresh), "Reference Oscillator");
    ASSERT_FALSE(rows.empty()) << Read(fresh);
    for (const std::string& row : rows) EXPECT_NE(row.find("stopped"), std::string::npos) << row;
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_EQ(bench->Radio().Programmed(0)[0], 20);
}

/// The requests that carry a live value (0001 02) or program the radio (0001 04), but for
/// the deviation limit opened to its top while the deviation balance is read.
std::vector<std::string> ValueRequests(const std::vector<std::string>& requests) {
    std::vector<std::string> found;
    for (const std::string& r : requests)
        if ((r.rfind("000102", 0) == 0 && r != "000102057fff") || r.rfind("000104", 0) == 0)
            found.push_back(r);
    return found;
}

// vegal-cli test measures the radio as it is: a detuned one fails row by row, and nothing
// but test mode, frequency, key, power level and tone requests reaches it (and the deviation
// limit opened to read the balance past it). After an alignment the same test passes.
TEST_F(CliAlignTest, TestFindsADetunedRadioOutAndPassesItOnceAligned) {
    StartBench("detuned");
    const std::string csv = FreePath(".csv");
    EXPECT_EQ(Run({"test", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", csv,
                   "--technician", "J. Smith"}),
              1)
        << out.str() << err.str();
    EXPECT_EQ(ValueRequests(bench->RadioRequests()), std::vector<std::string>{});
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_NE(out.str().find("Test Report"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Technician: J. Smith"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Overall result: FAIL"), std::string::npos) << out.str();
    const std::string text = Read(csv);
    EXPECT_NE(text.find("Test Report"), std::string::npos) << text;
    // The radio's records as they are: the detuned rows fail, each with a reading.
    for (const char* feature : {"Reference Oscillator", "Tx Power High"}) {
        const auto rows = CsvRows(text, feature);
        ASSERT_FALSE(rows.empty()) << feature << '\n' << text;
        for (const std::string& row : rows)
            EXPECT_NE(row.find(",FAIL,the reading is outside the tolerance,"), std::string::npos)
                << row;
    }
    EXPECT_EQ(bench->Radio().Programmed(0)[0], 20) << "nothing programmed";

    ASSERT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2"}), 0)
        << out.str() << err.str();
    const std::size_t before = bench->RadioRequests().size();
    EXPECT_EQ(Run({"test", "--port", bench->RadioDevice(), "--testset", "COM2"}), 0)
        << out.str() << err.str();
    const std::vector<std::string> all = bench->RadioRequests();
    EXPECT_EQ(ValueRequests(std::vector<std::string>(all.begin() + before, all.end())),
              std::vector<std::string>{});
    EXPECT_NE(out.str().find("Overall result: PASS"), std::string::npos) << out.str();
}

TEST_F(CliAlignTest, TestTakesNoAlignmentOptionsAndStopsLikeAlign) {
    for (const char* option : {"--search", "--no-program", "--all-rows", "--no-tests"}) {
        EXPECT_EQ(Run({"test", "--port", "COM1", "--testset", "COM2", option, "fit"}), 2) << option;
        EXPECT_NE(err.str().find("vegal-cli test"), std::string::npos) << err.str();
    }
    EXPECT_EQ(Run({"test", "--port", "COM1"}), 2);

    StartBench("detuned");
    RaiseAtSleep([this] { return bench->Radio().Keyed(); }, {SIGTERM});
    EXPECT_EQ(Run({"test", "--port", bench->RadioDevice(), "--testset", "COM2"}), 143);
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_NE(out.str().find("not tested: the run was stopped"), std::string::npos) << out.str();
}

// The standard radio's Reference Oscillator and Tx Deviation Limit are within their limits as
// found: align leaves them untouched; --all-rows aligns and programs them anyway; --no-tests
// aligns them without the tests, as before the tests were there.
TEST_F(CliAlignTest, AlignLeavesRowsWithinLimitsUnlessAllRowsAndNoTestsSkipsTheTests) {
    StartBench("standard");
    const std::vector<std::string> run = {"align", "--port",     bench->RadioDevice(), "--testset",
                                          "COM2",  "--features", "refOsc,devLimit"};
    ASSERT_EQ(Run(run), 0) << out.str() << err.str();
    EXPECT_EQ(ValueRequests(bench->RadioRequests()), std::vector<std::string>{});
    EXPECT_NE(out.str().find("Nothing needed aligning: the radio was left as it was found."),
              std::string::npos)
        << out.str();
    EXPECT_FALSE(bench->Radio().InTestMode());

    auto programmed = [this] {
        int n = 0;
        for (const std::string& q : bench->RadioRequests()) n += q.rfind("000104", 0) == 0;
        return n;
    };
    std::vector<std::string> all = run;
    all.push_back("--all-rows");
    bench->ClearTrace();
    ASSERT_EQ(Run(all), 0) << out.str() << err.str();
    EXPECT_EQ(programmed(), 2);
    EXPECT_EQ(out.str().find("Nothing needed aligning"), std::string::npos) << out.str();

    std::vector<std::string> bare = run;
    bare.push_back("--no-tests");
    bench->ClearTrace();
    const std::string csv = FreePath(".csv");
    bare.push_back("--report");
    bare.push_back(csv);
    ASSERT_EQ(Run(bare), 0) << out.str() << err.str();
    EXPECT_EQ(programmed(), 2);
    const auto row = Fields(CsvRows(Read(csv), "Reference Oscillator").at(0));
    EXPECT_EQ(row[3], "") << "no as-found test";
    EXPECT_NE(row[7], "") << "the alignment's own reading";
    EXPECT_EQ(row[13], "yes");

    bare.push_back("--all-rows");
    EXPECT_EQ(Run(bare), 2);
}

}  // namespace
