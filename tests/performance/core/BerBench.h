#pragma once

// A radio read from the bench over its pty for the performance tests, with the bench's clock
// following the host's fake clock (so a 92 s integration time costs no real time) and the
// data files in a scratch folder beside the "executable".

#include <cstdint>
#include <string>
#include <vector>

#include "bench/RadioBenchFixture.h"
#include "document/TunTestSupport.h"
#include "radio/RadioRead.h"

class BerBenchFixture : public RadioBenchFixture {
public:
    /// Starts the bench, reads its radio and forgets the read's requests.
    bool ReadBenchRadio(const std::string& profile = "standard", bool withDataFile = true) {
        host.m_exeFolder = dir.Path();
        if (withDataFile)
            tuntest::WriteBytes(DataFile(), {});
        if (!StartBench(profile))
            return false;
        Radio().SetClock([this] { return static_cast<std::int64_t>(host.TimeGetTime()); });
        if (!OnNewDocument(*doc)) {
            ADD_FAILURE() << ::testing::PrintToString(host.Texts());
            return false;
        }
        m_seen = Requests().size();
        return true;
    }

    /// The radio's requests since the last call (or the read).
    std::vector<std::string> NewRequests() {
        const std::vector<std::string> all = Requests();
        std::vector<std::string> fresh(all.begin() + static_cast<long>(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }

    void SetFaults(const BenchFaults& faults) { Radio().SetFaults(faults); }

    std::string DataFile() const { return dir.File("BERData.txt"); }
    std::string DataText() const { return tuntest::ReadText(DataFile()); }

    tuntest::TempDir dir;

private:
    std::size_t m_seen = 0;
};

#include <deque>
#include <mutex>

#include "bench/SimRadio.h"
#include "support/PtyRadio.h"

/// The bench's simulated radio on a pseudo-terminal whose bit error rate result reads can be
/// answered with exact replies: each queued reply payload (hex) answers one 0017 request, the
/// simulated radio answers everything else (and 0017 once the queue is empty).
class ScriptedBerRadio {
public:
    explicit ScriptedBerRadio(const std::string& profile = "standard") {
        CRadioProfile p;
        CRadioProfile::BuiltIn(profile, p);
        m_sim = std::make_unique<CSimRadio>(p, 1, false);
        m_pty.SetHandler([this](const CPtyRadio::Bytes& frame) { return Answer(frame); });
    }
    const std::string& Device() const { return m_pty.SlavePath(); }
    CSimRadio& Sim() { return *m_sim; }

    /// The reply to a later result read: payload hex, e.g. "001700" "0100000022".
    void QueueResult(const std::string& payloadHex) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_results.push_back(payloadHex);
    }
    /// Request payloads received, lower-case hex.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const auto& frame : m_pty.Requests()) {
            std::string hex;
            for (std::size_t i = 2; i < frame.size(); ++i) hex += Hex(frame[i]);
            out.push_back(hex);
        }
        return out;
    }

private:
    static std::string Hex(std::uint8_t b) {
        static const char* d = "0123456789abcdef";
        return {d[b >> 4], d[b & 15]};
    }
    CPtyRadio::Bytes Answer(const CPtyRadio::Bytes& frame) {
        std::string scripted;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const bool resultRead = frame.size() == 4 && frame[2] == 0x00 && frame[3] == 0x17;
            if (resultRead && !m_results.empty()) {
                scripted = m_results.front();
                m_results.pop_front();
            }
        }
        if (scripted.empty())
            return m_sim->Answer(frame).wire;
        CPtyRadio::Bytes payload;
        for (std::size_t i = 0; i + 1 < scripted.size(); i += 2)
            payload.push_back(
                static_cast<std::uint8_t>(std::stoi(scripted.substr(i, 2), nullptr, 16)));
        return CPtyRadio::Wire(CPtyRadio::Frame(payload));
    }

    std::unique_ptr<CSimRadio> m_sim;
    CPtyRadio m_pty;
    mutable std::mutex m_mutex;
    std::deque<std::string> m_results;
};
