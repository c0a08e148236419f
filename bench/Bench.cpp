#include "Bench.h"

#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <thread>

#include "PtyLine.h"
#include "RadioProfile.h"

namespace {

std::string Hex(const std::vector<std::uint8_t>& b, std::size_t from) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = from; i < b.size(); ++i) {
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

/// Control characters of a test-set line as \xNN so that a trace line stays one line.
std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

struct CBench::Impl {
    BenchOptions options;
    CRadioProfile profile;
    std::unique_ptr<CSimRadio> radio;
    std::unique_ptr<CSimTestSet> testSet;
    std::unique_ptr<CPtyLine> radioLine;
    std::unique_ptr<CPtyLine> testSetLine;
    bool started = false;
    std::string profileError;

    mutable std::mutex traceMutex;
    std::vector<std::string> requests;
    std::vector<std::string> lines;
    std::ofstream traceOut;

    void Trace(const std::string& who, const std::string& text) {
        std::lock_guard<std::mutex> lock(traceMutex);
        (who == "radio" ? requests : lines).push_back(text);
        if (traceOut.is_open()) {
            traceOut << CBench::TraceLine(who, who == "radio" ? text : Printable(text)) << '\n';
            traceOut.flush();
        }
    }

    /// The radio's side of the wire: frames in, answers out after the request's wire time.
    struct RadioDevice : CPtyLine::IDevice {
        Impl* impl = nullptr;
        std::vector<std::uint8_t> buffer;
        std::int64_t firstByteMs = 0;
        std::int64_t lastByteMs = 0;

        void OnInput(const std::uint8_t* data, std::size_t size, std::int64_t now) override {
            if (buffer.empty())
                firstByteMs = now;
            buffer.insert(buffer.end(), data, data + size);
            lastByteMs = now;
            Parse();
        }
        void Parse() {
            for (;;) {
                std::size_t skip = 0;
                while (skip < buffer.size() && buffer[skip] != 0xA5) ++skip;
                buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(skip));
                if (buffer.size() < 3)
                    return;
                const std::size_t len = (std::size_t(buffer[1]) << 8) | buffer[2];
                if (len > 997) {
                    buffer.erase(buffer.begin());
                    continue;
                }
                if (buffer.size() < len + 4)
                    return;
                std::vector<std::uint8_t> frame(buffer.begin() + 1,
                                                buffer.begin() + 3 + static_cast<long>(len));
                std::uint8_t sum = 0;
                for (std::size_t i = 1; i < len + 4; ++i)
                    sum = static_cast<std::uint8_t>(sum + buffer[i]);
                if (sum != 0) {
                    buffer.erase(buffer.begin());  // not a frame: look for the next sync byte
                    continue;
                }
                buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(len + 4));
                impl->Trace("radio", Hex(frame, 2));
                const CSimRadio::WireAnswer a = impl->radio->Answer(frame);
                // The request's bytes would still be arriving at the line's rate.
                const double wireMs = impl->radioLine->ByteMs() * static_cast<double>(len + 4);
                impl->radioLine->Send(a.wire,
                                      firstByteMs + static_cast<std::int64_t>(wireMs) + a.delayMs);
                firstByteMs = lastByteMs;
            }
        }
        std::int64_t NextEventMs() override { return buffer.empty() ? -1 : lastByteMs + 500; }
        void OnTime(std::int64_t) override { buffer.clear(); }  // a fragment that never ended
    };

    struct TestSetDevice : CPtyLine::IDevice {
        Impl* impl = nullptr;
        void OnInput(const std::uint8_t* data, std::size_t size, std::int64_t now) override {
            impl->testSet->Feed(data, size, now);
            impl->testSet->Tick(now);
            Flush(now);
        }
        std::int64_t NextEventMs() override { return impl->testSet->NextEventMs(); }
        void OnTime(std::int64_t now) override {
            impl->testSet->Tick(now);
            Flush(now);
        }
        void Flush(std::int64_t now) {
            const std::string out = impl->testSet->TakeOutput();
            if (out.empty())
                return;
            // Polls nobody reads pile up in the tuner's port when the line cannot see it
            // close; a real line loses them.
            if (!impl->testSetLine->TracksOpens() && impl->testSetLine->PendingToTuner() > 240)
                impl->testSetLine->DiscardPendingToTuner();
            impl->testSetLine->Send(out, now);
        }
    };
    RadioDevice radioDevice;
    TestSetDevice testSetDevice;
};

CBench::CBench(BenchOptions options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = std::move(options);
    m_impl->radioDevice.impl = m_impl.get();
    m_impl->testSetDevice.impl = m_impl.get();
    // Usable before Start (in-process tests): the default profile until Start loads another.
    CRadioProfile::BuiltIn("standard", m_impl->profile);
    if (!CRadioProfile::Load(m_impl->options.profile, m_impl->profile, m_impl->profileError))
        CRadioProfile::BuiltIn("standard", m_impl->profile);
    m_impl->radio =
        std::make_unique<CSimRadio>(m_impl->profile, m_impl->options.seed, m_impl->options.noise);
    m_impl->testSet = std::make_unique<CSimTestSet>(m_impl->radio.get());
    m_impl->testSet->SetDownloadQuietMs(m_impl->options.downloadQuietMs);
    m_impl->testSet->SetPollAfterReplyMs(m_impl->options.pollAfterReplyMs);
    if (m_impl->options.testSetStart != BenchOptions::TestSetStart::Empty) {
        m_impl->testSet->StoreResidentProgram(
            m_impl->options.testSetStart == BenchOptions::TestSetStart::Running, CPtyLine::NowMs());
    }
    m_impl->testSet->SetLineObserver(
        [impl = m_impl.get()](const std::string& line) { impl->Trace("testset", line); });
    SetFaults(m_impl->options.faults);
}

CBench::~CBench() {
    Stop();
}

bool CBench::Start(std::string& error) {
    Impl& d = *m_impl;
    if (d.started)
        return true;
    if (!d.profileError.empty()) {
        error = d.profileError;
        return false;
    }
    if (!d.options.traceFile.empty()) {
        d.traceOut.open(d.options.traceFile, std::ios::out | std::ios::trunc);
        if (!d.traceOut) {
            error = "cannot write the trace file " + d.options.traceFile;
            return false;
        }
    }
    d.radioLine = std::make_unique<CPtyLine>(d.options.radioBaud, false, d.options.paced);
    if (!d.radioLine->Open(d.options.radioLink, error)) {
        d.radioLine.reset();
        return false;
    }
    if (!d.options.testSetLink.empty() || d.options.testSet) {
        d.testSetLine = std::make_unique<CPtyLine>(d.options.testSetBaud, true, d.options.paced);
        d.testSetLine->SetLoseWhileClosed(true);  // a serial line keeps nothing for a closed port
        if (!d.testSetLine->Open(d.options.testSetLink, error)) {
            d.testSetLine.reset();
            d.radioLine.reset();
            return false;
        }
    }
    d.radioLine->Start(&d.radioDevice);
    if (d.testSetLine) {
        d.testSetLine->SetHoldTuner(d.options.faults.testSetXoff);
        d.testSetLine->Start(&d.testSetDevice);
    }
    d.started = true;
    return true;
}

void CBench::Stop() {
    Impl& d = *m_impl;
    if (d.radioLine)
        d.radioLine->Stop();
    if (d.testSetLine)
        d.testSetLine->Stop();
    d.radioLine.reset();  // removes the symlinks
    d.testSetLine.reset();
    d.started = false;
}

std::string CBench::RadioDevice() const {
    return m_impl->radioLine ? m_impl->radioLine->Device() : std::string();
}

std::string CBench::TestSetDevice() const {
    return m_impl->testSetLine ? m_impl->testSetLine->Device() : std::string();
}

CSimRadio& CBench::Radio() {
    return *m_impl->radio;
}

CSimTestSet& CBench::TestSet() {
    return *m_impl->testSet;
}

void CBench::SetFaults(const BenchFaults& faults) {
    m_impl->options.faults = faults;
    m_impl->radio->SetFaults(faults);
    m_impl->testSet->SetFaults(faults);
    if (m_impl->testSetLine)
        m_impl->testSetLine->SetHoldTuner(faults.testSetXoff);
}

void CBench::SettleTestSet(std::uint32_t ms, std::uint64_t sentByTuner) {
    Impl& d = *m_impl;
    if (!d.testSetLine)
        return;
    // Bytes written to a pty reach its other side a moment later; wait for them first (a
    // line that never delivers them is given up after two seconds).
    const std::int64_t arrival = CPtyLine::NowMs() + 2000;
    while (d.testSetLine->BytesReceived() < sentByTuner && CPtyLine::NowMs() < arrival)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::int64_t deadline = CPtyLine::NowMs() + ms;
    for (;;) {
        const std::int64_t now = CPtyLine::NowMs();
        if (now >= deadline)
            return;
        std::int64_t wake = now + 1;
        if (d.testSetLine->InputIdle()) {
            const std::int64_t work = d.testSet->NextWorkEventMs();
            if (work < 0 || work > deadline)
                return;
            wake = std::max(work, now + 1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wake, deadline) - now));
    }
}

std::uint64_t CBench::TestSetBytesReceived() const {
    return m_impl->testSetLine ? m_impl->testSetLine->BytesReceived() : 0;
}

std::vector<std::string> CBench::RadioRequests() const {
    std::lock_guard<std::mutex> lock(m_impl->traceMutex);
    return m_impl->requests;
}

std::vector<std::string> CBench::TestSetLines() const {
    std::lock_guard<std::mutex> lock(m_impl->traceMutex);
    return m_impl->lines;
}

void CBench::ClearTrace() {
    std::lock_guard<std::mutex> lock(m_impl->traceMutex);
    m_impl->requests.clear();
    m_impl->lines.clear();
}

std::vector<std::string> CBench::ProfileNames() {
    return CRadioProfile::BuiltInNames();
}

std::string CBench::TraceLine(const std::string& who, const std::string& text) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    std::tm tm{};
    const std::time_t secs = tv.tv_sec;
    ::localtime_r(&secs, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d ", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(tv.tv_usec / 1000));
    return buf + who + " " + text;
}
