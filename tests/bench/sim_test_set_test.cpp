#include "bench/SimTestSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench/SimRadio.h"
#include "bench/TestSetProgramCopy.h"

namespace {

/// The loader items as the tuner types them: the bench's own copy of the loader.
std::vector<std::string> LoaderItems() {
    std::vector<std::string> items{"SCRATCH ALL\r", "MSI \":MEMORY,0\"\r", "edit\r"};
    for (const std::string& line : TestSetProgramCopy::LoaderBody()) items.push_back(line + "\r");
    items.insert(items.end(), {"\x1b", "\x1b", "run\r"});
    return items;
}

/// The first count lines of the resident program, as sent (a free comment as a bare "!").
std::vector<std::string> ProgramLines(int count) {
    std::vector<std::string> lines;
    for (int k = 0; k < count; ++k) {
        std::string line = TestSetProgramCopy::Program()[static_cast<std::size_t>(k)];
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "!*") == 0)
            line.pop_back();
        lines.push_back(line + "\n");
    }
    return lines;
}

const std::vector<std::string> kStart = {"SCRATCH ALL\r", "MASS STORAGE IS \":MEMORY,0\"\r",
                                         "GET \"Quorvin\"\r", "run\r"};

class SimTestSetTest : public ::testing::Test {
protected:
    SimTestSetTest() : radio(Standard(), 1, false), set(&radio) { set.SetDownloadQuietMs(2000); }
    static CRadioProfile Standard() {
        CRadioProfile p;
        CRadioProfile::BuiltIn("standard", p);
        return p;
    }
    void Send(const std::vector<std::string>& items, int gapMs) {
        for (const std::string& s : items) {
            set.Feed(s, now);
            Advance(gapMs);
        }
    }
    /// Moves the clock in 5 ms steps, running the timers like the line does.
    void Advance(int ms) {
        for (int i = 0; i < ms; i += 5) {
            now += 5;
            set.Tick(now);
        }
    }
    void Download(const std::vector<std::string>& program) {
        Send(LoaderItems(), 500);
        Send(program, 20);
        Advance(4000);
    }
    CSimRadio radio;
    CSimTestSet set;
    std::int64_t now = 0;
};

TEST_F(SimTestSetTest, DownloadThenStartRunsTheResidentProgram) {
    Send(kStart, 500);  // nothing stored yet: the start does nothing
    Advance(1000);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_EQ(set.TakeOutput(), "");

    Download(ProgramLines(241));
    ASSERT_TRUE(set.HasFile());
    EXPECT_EQ(set.File().size(), 241u);
    EXPECT_EQ(set.File()[0], CSimTestSet::kFirstLine);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);

    Send(kStart, 500);
    Advance(1000);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Resident);
    const std::string idle = set.TakeOutput();
    ASSERT_GE(idle.size(), 9u);
    EXPECT_EQ(idle.substr(0, 3), "X\r\n");
    // About one poll every 75 ms.
    Advance(750);
    const std::string more = set.TakeOutput();
    EXPECT_NEAR(static_cast<double>(more.size()) / 3.0, 10.0, 1.0);

    set.Feed("1\r", now);
    Advance(500);
    set.TakeOutput();
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    Advance(500);
    EXPECT_EQ(set.TakeOutput(), "");
}

TEST_F(SimTestSetTest, AFileThatIsNotTheProgramDoesNotStart) {
    std::vector<std::string> wrong = ProgramLines(5);
    wrong[0] = "10   ! something else\n";
    Download(wrong);
    ASSERT_TRUE(set.HasFile());
    Send(kStart, 500);
    Advance(1000);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_EQ(set.TakeOutput(), "");
}

TEST_F(SimTestSetTest, ADamagedDownloadIsStoredAsSentButDoesNotLoad) {
    std::vector<std::string> damaged = ProgramLines(241);
    damaged[117] = "1180   OUTPUT 814;\"RFAN:FREQ \"&Inputstr$ \n";  // one trailing space too many
    std::vector<std::string> notes;
    set.SetNoteObserver([&](const std::string& n) { notes.push_back(n); });
    Download(damaged);
    ASSERT_TRUE(set.HasFile());
    EXPECT_EQ(set.File()[117], "1180   OUTPUT 814;\"RFAN:FREQ \"&Inputstr$ ");
    Send(kStart, 500);
    Advance(1000);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_EQ(set.TakeOutput(), "");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("line 118"), std::string::npos) << notes[0];

    // A faithful download replaces it; comment lines 20 to 40 may say anything.
    std::vector<std::string> good = ProgramLines(241);
    good[1] = "20   ! our own words\n";
    Download(good);
    Send(kStart, 500);
    Advance(1000);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Resident);
}

TEST_F(SimTestSetTest, OnlyTheLoaderItselfTakesADownload) {
    std::vector<std::string> items = LoaderItems();
    items[20] = "  SUB Code(Incomming$,In$)\r";  // item 22 without its blank
    Send(items, 500);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    Send(ProgramLines(3), 20);
    Advance(3000);
    EXPECT_FALSE(set.HasFile());
}

TEST(SimTestSetStart, StoredOrRunningFromTheStart) {
    CSimTestSet stored(nullptr);
    stored.StoreResidentProgram(false, 0);
    EXPECT_TRUE(stored.HasFile());
    EXPECT_EQ(stored.File().size(), 241u);
    EXPECT_EQ(stored.CurrentMode(), CSimTestSet::Mode::Instrument);
    CSimTestSet running(nullptr);
    running.StoreResidentProgram(true, 0);
    running.Tick(0);
    EXPECT_EQ(running.CurrentMode(), CSimTestSet::Mode::Resident);
    EXPECT_EQ(running.TakeOutput(), "X\r\n");
}

TEST_F(SimTestSetTest, DownloadEndsOnlyAfterTheQuietGap) {
    set.SetDownloadQuietMs(300);
    Send(LoaderItems(), 10);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Download);
    Advance(5000);  // the loader waits for its first line for ever
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Download);
    Send(ProgramLines(3), 250);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Download);
    Advance(100);
    EXPECT_EQ(set.CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_EQ(set.File().size(), 3u);
}

class ResidentTest : public SimTestSetTest {
protected:
    void SetUp() override {
        Download(ProgramLines(241));
        Send(kStart, 500);
        Advance(500);
        set.TakeOutput();
        radio.HandleFrame({0x00, 0x02, 0x00, 0x0c});
        // Tx at 851.0125 MHz, keyed.
        radio.HandleFrame({0x00, 0x08, 0x00, 0x0b, 0x0a, 0x25, 0x15, 0x84, 0x64, 0x00});
    }
    /// Sends a code and returns everything up to the next poll.
    std::string Code(const std::string& code, int waitMs = 300) {
        set.TakeOutput();
        set.Feed(code, now);
        std::string out;
        for (int i = 0; i < waitMs; i += 5) {
            Advance(5);
            out += set.TakeOutput();
        }
        const std::size_t x = out.find("X\r\n");
        return x == std::string::npos ? out : out.substr(0, x);
    }
};

TEST_F(ResidentTest, AutomaticMeasurementReplyLayoutByteForByte) {
    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    const RfOutput o = radio.Transmitter();
    const std::string r = Code("3\r");
    ASSERT_EQ(r.size(), 59u);  // "C" and the 58 bytes the tuner reads as 22 + 18 + 18
    EXPECT_EQ(r.substr(0, 5), "C\r\b\r\n");
    EXPECT_EQ(r.substr(5, 18), CSimTestSet::FormatValue(std::round(o.carrierHz)) + "\r\n");
    EXPECT_EQ(r.substr(23, 18), CSimTestSet::FormatValue(o.powerW) + "\r\n");
    EXPECT_EQ(r.substr(41, 18), CSimTestSet::FormatValue(o.deviationHz) + "\r\n");
    EXPECT_NEAR(std::atof(r.substr(23, 16).c_str()), o.powerW, 1e-6 * o.powerW + 1e-9);
}

TEST_F(ResidentTest, FrequencyThenManualMeasurementTwice) {
    const std::string cts = Code("2\r", 100);
    EXPECT_EQ(cts, "CTS\r\n");
    set.Feed("851012500", now);
    std::string rest;
    for (int i = 0; i < 300; i += 5) {
        Advance(5);
        rest += set.TakeOutput();
    }
    EXPECT_EQ(rest.substr(0, 11), "C\r\b\r\n\r\n\r\n\r\n");  // one reply with empty values
    EXPECT_DOUBLE_EQ(set.AnalyzerFrequencyHz(), 851012500.0);

    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    const RfOutput o = radio.Transmitter();
    const std::string r = Code("4\r");
    ASSERT_EQ(r.size(), 2u * 59u);
    EXPECT_EQ(r.substr(0, 59), r.substr(59));
    EXPECT_NEAR(std::atof(r.substr(5, 16).c_str()), o.carrierHz - 851012500.0, 1e-3);
}

TEST_F(ResidentTest, CtsComesAfterTheBusSetUpAndTheFirstDigitIsAwaited100Ms) {
    set.Feed("2\r", now);
    Advance(CSimTestSet::kCtsDelayMs - 10);
    EXPECT_EQ(set.TakeOutput(), "");  // still setting up the analyzer
    Advance(10);
    EXPECT_EQ(set.TakeOutput(), "CTS\r\n");
    EXPECT_GE(set.NextWorkEventMs(), 0);
    Advance(CSimTestSet::kFreqFirstByteMs + 5);  // no digit came: the frequency stays
    EXPECT_EQ(set.TakeOutput().substr(0, 11), "C\r\b\r\n\r\n\r\n\r\n");
    EXPECT_EQ(set.NextWorkEventMs(), -1);  // back to polling
    set.Feed("851012500", now);            // too late: not a code, ignored
    Advance(300);
    EXPECT_DOUBLE_EQ(set.AnalyzerFrequencyHz(), 0.0);
}

TEST_F(ResidentTest, NoReplyNoCtsAndShortFieldOneFaults) {
    BenchFaults f;
    f.testSetNoReply = 1;
    set.SetFaults(f);
    EXPECT_EQ(Code("3\r"), "");          // no reply, polling again
    EXPECT_EQ(Code("3\r").size(), 59u);  // the next one is answered
    f = {};
    f.testSetNoCts = true;
    set.SetFaults(f);
    EXPECT_EQ(Code("2\r", 100), "");
    f = {};
    f.testSetShortField1 = true;
    set.SetFaults(f);
    const std::string r = Code("3\r");
    EXPECT_EQ(r.substr(0, 5), "C\r\b\r\n");
    EXPECT_LT(r.size(), 5u + 16u);
}

TEST_F(ResidentTest, WithoutACarrierTheInstrumentReportsNoMeasurement) {
    // Unkeyed; then keyed, but far outside the manual analyzer's capture.
    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed ? "out of capture" : "unkeyed");
        if (keyed) {
            radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
            set.Feed("2\r", now);
            Advance(CSimTestSet::kCtsDelayMs + 5);
            set.Feed("100000000", now);  // 100 MHz
            Advance(300);
        }
        const std::string r = Code("4\r");
        ASSERT_EQ(r.size(), 118u);
        EXPECT_EQ(r.substr(5, 16), " 9.91000000E+037");   // frequency error
        EXPECT_EQ(r.substr(23, 16), " 0.00000000E+000");  // power
        EXPECT_EQ(r.substr(41, 16), " 9.91000000E+037");  // FM deviation
    }
    // Dekeyed: the automatic analyzer, which finds any carrier, finds none.
    radio.HandleFrame({0x00, 0x03, 0x00, 0x05, 0x01});
    const std::string r = Code("3\r");
    EXPECT_EQ(r.substr(23, 16), " 0.00000000E+000");
    EXPECT_EQ(r.substr(41, 16), " 9.91000000E+037");
}

TEST_F(ResidentTest, ThePollFollowsEveryReplyAtOnceUnlessAGapIsAsked) {
    for (int gap : {0, CSimTestSet::kIdleMs}) {
        SCOPED_TRACE(gap);
        set.SetPollAfterReplyMs(gap);
        for (const std::string code : {"3\r", "4\r"}) {
            set.TakeOutput();
            set.Feed(code, now);
            std::string out;
            while (out.find('C') == std::string::npos) {
                Advance(5);
                out += set.TakeOutput();
            }
            // In the Tick that sent the reply (both of a manual measurement), at once or not.
            const std::size_t replies = code == "4\r" ? 2 : 1;
            EXPECT_EQ(out.size(), 59u * replies + (gap == 0 ? 3u : 0u));
            if (gap == 0)
                EXPECT_EQ(out.substr(out.size() - 3), "X\r\n");
            Advance(gap - 10);
            EXPECT_EQ(set.TakeOutput(), "");
        }
    }
    // The empty reply after a frequency is followed by a poll in the same way.
    set.SetPollAfterReplyMs(0);
    set.Feed("2\r", now);
    Advance(CSimTestSet::kCtsDelayMs + 5);
    set.TakeOutput();
    set.Feed("851012500", now);
    std::string out;
    while (out.find('C') == std::string::npos) {
        Advance(5);
        out += set.TakeOutput();
    }
    EXPECT_EQ(out, "C\r\b\r\n\r\n\r\n\r\nX\r\n");
}

TEST_F(ResidentTest, ACodeThatComesWhileMeasuringIsTakenAtTheNextPollAndCounted) {
    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    set.Feed("3\r", now);
    Advance(20);
    set.Feed("3\r", now);  // sent again by a tuner that took an early poll for a refusal
    Advance(600);
    const std::string out = set.TakeOutput();
    EXPECT_EQ(std::count(out.begin(), out.end(), 'C'), 2) << "measured twice";
    EXPECT_EQ(set.CodesTaken(3), 2);
    EXPECT_EQ(set.MeasurementsMade(), 2);
    Code("4\r");
    EXPECT_EQ(set.CodesTaken(4), 1);
    EXPECT_EQ(set.MeasurementsMade(), 3);  // two replies, one measurement
}

TEST_F(ResidentTest, ValueFaultsHitTheFieldAsked) {
    radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    const struct {
        int garbage, badExponent;
        bool hit[3];
    } cases[] = {
        {2, 0, {false, true, false}},
        {-1, 0, {true, true, true}},
        {0, 3, {false, false, true}},
        {0, -1, {true, true, true}},
    };
    for (const auto& c : cases) {
        BenchFaults f;
        f.testSetGarbageField = c.garbage;
        f.testSetBadExponent = c.badExponent;
        set.SetFaults(f);
        const std::string r = Code("3\r");
        ASSERT_EQ(r.size(), 59u);
        for (int field = 0; field < 3; ++field) {
            const std::string value = r.substr(5 + 18 * static_cast<std::size_t>(field), 16);
            SCOPED_TRACE(value);
            if (!c.hit[field]) {
                EXPECT_NE(value.find("E+"), std::string::npos);
            } else if (c.garbage != 0) {
                EXPECT_EQ(value, "ZZZZZZZZZZZZZZZZ");
            } else {
                EXPECT_EQ(value.substr(11, 2), "En");
                EXPECT_EQ(value.size(), 16u);
            }
        }
    }
}

TEST_F(ResidentTest, ShortAndSilentFaults) {
    BenchFaults f;
    f.testSetShortReplies = true;
    set.SetFaults(f);
    const std::string r = Code("3\r");
    EXPECT_EQ(r.substr(0, 5), "C\r\b\r\n");
    EXPECT_LT(r.size(), 5u + 18 + 18);
    f = {};
    f.testSetSilent = true;
    set.SetFaults(f);
    EXPECT_EQ(Code("3\r"), "");
    Advance(500);
    EXPECT_EQ(set.TakeOutput(), "");
}

TEST(SimTestSetFormat, SixteenCharacterValues) {
    EXPECT_EQ(CSimTestSet::FormatValue(851012500.0), " 8.51012500E+008");
    EXPECT_EQ(CSimTestSet::FormatValue(-12.5), "-1.25000000E+001");
    EXPECT_EQ(CSimTestSet::FormatValue(0.0), " 0.00000000E+000");
    EXPECT_EQ(CSimTestSet::FormatValue(2.5), " 2.50000000E+000");
    EXPECT_EQ(CSimTestSet::FormatValue(0.9999999999), " 1.00000000E+000");
}

TEST(SimTestSetInput, GarbageNeverCrashes) {
    CSimTestSet set(nullptr);
    std::mt19937 rng(3);
    std::int64_t now = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::uint8_t b = static_cast<std::uint8_t>(rng());
        set.Feed(&b, 1, now);
        now += rng() % 3;
        set.Tick(now);
    }
    set.TakeOutput();
    SUCCEED();
}

}  // namespace
