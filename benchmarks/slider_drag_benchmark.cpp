// A technician drags the Tx Power High slider (0 to 127) from one end to the other while the
// radio's line runs at 9600 baud: the real serial component against the bench's paced radio,
// the real tuning screen on the offscreen platform. Mouse moves arrive from another thread
// at a steady rate, as input queues up while the user-interface thread is busy.
//
// Reported: set_softpot_requests (one per applied position), last_request_ms (from the last
// mouse move until the last SetSoftpot leaves), last_done_ms (until its reply is in),
// max_block_ms (the longest the user-interface thread spent in one event), exchange_ms (one
// SetSoftpot exchange). Goal: last_request_ms within one exchange_ms and max_block_ms about
// one exchange_ms (within_goal = 1); the drag ends with the maximum sent.

#include <benchmark/benchmark.h>

#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/Bench.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "resources/ResourceInit.h"
#include "screens/ColourSlider.h"
#include "screens/StubScreenHost.h"
#include "screens/TunerDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr int kMoveIntervalUs = 4000;  // a brisk drag: 128 positions in about half a second

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

/// The application, timing every event the user-interface thread handles.
class TimingApp : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --m_depth;
            return r;
        }
        const auto start = Clock::now();
        const bool r = QApplication::notify(receiver, event);
        --m_depth;
        m_longest = std::max(m_longest, Clock::now() - start);
        return r;
    }
    Clock::duration m_longest{};

private:
    int m_depth = 0;
};

/// The serial component, with the end of every SetSoftpot exchange noted.
class TimedComm : public IRadioComm {
public:
    struct Log {
        std::mutex mutex;
        std::vector<Clock::time_point> softpotStarts;
        std::vector<Clock::time_point> softpotEnds;
        std::vector<Clock::duration> softpotTimes;
    };
    TimedComm(std::unique_ptr<IRadioComm> inner, Log& log)
        : m_inner(std::move(inner)), m_log(log) {}
    HRESULT Transact(const std::uint8_t* request, std::int32_t len, std::int32_t timeout,
                     std::uint8_t* reply, std::int32_t* replyLen) override {
        const auto start = Clock::now();
        const HRESULT hr = m_inner->Transact(request, len, timeout, reply, replyLen);
        // Frame: two length bytes, then opcode 00 01 and function 02.
        if (len >= 5 && request[2] == 0x00 && request[3] == 0x01 && request[4] == 0x02) {
            std::lock_guard<std::mutex> lock(m_log.mutex);
            m_log.softpotStarts.push_back(start);
            m_log.softpotEnds.push_back(Clock::now());
            m_log.softpotTimes.push_back(Clock::now() - start);
        }
        return hr;
    }
    HRESULT Open(std::int32_t mode, std::uint32_t mask, const char* device) override {
        return m_inner->Open(mode, mask, device);
    }
    HRESULT Close() override { return m_inner->Close(); }

private:
    std::unique_ptr<IRadioComm> m_inner;
    Log& m_log;
};

/// Posts a drag of the slider's thumb from the minimum to the maximum, one pixel position per
/// value, at a steady rate; returns the moment of the last move.
Clock::time_point PostDrag(CColourSlider* slider, const QPointingDevice* mouse) {
    auto pixelOf = [slider](int value) {
        const QRect channel = slider->ChannelRect();
        const int thumb = slider->ThumbRect().width();
        return QPoint(
            channel.left() + thumb / 2 + (channel.width() - thumb) * value / slider->maximum(),
            slider->ThumbRect().center().y());
    };
    std::vector<QPoint> path;
    for (int v = 0; v <= slider->maximum(); ++v) path.push_back(pixelOf(v));
    path.push_back(pixelOf(slider->maximum()) + QPoint(6, 0));  // a little past the end
    const QPoint global = slider->mapToGlobal(QPoint(0, 0));
    const QPoint press = slider->ThumbRect().center();
    Clock::time_point last;
    auto post = [slider, global, mouse](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(
            slider, new QMouseEvent(type, QPointF(at), QPointF(at), QPointF(at + global),
                                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                    buttons, Qt::NoModifier, mouse));
    };
    post(QEvent::MouseButtonPress, press, Qt::LeftButton);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(kMoveIntervalUs * i));
        post(QEvent::MouseMove, path[i] + (press - pixelOf(0)), Qt::LeftButton);
        last = Clock::now();
    }
    post(QEvent::MouseButtonRelease, path.back() + (press - pixelOf(0)), Qt::NoButton);
    return last;
}

void BM_DragSliderEndToEnd(benchmark::State& state) {
    auto* app = static_cast<TimingApp*>(QCoreApplication::instance());
    BenchOptions options;
    options.profile = "standard";
    options.radioBaud = kBaud;
    options.noise = false;
    CBench bench(options);
    std::string error;
    if (!bench.Start(error)) {
        state.SkipWithError(("bench did not start: " + error).c_str());
        return;
    }
    CStubScreenHost host;
    host.featureName = "Tx Power High";
    TimedComm::Log log;
    RadioCommFactory serial = MakeSerialRadioCommFactory(host.host, CPortMap(), kBaud);
    RadioCommFactory timed = [&serial, &log](std::unique_ptr<IRadioComm>& out) {
        std::unique_ptr<IRadioComm> inner;
        const HRESULT hr = serial(inner);
        if (SUCCEEDED(hr))
            out = std::make_unique<TimedComm>(std::move(inner), log);
        return hr;
    };
    CFrameState frame;
    frame.SetPort(bench.RadioDevice());
    CTunerDoc doc(host.host, frame, timed);
    if (FAILED(ReadDevice(doc))) {
        state.SkipWithError("the radio read failed");
        return;
    }
    auto* screen = new CTunerDlg(host, doc);
    screen->show();
    QCoreApplication::processEvents();
    CColourSlider* slider = screen->RowSlider(0);

    double requests = 0, lastMs = 0, lastDoneMs = 0, blockMs = 0, exchangeMs = 0;
    for (auto _ : state) {
        screen->ApplySliderPosition(0, 0);
        QCoreApplication::processEvents();
        {
            std::lock_guard<std::mutex> lock(log.mutex);
            log.softpotStarts.clear();
            log.softpotEnds.clear();
            log.softpotTimes.clear();
        }
        bench.ClearTrace();
        app->m_longest = {};
        std::atomic<bool> posted{false};
        Clock::time_point lastMove;
        const QPointingDevice* device = QPointingDevice::primaryPointingDevice();
        std::thread mouse([&] {
            lastMove = PostDrag(slider, device);
            posted = true;
        });
        // The user-interface thread runs as in the application, until the drag is over and
        // nothing has been sent for a while.
        const auto begin = Clock::now();
        while (!posted || Clock::now() - lastMove < std::chrono::milliseconds(300)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (Clock::now() - begin > std::chrono::seconds(20))
                break;
        }
        mouse.join();
        std::lock_guard<std::mutex> lock(log.mutex);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        requests = double(log.softpotEnds.size());
        lastMs = log.softpotStarts.empty() ? 0 : Ms(log.softpotStarts.back() - lastMove);
        lastDoneMs = log.softpotEnds.empty() ? 0 : Ms(log.softpotEnds.back() - lastMove);
        blockMs = Ms(app->m_longest);
        Clock::duration total{};
        for (auto t : log.softpotTimes) total += t;
        exchangeMs = log.softpotTimes.empty() ? 0 : Ms(total) / double(log.softpotTimes.size());
        const std::vector<std::string> sent = bench.RadioRequests();
        if (slider->value() != slider->maximum() || sent.empty() || sent.back() != "000102017f")
            state.SkipWithError("the drag did not end with the maximum sent");
    }
    state.counters["set_softpot_requests"] = requests;
    state.counters["last_request_ms"] = lastMs;
    state.counters["last_done_ms"] = lastDoneMs;
    state.counters["max_block_ms"] = blockMs;
    state.counters["exchange_ms"] = exchangeMs;
    state.counters["within_goal"] = lastMs <= exchangeMs + 2 && blockMs <= exchangeMs * 1.5 ? 1 : 0;
    delete screen;
}
BENCHMARK(BM_DragSliderEndToEnd)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir settings;
    QStandardPaths::setTestModeEnabled(true);
    TimingApp app(argc, argv);
    InitVegalResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
