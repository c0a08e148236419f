#include "SimTestSet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "SimRadio.h"
#include "TestSetProgramCopy.h"

namespace {

std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

/// Gap after the last frequency digit that ends the frequency text.
constexpr int kFreqQuietMs = 100;
/// Time a measurement takes on the instrument bus.
constexpr int kMeasureMs = 120;
/// Time from "run" to the first poll of the resident program.
constexpr int kStartUpMs = 300;
/// Largest distance from the analyzer frequency at which a carrier is still measured.
constexpr double kCaptureHz = 100000.0;

}  // namespace

CSimTestSet::CSimTestSet(CSimRadio* radio) : m_radio(radio) {}

std::string CSimTestSet::FormatValue(double v) {
    char buf[32];
    if (!std::isfinite(v) || v == 0.0) {
        std::snprintf(buf, sizeof buf, " 0.00000000E+000");
        return buf;
    }
    const char sign = v < 0 ? '-' : ' ';
    double a = std::fabs(v);
    int e = static_cast<int>(std::floor(std::log10(a)));
    double m = a / std::pow(10.0, e);
    if (std::round(m * 1e8) >= 1e9) {
        m /= 10.0;
        ++e;
    }
    e = std::clamp(e, -999, 999);
    std::snprintf(buf, sizeof buf, "%c%.8fE%c%03d", sign, m, e < 0 ? '-' : '+', std::abs(e));
    return buf;
}

void CSimTestSet::SetNoteObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noteObserver = std::move(observer);
}

void CSimTestSet::StoreResidentProgram(bool running, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.clear();
    for (const std::string& line : TestSetProgramCopy::Program()) {
        // A free comment line is stored as a bare comment.
        const bool free = line.size() >= 2 && line.compare(line.size() - 2, 2, "!*") == 0;
        m_file.push_back(free ? line.substr(0, line.size() - 1) : line);
    }
    m_hasFile = true;
    if (running) {
        m_program = m_file;
        m_programIsResident = true;
        m_programIsLoader = false;
        m_mode = Mode::Resident;
        m_busy = Busy::None;
        m_nextIdleMs = nowMs;
    }
}

void CSimTestSet::Note(const std::string& text) {
    if (m_noteObserver)
        m_noteObserver(text);
}

void CSimTestSet::SetFaults(const BenchFaults& faults) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
}

void CSimTestSet::SetDownloadQuietMs(int ms) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quietMs = std::max(1, ms);
}

void CSimTestSet::SetPollAfterReplyMs(int ms) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pollAfterReplyMs = std::max(0, ms);
}

int CSimTestSet::CodesTaken(int code) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return code >= 1 && code <= 4 ? m_codesTaken[code] : 0;
}

int CSimTestSet::MeasurementsMade() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_measurements;
}

void CSimTestSet::SetLineObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(observer);
}

CSimTestSet::Mode CSimTestSet::CurrentMode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mode;
}
bool CSimTestSet::HasFile() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hasFile;
}
std::vector<std::string> CSimTestSet::File() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file;
}
std::vector<std::string> CSimTestSet::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}
void CSimTestSet::ClearLines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}
double CSimTestSet::AnalyzerFrequencyHz() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_analyzerHz;
}

std::string CSimTestSet::TakeOutput() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out;
    out.swap(m_output);
    return out;
}

void CSimTestSet::Emit(const std::string& s) {
    if (!m_faults.testSetSilent)
        m_output += s;
}

void CSimTestSet::Record(const std::string& line) {
    m_lines.push_back(line);
    if (m_observer)
        m_observer(line);
}

void CSimTestSet::Feed(const std::string& text, std::int64_t nowMs) {
    Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), nowMs);
}

void CSimTestSet::Feed(const std::uint8_t* data, std::size_t size, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    FeedLocked(data, size, nowMs);
}

void CSimTestSet::FeedLocked(const std::uint8_t* data, std::size_t size, std::int64_t nowMs) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        m_lastInputMs = nowMs;
        if (m_mode == Mode::Resident && m_busy == Busy::FreqWait) {
            if (c != '\r' && c != '\n')
                m_freqDigits += c;
            continue;
        }
        if (m_mode == Mode::Resident && m_busy == Busy::Measure) {
            // The program is on the instrument bus; the serial port keeps what comes for
            // the next poll to read.
            if (m_held.size() < 256)
                m_held += c;
            continue;
        }
        if (m_mode == Mode::Resident && m_busy == Busy::CtsDelay)
            continue;  // cleared from the serial port just before "CTS"
        if (c == 27) {
            if (!m_partial.empty()) {
                Line(m_partial, nowMs);
                m_partial.clear();
            }
            Record(std::string(1, c));
            if (m_mode == Mode::Editor && ++m_escCount == 2) {
                m_program = m_editor;
                m_programIsResident = false;
                // Only the loader itself stores what follows; anything else typed into the
                // editor is not a program this instrument knows how to run.
                const std::string difference = TestSetProgramCopy::CompareLoader(m_program);
                m_programIsLoader = difference.empty();
                if (!m_programIsLoader)
                    Note("the editor does not hold the loader: " + difference);
                m_mode = Mode::Instrument;
            }
            continue;
        }
        m_escCount = 0;
        if (c == '\r' || c == '\n') {
            if (!m_partial.empty())
                Line(m_partial, nowMs);
            m_partial.clear();
            continue;
        }
        if (m_partial.size() < 4096)
            m_partial += c;
    }
}

void CSimTestSet::Line(const std::string& line, std::int64_t now) {
    Record(line);
    switch (m_mode) {
        case Mode::Instrument:
            Command(line, now);
            break;
        case Mode::Editor:
            m_editor.push_back(line);
            break;
        case Mode::Download:
            if (m_download.size() < 10000)
                m_download.push_back(line);
            break;
        case Mode::Resident: {
            const std::string t = Trim(line);
            if (!t.empty() && std::all_of(t.begin(), t.end(), [](char ch) {
                    return std::isdigit(static_cast<unsigned char>(ch));
                }))
                Code(std::atoi(t.c_str()), now);
            break;
        }
    }
}

void CSimTestSet::Command(const std::string& line, std::int64_t now) {
    const std::string t = Upper(Trim(line));
    if (t == "SCRATCH ALL" || t == "SCRATCH") {
        m_program.clear();
        m_programIsLoader = m_programIsResident = false;
    } else if (t == "EDIT") {
        m_mode = Mode::Editor;
        m_editor.clear();
        m_escCount = 0;
    } else if (StartsWith(t, "GET")) {
        const std::size_t a = line.find('"');
        const std::size_t b = a == std::string::npos ? a : line.find('"', a + 1);
        const std::string name = b == std::string::npos ? "" : line.substr(a + 1, b - a - 1);
        m_program.clear();
        m_programIsLoader = m_programIsResident = false;
        if (name == kFileName && m_hasFile) {
            // A damaged download stays stored as it was sent, but does not load.
            const std::string difference = TestSetProgramCopy::CompareProgram(m_file);
            if (difference.empty()) {
                m_program = m_file;
                m_programIsResident = true;
            } else {
                Note("GET \"Quorvin\" refused: " + difference);
            }
        }
    } else if (t == "RUN") {
        if (m_programIsLoader) {
            m_mode = Mode::Download;
            m_download.clear();
        } else if (m_programIsResident) {
            m_mode = Mode::Resident;
            m_busy = Busy::None;
            m_nextIdleMs = now + kStartUpMs;
        }
    }
    // MSI / MASS STORAGE IS and everything else: accepted, nothing to do.
}

void CSimTestSet::Code(int code, std::int64_t now) {
    if (code >= 1 && code <= 4)
        ++m_codesTaken[code];
    switch (code) {
        case 1:
            m_mode = Mode::Instrument;
            m_busy = Busy::None;
            break;
        case 2:
            // The program sets up the analyzer, clears its serial input and then says "CTS".
            m_busy = Busy::CtsDelay;
            m_freqDigits.clear();
            m_busyUntilMs = now + kCtsDelayMs;
            break;
        case 3:
        case 4:
            m_busy = Busy::Measure;
            m_manual = code == 4;
            m_busyUntilMs = now + kMeasureMs;
            break;
        default:
            break;
    }
}

std::string CSimTestSet::FaultyValue(const std::string& value, int field) const {
    auto hits = [field](int fault) { return fault == -1 || fault == field; };
    if (hits(m_faults.testSetGarbageField))
        return std::string(16, 'Z');
    if (hits(m_faults.testSetBadExponent)) {
        // " 1.48200000E-001" becomes " 1.48200000En001".
        std::string v = value;
        const std::size_t e = v.find('E');
        if (e != std::string::npos && e + 1 < v.size())
            v[e + 1] = 'n';
        return v;
    }
    return value;
}

void CSimTestSet::PollAfterReply(std::int64_t now) {
    if (m_pollAfterReplyMs == 0) {
        // The main loop starts its next pass at once, and every pass begins with "X".
        Emit("X\r\n");
        m_nextIdleMs = now + kIdleMs;
    } else {
        m_nextIdleMs = now + m_pollAfterReplyMs;
    }
}

void CSimTestSet::Reply(const std::string& a, const std::string& b, const std::string& c) {
    std::string r = "C\r\b\r\n" + a + "\r\n";
    if (m_faults.testSetShortField1) {
        r = "C\r\b\r\n" + a.substr(0, a.size() / 2);
    } else if (m_faults.testSetShortReplies) {
        r += b.substr(0, b.size() / 2);
    } else {
        r += b + "\r\n" + c + "\r\n";
    }
    Emit(r);
}

void CSimTestSet::Measure(bool manual) {
    ++m_measurements;
    if (m_faults.testSetNoReply != 0) {
        // An instrument-bus error: no reply, and the program goes back to polling.
        if (m_faults.testSetNoReply > 0)
            --m_faults.testSetNoReply;
        return;
    }
    const RfOutput o = m_radio ? m_radio->Transmitter() : RfOutput{};
    // Without a carrier in the analyzer's capture there is no frequency error and no
    // deviation to measure, and about no power.
    double first = kNoMeasurement, power = 0, dev = kNoMeasurement;
    if (manual) {
        if (o.keyed && std::fabs(o.carrierHz - m_analyzerHz) < kCaptureHz) {
            first = o.carrierHz - m_analyzerHz;
            power = o.powerW;
            dev = o.deviationHz;
        }
    } else {
        if (o.keyed) {
            m_analyzerHz = std::round(o.carrierHz);
            power = o.powerW;
            dev = o.deviationHz;
        }
        first = m_analyzerHz;
    }
    const std::string a = FaultyValue(FormatValue(first), 1);
    const std::string b = FaultyValue(FormatValue(power), 2);
    const std::string c = FaultyValue(FormatValue(dev), 3);
    Reply(a, b, c);
    if (manual)
        Reply(a, b, c);
}

void CSimTestSet::Tick(std::int64_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mode == Mode::Download) {
        if (!m_download.empty() && now - m_lastInputMs >= m_quietMs) {
            m_file = m_download;
            m_hasFile = true;
            m_download.clear();
            m_mode = Mode::Instrument;
        }
        return;
    }
    if (m_mode != Mode::Resident)
        return;
    if (m_busy == Busy::CtsDelay) {
        if (now < m_busyUntilMs)
            return;
        if (!m_faults.testSetNoCts)
            Emit("CTS\r\n");
        m_busy = Busy::FreqWait;
        m_busyUntilMs = now + kFreqFirstByteMs;
        return;
    }
    if (m_busy == Busy::FreqWait) {
        const bool ended =
            m_freqDigits.empty() ? now >= m_busyUntilMs : now - m_lastInputMs >= kFreqQuietMs;
        if (!ended)
            return;
        if (!m_freqDigits.empty()) {
            Record(m_freqDigits);
            m_analyzerHz = std::atof(m_freqDigits.c_str());
        }
        Reply("", "", "");
        m_busy = Busy::None;
        PollAfterReply(now);
        return;
    }
    if (m_busy == Busy::Measure) {
        if (now < m_busyUntilMs)
            return;
        Measure(m_manual);
        m_busy = Busy::None;
        PollAfterReply(now);
        if (!m_held.empty()) {
            std::string held;
            held.swap(m_held);
            FeedLocked(reinterpret_cast<const std::uint8_t*>(held.data()), held.size(), now);
        }
        return;
    }
    if (now >= m_nextIdleMs) {
        Emit("X\r\n");
        m_nextIdleMs = std::max(m_nextIdleMs + kIdleMs, now + 1);
    }
}

std::int64_t CSimTestSet::NextWorkEventLocked() const {
    if (m_mode == Mode::Download)
        return m_download.empty() ? -1 : m_lastInputMs + m_quietMs;
    if (m_mode != Mode::Resident)
        return -1;
    if (m_busy == Busy::FreqWait)
        return m_freqDigits.empty() ? m_busyUntilMs : m_lastInputMs + kFreqQuietMs;
    if (m_busy == Busy::Measure || m_busy == Busy::CtsDelay)
        return m_busyUntilMs;
    return -1;
}

std::int64_t CSimTestSet::NextWorkEventMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return NextWorkEventLocked();
}

std::int64_t CSimTestSet::NextEventMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::int64_t work = NextWorkEventLocked();
    if (work >= 0 || m_mode != Mode::Resident)
        return work;
    return m_nextIdleMs;
}
