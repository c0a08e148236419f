// The stop signal and the terminal host under it: handlers hear each signal with its count,
// the exit status follows the first signal, and once a stop is asked for the host's sleeps
// end and its questions give up (also one already waiting for a line), so a stopped command
// never sits in a wait.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "StopSignal.h"
#include "TerminalHost.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(StopSignal, HandlersHearEachSignalAndTheFirstSignalSetsTheExitStatus) {
    CStopSignal stop;
    EXPECT_FALSE(stop.Listened());
    EXPECT_EQ(stop.ExitCode(), 0);
    std::vector<int> heard;
    {
        CStopScope scope(&stop, [&heard](int count) { heard.push_back(count); });
        EXPECT_TRUE(stop.Listened());
        stop.Raise(SIGHUP);
        stop.Raise(SIGINT);
    }
    EXPECT_FALSE(stop.Listened());
    stop.Raise(SIGTERM);  // nobody listens any more
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
    EXPECT_EQ(stop.Count(), 3);
    EXPECT_EQ(stop.Signal(), SIGHUP);
    EXPECT_EQ(stop.ExitCode(), 129);
    EXPECT_EQ(SignalWatch::Name(SIGINT), "SIGINT");
    EXPECT_EQ(SignalWatch::Name(SIGTERM), "SIGTERM");
    EXPECT_EQ(SignalWatch::Name(SIGUSR1), "signal " + std::to_string(SIGUSR1));
}

// After a second signal the process may end once the radio is safe and no report is half
// saved; a save that had not begun is not begun any more.
TEST(StopSignal, ASecondSignalWaitsForTheRadioAndForASaveUnderWay) {
    CStopSignal stop;
    stop.Raise(SIGINT);
    ASSERT_TRUE(stop.HoldExit());
    stop.Raise(SIGINT);
    EXPECT_FALSE(stop.WaitSafeToExit(0));
    stop.MarkRadioSafe();
    EXPECT_FALSE(stop.WaitSafeToExit(10)) << "a save holds the exit";
    std::thread release([&stop] { stop.ReleaseExit(); });
    EXPECT_TRUE(stop.WaitSafeToExit(60000));
    release.join();
    EXPECT_FALSE(stop.HoldExit());
    EXPECT_TRUE(stop.WaitSafeToExit(0));
}

/// A terminal host whose answers come from a pipe that the test writes to.
class StopHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe(fds), 0);
        host = std::make_unique<CTerminalHost>(err, fds[0], true, false);
        host->SetStop(&stop);
    }
    void TearDown() override {
        if (raiser.joinable())
            raiser.join();
        ::close(fds[0]);
        if (fds[1] >= 0)
            ::close(fds[1]);
    }
    void RaiseSoon(int signo) {
        raiser = std::thread([this, signo] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            stop.Raise(signo);
        });
    }
    void Type(const std::string& text) {
        ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    static double Seconds(Clock::time_point since) {
        return std::chrono::duration<double>(Clock::now() - since).count();
    }

    int fds[2] = {-1, -1};
    std::ostringstream err;
    CStopSignal stop;
    std::unique_ptr<CTerminalHost> host;
    std::thread raiser;
};

// Generous bounds: the waits would last a minute, the stop comes after 50 ms.
TEST_F(StopHostTest, ASleepEndsWhenAStopComesAndLaterSleepsDoNotWait) {
    RaiseSoon(SIGINT);
    const Clock::time_point start = Clock::now();
    host->Sleep(60000);
    EXPECT_LT(Seconds(start), 20.0);
    const Clock::time_point again = Clock::now();
    host->Sleep(60000);
    EXPECT_LT(Seconds(again), 20.0);
}

TEST_F(StopHostTest, AQuestionWaitingForItsLineGivesUpOnAStop) {
    RaiseSoon(SIGTERM);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(host->ShowMessage("Unable to start the program.", MsgIcon::Stop,
                                MsgButtons::AbortRetryIgnore),
              MsgResult::Abort);
    EXPECT_LT(Seconds(start), 20.0);
    EXPECT_EQ(err.str(), "Unable to start the program.\n[A]bort / [R]etry / [I]gnore? \n");
}

TEST_F(StopHostTest, AfterAStopEveryQuestionTakesTheAnswerThatGivesUpWithoutReading) {
    Type("y\nr\n");  // answers that must not be taken
    stop.Raise(SIGINT);
    const struct {
        MsgButtons buttons;
        MsgResult answer;
    } cases[] = {
        {MsgButtons::Ok, MsgResult::Ok},
        {MsgButtons::OkCancel, MsgResult::Cancel},
        {MsgButtons::YesNo, MsgResult::No},
        {MsgButtons::YesNoCancel, MsgResult::Cancel},
        {MsgButtons::AbortRetryIgnore, MsgResult::Abort},
        {MsgButtons::RetryCancel, MsgResult::Cancel},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host->ShowMessage("Go on?", MsgIcon::Question, c.buttons), c.answer);
        EXPECT_EQ(CTerminalHost::StopAnswer(c.buttons), c.answer);
    }
    EXPECT_EQ(err.str().find('?' + std::string(" ")), std::string::npos) << "no prompt shown";
}

// Without a stop the answers are read from the descriptor as typed: a wrong letter asks
// again, and the end of the input takes the default.
TEST_F(StopHostTest, AnswersAreReadFromTheDescriptorLineByLine) {
    Type("x\n  r\ni");
    EXPECT_EQ(host->ShowMessage("a", MsgIcon::Stop, MsgButtons::AbortRetryIgnore),
              MsgResult::Retry);
    ::close(fds[1]);
    fds[1] = -1;
    EXPECT_EQ(host->ShowMessage("b", MsgIcon::Stop, MsgButtons::AbortRetryIgnore),
              MsgResult::Ignore);
    EXPECT_EQ(host->ShowMessage("c", MsgIcon::Question, MsgButtons::YesNo), MsgResult::Yes);
}

}  // namespace
