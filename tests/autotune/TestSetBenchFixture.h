#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "support/RecordingHost.h"

/// The test-set link on the bench's simulated HP8920B over its pseudo-terminal ("Com Port"
/// 2). The host's clock is simulated; each of its sleeps lets the bench's test set do the
/// work that falls due meanwhile, so the tuner never runs ahead of the instrument.
class TestSetBenchTest : public ::testing::Test {
protected:
    void StartBench(BenchOptions::TestSetStart start, const BenchFaults& faults = {},
                    int downloadQuietMs = 2000, const std::string& profile = "standard",
                    int pollAfterReplyMs = 0) {
        BenchOptions options;
        options.pollAfterReplyMs = pollAfterReplyMs;
        options.profile = profile;
        options.testSet = true;
        options.paced = paced;
        options.noise = false;
        options.testSetStart = start;
        options.downloadQuietMs = downloadQuietMs;
        options.faults = faults;
        m_bench = std::make_unique<CBench>(options);
        std::string error;
        ASSERT_TRUE(m_bench->Start(error)) << error;
        host.onSleep = [this](std::uint32_t ms) {
            m_bench->SettleTestSet(ms, link->Stats().bytesSent);
        };
        CPortMap map;
        map.SetDeviceLister([] { return std::vector<std::string>{}; });
        map.SetMapping(2, m_bench->TestSetDevice());
        link = std::make_unique<CTestSetLink>(host, map, [this] { return portText; });
        link->SetDiagnostics([this](const std::string& t) { diagnostics += t; });
    }

    void TearDown() override {
        link.reset();
        if (m_bench)
            m_bench->Stop();
    }

    /// The test set's lines received since the last call.
    std::vector<std::string> TakeLines() {
        std::vector<std::string> lines = m_bench->TestSetLines();
        m_bench->ClearTrace();
        return lines;
    }

    /// Keys the bench radio at 851.0125 MHz in test mode (as the tuning screen would).
    void KeyRadio() {
        CSimRadio& radio = m_bench->Radio();
        radio.HandleFrame({0x00, 0x02, 0x00, 0x0c});
        radio.HandleFrame({0x00, 0x08, 0x00, 0x0b, 0x0a, 0x25, 0x15, 0x84, 0x64, 0x00});
        radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    }

    /// Bytes at the lines' baud rates (set before StartBench); off, they arrive at once.
    bool paced = false;
    CRecordingHost host;
    std::unique_ptr<CBench> m_bench;
    std::unique_ptr<CTestSetLink> link;
    std::string portText = "2";
    std::string diagnostics;
};
