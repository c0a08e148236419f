#include "autotune/AutoTuneTasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FakeTestSetPort.h"
#include "autotune/AutoTuneView.h"
#include "autotune/TestSetLink.h"
#include "support/RecordingHost.h"

namespace {

std::string Value(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "% .8E", v);
    return buf;
}

/// A tuning screen in memory whose transmitter the fake test set measures: the power is
/// 0.02 W per step of the selected row, the frequency error 2.5 Hz per step from 64, the
/// high tone's deviation 3000 Hz x (1 + 0.004 x (value - 40)).
class CFakeView : public IAutoTuneView {
public:
    std::string title = "Tx Power High";
    int rows = 7;
    int upper = 127;
    std::vector<std::string> powerTexts{"2.5"};  ///< one per row task; the last repeats
    std::function<void(const std::string& event)> onEvent;

    std::string ScreenTitle() override {
        return Locked([&] { return title; });
    }
    bool SelectRow(int row) override {
        Log("select " + std::to_string(row));
        std::lock_guard<std::mutex> lock(m_mutex);
        selected = row;
        return true;
    }
    int VisibleRowCount() override { return rows; }
    bool RowEnabled(int row) override { return row < rows && row != disabledRow; }
    bool IsTransmitting() override {
        return Locked([&] { return transmitting; });
    }
    bool PttToggle(int feature) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            pttBar = feature == 4 ? "devbal" : "ptt";
            if (!transmitting && refuseKey) {
                Refuse("The radio refused to transmit (reply status 02).");
                return true;
            }
            transmitting = !transmitting;
        }
        Log(std::string(IsTransmitting() ? "key " : "dekey ") + pttBar);
        return true;
    }
    bool ChooseTone(bool h) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            high = h;
        }
        Log(h ? "tone high" : "tone low");
        return true;
    }
    bool RangeLabels(int& lower, int& up) override {
        lower = 0;
        up = upper;
        return true;
    }
    bool SliderPosition(int row, int& p) override {
        p = Locked([&] { return position[row]; });
        return true;
    }
    bool MoveSlider(int row, int p) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            position[row] = std::clamp(p, 0, upper);
            if (refuseMoves)
                Refuse("The radio refused the value " + std::to_string(position[row]) +
                       " of Tx Power (reply status 02).");
            else
                radio[row] = position[row];
        }
        Log("move " + std::to_string(row));
        return true;
    }
    /// Row 0 at 851.0125 MHz as the document holds it (170202500 steps of 5 Hz) converted to
    /// MHz, each further row 10 kHz higher.
    double ReferenceFrequencyMHz(int row) override { return (170202500 + 2000 * row) * 5.0 * 1e-6; }
    RadioRequests RadioState() override {
        return Locked([&] { return radioState; });
    }
    std::string TargetPowerText(int level) override {
        Log("target " + std::to_string(level));
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::string t = powerTexts[std::min(powerTask, powerTexts.size() - 1)];
        ++powerTask;
        return t;
    }
    void ShowSliderState(bool inProgress) override {
        Log(inProgress ? "slider state on" : "slider state off");
    }
    void ShowWindowState(bool run) override { Log(run ? "window state on" : "window state off"); }
    void ShowStatus(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        statuses.push_back(text);
    }
    void ShowProgress(const std::string&, int, int) override {}

    /// The instrument's reading of the keyed transmitter (of the value the radio has).
    std::string Reply(bool manual) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int v = radio[selected];
        const double power = !transmitting ? 0.0 : powerAt ? powerAt(v) : 0.02 * v;
        const double error = transmitting ? 2.5 * (v - 64) : 0.0;
        const double dev = !transmitting ? 0.0 : high ? 3000.0 * (1 + 0.004 * (v - 40)) : 3000.0;
        return MeasurementReply(Value(manual ? error : 851.0125e6), Value(power), Value(dev));
    }

    /// Back to the state the fixture made, for the next case of a table.
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int start[10] = {0, 127, 0, 127, 0, 127, 0, 127, 0, 127};
        std::copy(start, start + 10, position);
        std::copy(start, start + 10, radio);
        title = "Tx Power High";
        rows = 7;
        powerTexts = {"2.5"};
        powerTask = 0;
        powerAt = {};
        refuseKey = refuseMoves = transmitting = high = false;
        radioState = {};
        selected = 0;
        events.clear();
        statuses.clear();
    }
    std::vector<std::string> Events() {
        return Locked([&] { return events; });
    }
    std::vector<std::string> Statuses() {
        return Locked([&] { return statuses; });
    }
    int Position(int row) {
        return Locked([&] { return position[row]; });
    }

    int position[10] = {0, 127, 0, 127, 0, 127, 0, 127, 0, 127};
    int radio[10] = {0, 127, 0, 127, 0, 127, 0, 127, 0, 127};  ///< the values the radio took
    std::function<double(int)> powerAt;  ///< watts at a value (0.02 W a step when empty)
    bool refuseKey = false;
    bool refuseMoves = false;
    RadioRequests radioState;
    int selected = 0;
    bool transmitting = false;
    bool high = false;
    int disabledRow = -1;

private:
    template <typename F>
    auto Locked(F f) -> decltype(f()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f();
    }
    void Refuse(const std::string& text) {
        ++radioState.failures;
        radioState.lastRefused = true;
        radioState.lastRefusal = text;
    }
    void Log(const std::string& e) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            events.push_back(e);
        }
        if (onEvent)
            onEvent(e);
    }
    std::mutex m_mutex;
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    std::string pttBar;
    std::size_t powerTask = 0;
};

class AutoTuneTasksTest : public ::testing::Test {
protected:
    AutoTuneTasksTest() : state(std::make_shared<CFakeTestSetPort::State>()) {
        CPortMap map;
        map.SetMapping(2, "/dev/fake2");
        link = std::make_unique<CTestSetLink>(
            host, map, [] { return "2"; }, std::make_unique<CFakeTestSetPort>(state));
        link->SetDiagnostics([](const std::string&) {});
        state->idle = "X\r\n";  // the resident program runs
        state->instrument = [this](const std::string& w) -> std::string {
            std::string reply;
            if (w == "3\r" && answers)
                reply = view.Reply(false);
            else if (w == "4\r" && answers)
                reply = view.Reply(true) + view.Reply(true);
            else if (w == "2\r")
                return noCts ? "" : "CTS\r\n";
            if (!reply.empty() && replyFault)
                replyFault(reply);
            return reply;
        };
        tasks = std::make_unique<CAutoTuneTasks>(*link, view);
    }
    /// Events of one kind ("select", "key", ...).
    std::vector<std::string> Only(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& e : view.Events()) {
            if (e.rfind(prefix, 0) == 0)
                out.push_back(e);
        }
        return out;
    }
    void ExpectNeverLeftKeyed() {
        EXPECT_FALSE(view.transmitting);
        int keyed = 0;
        for (const std::string& e : view.Events()) {
            if (e.rfind("key", 0) == 0)
                ++keyed;
            if (e.rfind("dekey", 0) == 0)
                --keyed;
            ASSERT_GE(keyed, 0);
            ASSERT_LE(keyed, 1);
        }
    }

    CRecordingHost host;
    std::shared_ptr<CFakeTestSetPort::State> state;
    std::unique_ptr<CTestSetLink> link;
    CFakeView view;
    std::unique_ptr<CAutoTuneTasks> tasks;
    bool answers = true;
    bool noCts = false;
    /// Spoils the instrument's measurement replies (field 2, the power, is bytes 23 to 38).
    std::function<void(std::string& reply)> replyFault;
};

TEST_F(AutoTuneTasksTest, WindowTunesEveryShownRowInOrderReadingTheTargetForEachRow) {
    view.powerTexts = {".5", "1.0", "2.5"};  // edited between rows: each row reads it anew
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select"),
              (std::vector<std::string>{"select 0", "select 1", "select 2", "select 3", "select 4",
                                        "select 5", "select 6"}));
    EXPECT_EQ(view.Position(0), 25);  // 0.5 W
    EXPECT_EQ(view.Position(1), 50);  // 1.0 W
    for (int row = 2; row < 7; ++row) EXPECT_EQ(view.Position(row), 125) << row;
    EXPECT_EQ(view.Position(7), 127);  // not shown: untouched
    ExpectNeverLeftKeyed();
    EXPECT_EQ(Only("key").size(), 7u);
    for (const RowOutcome& o : tasks->Outcomes()) EXPECT_TRUE(o.pass) << o.StatusLine();
    const std::vector<std::string> statuses = view.Statuses();
    ASSERT_EQ(statuses.size(), 8u);
    EXPECT_EQ(statuses[1],
              "Row 2: 1.000 W at value 50 (target 1.000 W +/- 0.1 W): within tolerance");
    EXPECT_EQ(statuses.back(), "Window: 7 of 7 rows within tolerance");
    EXPECT_FALSE(tasks->InProgress());
    EXPECT_FALSE(tasks->WindowRun());
    const std::vector<std::string> events = view.Events();
    EXPECT_EQ(events.front(), "window state on");
    EXPECT_EQ(events.back(), "window state off");
}

TEST_F(AutoTuneTasksTest, StopTuningOnWindowEndsTheRowAtItsNextPassAndStartsNoMore) {
    view.onEvent = [this](const std::string& e) {
        if (e == "move 1")
            tasks->Window();  // the button now reads Stop Tuning
    };
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select"), (std::vector<std::string>{"select 0", "select 1"}));
    EXPECT_EQ(Only("move 1").size(), 1u);  // only the first step
    ExpectNeverLeftKeyed();
    EXPECT_FALSE(tasks->WindowRun());
    EXPECT_EQ(view.Statuses().back(), "Stopped. Window: 1 of 1 row within tolerance");
}

TEST_F(AutoTuneTasksTest, StopTuningOnSliderEndsOnlyTheCurrentRowOfAWindowRun) {
    view.onEvent = [this](const std::string& e) {
        if (e == "move 1")
            tasks->Slider(0);
    };
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select").size(), 7u);
    EXPECT_EQ(Only("move 1").size(), 1u);
    EXPECT_EQ(view.Position(6), 125);  // later rows are tuned in full
    ExpectNeverLeftKeyed();
}

TEST_F(AutoTuneTasksTest, AScreenWithoutAFeatureEndsEachRowAtOnce) {
    view.title = "Tx Current Limit";
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select").size(), 7u);
    EXPECT_TRUE(Only("key").empty());
    EXPECT_TRUE(Only("move").empty());
    EXPECT_TRUE(state->writes.empty());
}

TEST_F(AutoTuneTasksTest, NotUsedRowsAreSkipped) {
    view.disabledRow = 3;
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select").size(), 6u);
    EXPECT_EQ(view.Position(3), 127);
}

TEST_F(AutoTuneTasksTest, DeviationBalanceMeasuresTheLowToneThenTunesOnTheHighTone) {
    view.title = "Tx Deviation Balance";
    tasks->Slider(2);
    tasks->Join();
    const std::vector<std::string> events = view.Events();
    const auto at = [&](const std::string& e) {
        return std::find(events.begin(), events.end(), e) - events.begin();
    };
    EXPECT_LT(at("key devbal"), at("tone low"));
    EXPECT_LT(at("tone low"), at("tone high"));
    EXPECT_LT(at("tone high"), at("move 2"));
    EXPECT_EQ(Only("tone").back(), "tone high");  // left on the High tone
    EXPECT_EQ(view.Position(2), 40);              // 3000 Hz
    EXPECT_EQ(state->writes.front(), "3\r");      // the low-tone reading
    ExpectNeverLeftKeyed();
}

TEST_F(AutoTuneTasksTest, ReferenceOscillatorSetsTheAnalyzerAndUsesManualReadings) {
    view.title = "Reference Oscillator";
    tasks->Slider(0);
    tasks->Join();
    ASSERT_GE(state->writes.size(), 3u);
    EXPECT_EQ(state->writes[0], "2\r");
    EXPECT_EQ(state->writes[1], "851012499");  // x 10^6 in double, truncated toward zero
    EXPECT_EQ(state->writes[2], "4\r");
    EXPECT_EQ(view.Position(0), 64);
    ExpectNeverLeftKeyed();
}

// Each row of a Reference Oscillator screen keys the radio on its own test frequency: the
// analyzer is set to that row's frequency, not to the first row's (rows 2 on measured nothing).
TEST_F(AutoTuneTasksTest, EachReferenceOscillatorRowSetsTheAnalyzerToItsOwnFrequency) {
    view.title = "Reference Oscillator";
    view.rows = 3;
    tasks->Window();
    tasks->Join();
    std::vector<std::string> analyzer;
    for (std::size_t i = 0; i + 1 < state->writes.size(); ++i)
        if (state->writes[i] == "2\r")
            analyzer.push_back(state->writes[i + 1]);
    EXPECT_EQ(analyzer, (std::vector<std::string>{"851012499", "851022499", "851032499"}));
    ExpectNeverLeftKeyed();
}

TEST_F(AutoTuneTasksTest, ARowThatCannotReachItsTargetSaysSo) {
    view.powerTexts = {"9.9"};  // beyond the 2.54 W of the top of the range
    view.rows = 2;
    tasks->Window();
    tasks->Join();
    const std::vector<std::string> statuses = view.Statuses();
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ(statuses[0],
              "Row 1: 2.540 W at value 127 (target 9.900 W +/- 0.1 W): outside the tolerance; the "
              "slider stopped at 127, the end of its range");
    EXPECT_EQ(statuses[2], "Window: 0 of 2 rows within tolerance; rows 1, 2 are not");
    EXPECT_EQ(view.Position(0), 127);
}

TEST_F(AutoTuneTasksTest, AnUnansweredMeasurementEndsTheRunDekeyedAndSaysSo) {
    answers = false;  // the program keeps polling and never replies
    link->SetReplyWaitMs(2000);
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(Only("select"), std::vector<std::string>{"select 0"});
    ExpectNeverLeftKeyed();
    EXPECT_EQ(host.Count(CAutoTuneTasks::kNoAnswer), 1);
    EXPECT_EQ(view.Statuses().back(), CAutoTuneTasks::kNoAnswerStatus);
    EXPECT_TRUE(Only("move").empty());
}

TEST_F(AutoTuneTasksTest, AbortOnTheStartMessageStartsNoTask) {
    state->idle.clear();  // nothing runs and nothing will
    host.Answer(MsgResult::Abort);
    tasks->Slider(0);
    tasks->Join();
    EXPECT_TRUE(Only("select").empty());
    EXPECT_EQ(host.m_messages.size(), 1u);
    EXPECT_EQ(host.m_sleeps.back(), 1000u);
}

TEST_F(AutoTuneTasksTest, TheCompletionEventIsNeverMissed) {
    // Rows whose task ends at once (no feature) signal before the Window task waits: the run
    // must still go through every row and end.
    view.title = "Rx Front End Filter";
    view.rows = 10;
    for (int i = 0; i < 20; ++i) {
        tasks->Window();
        tasks->Join();
    }
    EXPECT_EQ(Only("select").size(), 200u);
}

// Whatever the test set sends that is no measurement, and whatever the radio does not do,
// ends the row with the reason: nothing is judged, nothing stays moved on it, the transmitter
// is off, and the next row of a Window run is tuned.
TEST_F(AutoTuneTasksTest, ARowEndsWithItsReasonOnAnythingThatIsNoValidReading) {
    const struct Case {
        const char* what;
        std::function<void()> fault;
        RowOutcome::End end;
        const char* reason;  ///< the start of the row's reason
        bool measured;       ///< a measurement request went out
    } cases[] = {
        {"a field that is no number",
         [this] { replyFault = [](std::string& r) { r.replace(23, 16, "ZZZZZZZZZZZZZZZZ"); }; },
         RowOutcome::End::BadReading, "the HP8920B's power \"ZZZZZZZZZZZZZZZZ\" is not a number",
         true},
        {"a broken exponent",
         [this] { replyFault = [](std::string& r) { r.replace(23, 16, "1.48200000En001 "); }; },
         RowOutcome::End::BadReading, "the HP8920B's power \"1.48200000En001\" is not a number",
         true},
        {"the instrument's no-measurement value",
         [this] { replyFault = [](std::string& r) { r.replace(23, 16, " 9.91000000E+037"); }; },
         RowOutcome::End::BadReading, "the HP8920B's power \" 9.91000000E+037\" is no measurement",
         true},
        {"a reply cut short", [this] { replyFault = [](std::string& r) { r.resize(30); }; },
         RowOutcome::End::BadReading, "the HP8920B reading was incorrect", true},
        {"a refused key", [this] { view.refuseKey = true; }, RowOutcome::End::NotKeyed,
         "the radio refused to transmit (reply status 02)", false},
        {"a target that is no number", [this] { view.powerTexts = {"abc"}; },
         RowOutcome::End::BadTarget, "Target High Power: \"abc\" is not a number of watts", false},
        {"a target of kilowatts", [this] { view.powerTexts = {"2500"}; },
         RowOutcome::End::BadTarget, "Target High Power: \"2500\" is out of range", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.Reset();
        replyFault = {};
        host.m_messages.clear();
        state->writes.clear();
        view.rows = 2;
        c.fault();
        tasks->Window();
        tasks->Join();
        const std::vector<RowOutcome> outcomes = tasks->Outcomes();
        ASSERT_EQ(outcomes.size(), 2u) << "the next row is tuned too";
        for (const RowOutcome& o : outcomes) {
            EXPECT_EQ(o.end, c.end);
            EXPECT_FALSE(o.pass);
            EXPECT_FALSE(o.reading);
            EXPECT_EQ(o.reason.rfind(c.reason, 0), 0u) << o.reason;
            EXPECT_EQ(view.Position(o.row), o.startPosition) << "nothing moved on it";
        }
        EXPECT_TRUE(Only("move").empty());
        const bool measured = std::count(state->writes.begin(), state->writes.end(), "3\r") > 0;
        EXPECT_EQ(measured, c.measured);
        ExpectNeverLeftKeyed();
        const std::vector<std::string> statuses = view.Statuses();
        ASSERT_EQ(statuses.size(), 3u);
        EXPECT_EQ(statuses[0], "Row 1 not tuned: " + outcomes[0].reason);
        EXPECT_EQ(statuses[2], "Window: 0 of 2 rows within tolerance; rows 1, 2 are not");
    }
}

TEST_F(AutoTuneTasksTest, AShortReplyKeepsItsMessageOnceARequest) {
    replyFault = [](std::string& r) { r.resize(30); };
    tasks->Slider(0);
    tasks->Join();
    EXPECT_EQ(host.Count(CTestSetLink::kReadingIncorrect), 1);
    EXPECT_EQ(tasks->LastOutcome()->end, RowOutcome::End::BadReading);
}

// A value that readings moved is put back when a later reading is no measurement: nothing
// measured it.
TEST_F(AutoTuneTasksTest, ASliderMovedBeforeABadReadingGoesBackWhereTheRowBegan) {
    int replies = 0;
    replyFault = [&](std::string& r) {
        if (++replies == 3)
            r.replace(23, 16, "ZZZZZZZZZZZZZZZZ");
    };
    view.position[0] = view.radio[0] = 30;
    tasks->Slider(0);
    tasks->Join();
    const RowOutcome o = *tasks->LastOutcome();
    EXPECT_EQ(o.end, RowOutcome::End::BadReading);
    EXPECT_TRUE(o.restored);
    EXPECT_EQ(view.Position(0), 30);
    EXPECT_EQ(view.radio[0], 30);
    EXPECT_EQ(view.Statuses().back(),
              "Row 1 not tuned: the HP8920B's power \"ZZZZZZZZZZZZZZZZ\" is not a number; its "
              "value is back at 30");
    ExpectNeverLeftKeyed();
}

TEST_F(AutoTuneTasksTest, ARefusedLiveValueIsSaidAsSuchNotAsTheEndOfTheRange) {
    view.refuseMoves = true;
    tasks->Slider(0);
    tasks->Join();
    const RowOutcome o = *tasks->LastOutcome();
    EXPECT_EQ(o.end, RowOutcome::End::Refused);
    EXPECT_EQ(o.reason, "the radio refused the value 6 of Tx Power (reply status 02)");
    EXPECT_EQ(Only("move").size(), 1u) << "no step after the refused one";
    EXPECT_EQ(view.Statuses().back().find("end of its range"), std::string::npos);
    ExpectNeverLeftKeyed();
}

TEST_F(AutoTuneTasksTest, NoCtsEndsTheReferenceOscillatorRowBeforeAnyMeasurement) {
    view.title = "Reference Oscillator";
    noCts = true;
    tasks->Slider(0);
    tasks->Join();
    const RowOutcome o = *tasks->LastOutcome();
    EXPECT_EQ(o.end, RowOutcome::End::NotSet);
    EXPECT_EQ(std::count(state->writes.begin(), state->writes.end(), "4\r"), 0);
    EXPECT_EQ(view.Statuses().back(), std::string("Row 1 not tuned: ") + CAutoTuneTasks::kNoCts);
    ExpectNeverLeftKeyed();
}

// Whatever ended the search, the verdict is a reading taken with the final value in the radio.
TEST_F(AutoTuneTasksTest, TheVerdictIsAReadingTakenAtTheFinalValue) {
    // A rippled response: from the top of the range the secant search wanders until the pass
    // bound, which comes right after a step, so its last reading is of the value before.
    view.powerAt = [](int v) { return 2.0 + 0.3 * std::sin(1.3 * v) + 0.01 * v; };
    view.powerTexts = {"2.5"};
    tasks->Slider(1);
    tasks->Join();
    const RowOutcome o = *tasks->LastOutcome();
    ASSERT_TRUE(o.search);
    ASSERT_EQ(o.search->end, SearchEnd::PassBound);
    ASSERT_TRUE(o.reading);
    EXPECT_EQ(o.finalPosition, view.Position(1));
    EXPECT_NEAR(*o.reading, view.powerAt(view.Position(1)), 1e-6);
    EXPECT_EQ(std::count(state->writes.begin(), state->writes.end(), "3\r"), o.search->passes + 2)
        << "the first reading, one a pass, and one at the final value";
    EXPECT_EQ(o.readings, o.search->passes + 2);
    EXPECT_EQ(o.pass, std::fabs(*o.reading - 2.5) <= 0.1);

    // A search that ends where it read needs no further reading.
    state->writes.clear();
    view.powerAt = {};
    tasks->Slider(0);
    tasks->Join();
    const RowOutcome c = *tasks->LastOutcome();
    ASSERT_EQ(c.search->end, SearchEnd::Converged);
    EXPECT_EQ(std::count(state->writes.begin(), state->writes.end(), "3\r"), c.search->passes + 1);
    EXPECT_TRUE(c.pass);
}

TEST_F(AutoTuneTasksTest, AStopRightAfterTheStartSaysStopped) {
    view.onEvent = [this](const std::string& e) {
        if (e == "select 0")
            tasks->Slider(0);  // Stop Tuning as soon as the row begins
    };
    tasks->Slider(0);
    tasks->Join();
    EXPECT_EQ(view.Statuses().back(), "Stopped");
    ExpectNeverLeftKeyed();
    for (const RowOutcome& o : tasks->Outcomes()) EXPECT_FALSE(o.pass);
}

TEST_F(AutoTuneTasksTest, ADecimalCommaInATargetIsAPoint) {
    view.powerTexts = {"1,5"};
    tasks->Slider(0);
    tasks->Join();
    EXPECT_EQ(view.Position(0), 75);
    EXPECT_TRUE(tasks->LastOutcome()->pass);
}

}  // namespace
