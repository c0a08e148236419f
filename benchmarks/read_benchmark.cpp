// A full radio read (the bench's "full" profile: 25 test frequencies, softpot types 0 to 8)
// through the real serial component at 9600 baud against the simulated radio, which paces its
// line at that rate. The time is reported as a ratio to the wire-time limit: every byte on
// the wire at 10 bits per byte plus the read's mandated 500 ms pause. Goal: at most 1.10.

#include <benchmark/benchmark.h>

#include <chrono>
#include <sstream>

#include "TerminalHost.h"
#include "bench/Bench.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

namespace {

constexpr int kBaud = 9600;
constexpr double kBitsPerByte = 10.0;  // start, 8 data, stop
constexpr double kMandatedPauseMs = 500.0;

void BM_ReadFullRadio(benchmark::State& state) {
    BenchOptions options;
    options.profile = "full";
    options.radioBaud = kBaud;
    options.noise = false;
    CBench bench(options);
    std::string error;
    if (!bench.Start(error)) {
        state.SkipWithError(("bench did not start: " + error).c_str());
        return;
    }
    std::ostringstream messages;
    std::istringstream noInput;
    CTerminalHost host(messages, noInput, false, false);  // real clock and sleep
    double ratioSum = 0;
    double wireBytes = 0;
    for (auto _ : state) {
        CFrameState frame;
        frame.SetPort(bench.RadioDevice());
        CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), kBaud));
        const auto start = std::chrono::steady_clock::now();
        const HRESULT hr = ReadDevice(doc);
        const auto end = std::chrono::steady_clock::now();
        if (FAILED(hr) || doc.m_radio == nullptr) {
            state.SkipWithError(("read failed: " + messages.str()).c_str());
            break;
        }
        const RadioWireStats s = doc.m_radio->WireStats();
        const double elapsedMs = std::chrono::duration<double, std::milli>(end - start).count();
        const double bytes = static_cast<double>(s.bytesSent + s.bytesReceived);
        const double limitMs = bytes * kBitsPerByte * 1000.0 / kBaud + kMandatedPauseMs;
        state.SetIterationTime(elapsedMs / 1000.0);
        ratioSum += elapsedMs / limitMs;
        wireBytes = bytes;
        state.counters["exchanges"] = static_cast<double>(s.transactions);
        state.counters["limit_ms"] = limitMs;
        // Leaving the document closes the link and waits as the tuner does; not timed.
    }
    if (state.iterations() > 0) {
        state.counters["wire_bytes"] = wireBytes;
        state.counters["ratio"] = ratioSum / static_cast<double>(state.iterations());
    }
}
BENCHMARK(BM_ReadFullRadio)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
