#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "autotune/TestSetPort.h"

/// An in-process test-set port with a simulated clock. The test keeps the shared state while
/// the link owns the port: every open, write, read and close is recorded; what a write
/// provokes (the instrument's answer) arrives after the next open, as a real line loses what
/// comes while the port is closed; idle bytes (the resident program's polls) arrive whenever
/// nothing else waits, one poll every 75 ms.
class CFakeTestSetPort : public ITestSetPort {
public:
    struct State {
        // Configuration.
        int openResult = kOpened;
        int openError = 0;
        bool failWrites = false;
        /// At most this many bytes of a write go out (-1: all), as under XOFF.
        int writeCap = -1;
        /// The instrument: answers a write with the bytes it sends after the next open.
        std::function<std::string(const std::string& written)> instrument;
        std::string idle;  ///< sent again and again while the port is open ("X\r\n")
        int idleMs = 75;

        // Records.
        std::vector<std::string> opens;
        std::vector<std::string> writes;
        std::vector<std::size_t> reads;  ///< byte counts asked for
        int closes = 0;
        int purges = 0;
        std::int64_t now = 0;  ///< the port's clock; reads that wait advance it

        // Line state.
        bool open = false;
        std::string input;
        std::string afterOpen;
    };

    explicit CFakeTestSetPort(std::shared_ptr<State> state) : m_s(std::move(state)) {}

    int Open(const std::string& device, int& error) override {
        m_s->opens.push_back(device);
        error = m_s->openError;
        m_s->open = m_s->openResult != kOpenFailed;
        m_s->input = m_s->open ? m_s->afterOpen : std::string();
        m_s->afterOpen.clear();
        return m_s->openResult;
    }
    bool IsOpen() const override { return m_s->open; }
    std::size_t Write(const std::string& bytes) override {
        m_s->writes.push_back(bytes);
        if (m_s->failWrites)
            return 0;
        if (m_s->writeCap >= 0 && bytes.size() > static_cast<std::size_t>(m_s->writeCap))
            return static_cast<std::size_t>(m_s->writeCap);
        if (m_s->instrument)
            m_s->afterOpen += m_s->instrument(bytes);
        return bytes.size();
    }
    std::string Read(std::size_t n, int interByteMs, int totalMs) override {
        m_s->reads.push_back(n);
        std::string out;
        int waited = 0;
        while (out.size() < n) {
            if (m_s->input.empty()) {
                if (!out.empty()) {
                    m_s->now += interByteMs;
                    break;
                }
                if (m_s->idle.empty() || waited + m_s->idleMs > totalMs) {
                    m_s->now += totalMs - waited;
                    break;
                }
                waited += m_s->idleMs;
                m_s->now += m_s->idleMs;
                m_s->input = m_s->idle;
            }
            const std::size_t take = std::min(n - out.size(), m_s->input.size());
            out += m_s->input.substr(0, take);
            m_s->input.erase(0, take);
        }
        return out;
    }
    void PurgeInput() override {
        ++m_s->purges;
        m_s->input.clear();
    }
    void Close() override {
        ++m_s->closes;
        m_s->open = false;
        m_s->input.clear();
    }
    std::int64_t NowMs() override { return m_s->now; }

private:
    std::shared_ptr<State> m_s;
};

/// A measurement reply as the resident program sends it: "C", CR, BS, CR, LF, three values of
/// 16 characters each followed by CR LF.
inline std::string MeasurementReply(const std::string& a, const std::string& b,
                                    const std::string& c) {
    auto value = [](std::string v) {
        v.resize(16, ' ');
        return v + "\r\n";
    };
    return "C\r\b\r\n" + value(a) + value(b) + value(c);
}
