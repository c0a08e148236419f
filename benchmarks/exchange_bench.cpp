// Cost of one radio exchange: the CPU the transport spends on framing, hex conversion and the
// log record (against an in-process radio), and the round trip over a pseudo-terminal against
// a radio that paces its bytes at 9600 baud, as a ratio to the wire time of those bytes.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "radio/SerialRadioComm.h"
#include "radio/Transport.h"
#include "support/FakeRadioComm.h"
#include "support/PtyRadio.h"
#include "support/RecordingHost.h"

namespace {

/// A request the size of the largest the system sends: opcode, type, level, 25 values.
std::string LongRequest() {
    std::string request = "00030100";
    for (int i = 0; i < 25; ++i) request += "7f";
    return request;
}

/// A folder that stands in for the executable's, with or without a tuning log.
struct TempFolder {
    explicit TempFolder(bool withLog) {
        char tmpl[] = "/tmp/vegal-bench-XXXXXX";
        path = ::mkdtemp(tmpl);
        if (withLog)
            std::ofstream(path + "/TunerLog.txt", std::ios::binary);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string path;
};

// Args: request (0 short "000c", 1 long), tuning log present (0/1).
void BM_ExchangeCpu(benchmark::State& state) {
    const std::string request = state.range(0) ? LongRequest() : "000c";
    TempFolder folder(state.range(1) != 0);
    CRecordingHost host;
    host.m_exeFolder = folder.path;
    CFakeRadio radio;
    CRadioLink link(host, radio.Factory(), [] { return std::string("COM1"); });
    if (FAILED(Transport::Connect(link))) {
        state.SkipWithError("cannot connect the fake radio");
        return;
    }
    link.m_componentOpen = true;
    std::string reply;
    std::size_t exchanges = 0;
    for (auto _ : state) {
        if (FAILED(Transport::Exchange(link, request, reply, Transport::kExchangeTimeoutMs))) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(reply.data());
        // The fake keeps every request; drop them now and then so memory stays flat.
        if (++exchanges % 4096 == 0) {
            state.PauseTiming();
            radio.m_requests.clear();
            radio.m_frames.clear();
            radio.m_timeouts.clear();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(exchanges));
}
BENCHMARK(BM_ExchangeCpu)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"long", "log"})
    ->Unit(benchmark::kMicrosecond);

// Args: request and reply size (0 short, 1 long).
void BM_ExchangeOverPty(benchmark::State& state) {
    constexpr double kBaud = 9600.0;
    constexpr double kBitsPerByte = 10.0;  // start, 8 data, stop
    const auto byteTime =
        std::chrono::nanoseconds(static_cast<long long>(1e9 * kBitsPerByte / kBaud));

    const bool longMessages = state.range(0) != 0;
    const std::string request = longMessages ? LongRequest() : "000c";
    CPtyRadio pty;
    pty.SetByteTime(byteTime);
    if (longMessages) {
        pty.SetHandler([](const CPtyRadio::Bytes& frame) {
            CPtyRadio::Bytes payload(frame.begin() + 2, frame.end());  // echo the request back
            return CPtyRadio::Wire(CPtyRadio::Frame(payload));
        });
    }

    CRecordingHost host;
    TempFolder folder(false);
    host.m_exeFolder = folder.path;
    const std::string device = pty.SlavePath();
    CRadioLink link(host, MakeSerialRadioCommFactory(host, CPortMap()), [&] { return device; });
    if (FAILED(Transport::Connect(link))) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    link.m_componentOpen = true;

    std::string reply;
    const RadioWireStats before = link.m_radio->WireStats();
    double elapsed = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const HRESULT hr = Transport::Exchange(link, request, reply, Transport::kExchangeTimeoutMs);
        elapsed += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (FAILED(hr)) {
            state.SkipWithError("exchange over the pty failed");
            return;
        }
    }
    const RadioWireStats after = link.m_radio->WireStats();
    const double bytes = static_cast<double>((after.bytesSent - before.bytesSent) +
                                             (after.bytesReceived - before.bytesReceived));
    const double wireSeconds = bytes * kBitsPerByte / kBaud;
    const auto n = static_cast<double>(state.iterations());
    state.counters["wire_bytes"] = bytes / n;
    state.counters["wire_ms"] = 1000.0 * wireSeconds / n;
    state.counters["ratio"] = wireSeconds > 0 ? elapsed / wireSeconds : 0.0;
    state.counters["overhead_pct"] = wireSeconds > 0 ? 100.0 * (elapsed / wireSeconds - 1.0) : 0.0;
}
BENCHMARK(BM_ExchangeOverPty)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("long")
    ->UseRealTime()
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
