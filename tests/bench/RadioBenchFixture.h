#pragma once

// A tuning document talking through the real serial component to the bench's simulated
// radio on a pseudo-terminal (opened by its device path, so in device mode).

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "document/TunerDoc.h"
#include "radio/ModelConfig.h"
#include "radio/PortMap.h"
#include "radio/SerialRadioComm.h"
#include "support/RecordingHost.h"

class RadioBenchFixture {
public:
    /// Starts a bench with this profile and faults; false (with a test failure) if it cannot.
    bool StartBench(const std::string& profile, const BenchFaults& faults = {}) {
        BenchOptions options;
        options.profile = profile;
        options.paced = false;
        options.noise = false;
        options.faults = faults;
        m_bench = std::make_unique<CBench>(options);
        std::string error;
        if (!m_bench->Start(error)) {
            ADD_FAILURE() << "bench did not start: " << error;
            return false;
        }
        frame.SetPort(m_bench->RadioDevice());
        doc = NewDoc();
        return true;
    }

    std::unique_ptr<CTunerDoc> NewDoc() {
        return std::make_unique<CTunerDoc>(host, frame,
                                           MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    }

    CBench& Bench() { return *m_bench; }
    CSimRadio& Radio() { return m_bench->Radio(); }
    std::vector<std::string> Requests() const { return m_bench->RadioRequests(); }

    static std::string Hex8(int v) {
        char b[4];
        std::snprintf(b, sizeof b, "%02x", v & 0xFF);
        return b;
    }

    /// Tx Power's three levels, low, mid and high, each a Set Power Level and then the
    /// request given.
    static void AddTxPowerLevels(std::vector<std::string>& r, const std::string& request) {
        for (const char* code : {"03", "01", "00"}) {
            r.push_back(std::string("0006") + code);
            r.push_back(request);
        }
    }

    /// The read's requests for a radio of this profile, in order.
    static std::vector<std::string> ExpectedRead(const CRadioProfile& p) {
        std::vector<std::string> r = {"0012",   "000c",   "001000",
                                      "001100", "000f00", "000f10",
                                      "000f20", "000f40", "0100821079000003e80000"};
        for (int t = 0; t < 8; ++t) {
            if (p.Count(t) == 0)
                continue;
            if (t == 1) {
                AddTxPowerLevels(r, "00010301");
            } else {
                r.push_back("000103" + Hex8(t));
            }
        }
        if (p.Family() == 2)
            r.push_back("00010308");
        if (ModelConfig::HasPaBias(p.modelNumber)) {
            for (int t = 9; t <= 11; ++t) r.push_back("000103" + Hex8(t));
        }
        return r;
    }

    /// The opcode, function and type of each programming request that writes back a data
    /// set read from a radio of this profile (Tx Power's three levels each after its level).
    static std::vector<std::string> ExpectedProgramming(const CRadioProfile& p) {
        std::vector<std::string> r;
        for (int t = 0; t <= 8; ++t) {
            if (t == 8 ? p.Family() != 2 : p.Count(t) == 0)
                continue;
            if (t == 1) {
                AddTxPowerLevels(r, "00010401");
            } else {
                r.push_back("000104" + Hex8(t));
            }
        }
        if (ModelConfig::HasPaBias(p.modelNumber)) {
            for (int t = 9; t <= 11; ++t) r.push_back("000104" + Hex8(t));
        }
        return r;
    }

    CRecordingHost host;
    CFrameState frame;
    std::unique_ptr<CTunerDoc> doc;

private:
    std::unique_ptr<CBench> m_bench;
};
