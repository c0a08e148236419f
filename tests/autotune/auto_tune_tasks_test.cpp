#include "autotune/AutoTuneTasks.h"

#include <gtest/gtest.h>

#include <algorithm>
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
            transmitting = !transmitting;
            pttBar = feature == 4 ? "devbal" : "ptt";
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
        }
        Log("move " + std::to_string(row));
        return true;
    }
    /// 851.0125 MHz as the document holds it (170202500 steps of 5 Hz) converted to MHz.
    double ReferenceFrequencyMHz() override { return 170202500 * 5.0 * 1e-6; }
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

    /// The instrument's reading of the keyed transmitter.
    std::string Reply(bool manual) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int v = position[selected];
        const double power = transmitting ? 0.02 * v : 0.0;
        const double error = transmitting ? 2.5 * (v - 64) : 0.0;
        const double dev = !transmitting ? 0.0 : high ? 3000.0 * (1 + 0.004 * (v - 40)) : 3000.0;
        return MeasurementReply(Value(manual ? error : 851.0125e6), Value(power), Value(dev));
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
            if (w == "3\r" && answers)
                return view.Reply(false);
            if (w == "4\r" && answers)
                return view.Reply(true) + view.Reply(true);
            if (w == "2\r")
                return "CTS\r\n";
            return "";
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
    EXPECT_TRUE(tasks->MissedRows().empty());
    EXPECT_TRUE(view.Statuses().empty());
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
    EXPECT_TRUE(tasks->MissedRows().empty());  // a stop is not a miss
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

TEST_F(AutoTuneTasksTest, ARowThatCannotReachItsTargetSaysSo) {
    view.powerTexts = {"9.9"};  // beyond the 2.54 W of the top of the range
    view.rows = 2;
    tasks->Window();
    tasks->Join();
    EXPECT_EQ(tasks->MissedRows(), (std::vector<int>{0, 1}));
    const std::vector<std::string> statuses = view.Statuses();
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ(statuses[0].rfind("Row 1 did not reach its target of 9.9", 0), 0u) << statuses[0];
    EXPECT_EQ(statuses[2], "Rows 1, 2 did not reach their targets.");
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

}  // namespace
