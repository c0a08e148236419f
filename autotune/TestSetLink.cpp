#include "autotune/TestSetLink.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "radio/Host.h"

namespace {

/// How often the wait for a measurement reply looks at the stop request.
constexpr int kReplyWaitSliceMs = 100;

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

std::string Format(const char* format, int value) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string TrimLeft(const std::string& s) {
    const std::size_t a = s.find_first_not_of(kWhiteSpace);
    return a == std::string::npos ? std::string() : s.substr(a);
}

std::string TrimRight(const std::string& s) {
    const std::size_t b = s.find_last_not_of(kWhiteSpace);
    return b == std::string::npos ? std::string() : s.substr(0, b + 1);
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

}  // namespace

CTestSetLink::CTestSetLink(IHost& host, CPortMap portMap, PortText portText,
                           std::unique_ptr<ITestSetPort> port)
    : CTestSetLink(
          host, [map = std::move(portMap)](const std::string& name) { return map.Resolve(name); },
          std::move(portText), std::move(port)) {}

CTestSetLink::CTestSetLink(IHost& host, Resolver resolver, PortText portText,
                           std::unique_ptr<ITestSetPort> port)
    : m_host(host),
      m_resolve(std::move(resolver)),
      m_portText(std::move(portText)),
      m_port(std::move(port)),
      m_diagnostics([](const std::string& text) {
          std::fputs(text.c_str(), stdout);
          std::fflush(stdout);
      }) {}

CTestSetLink::~CTestSetLink() {
    CloseTestSetPort();
}

bool CTestSetLink::CheckPortText(const std::string& text, std::string& message) {
    if (!text.empty() && text[0] == '/')
        return true;
    if (AllDigits(text) && text.size() > kMaxPortNumberLength) {
        message = "The Com Port number \"" + text +
                  "\" is too long: a port number has at most 6 digits (2 means COM2).";
        return false;
    }
    if (!AllDigits(text)) {
        message =
            "The Com Port field must hold the number of the test set's serial port (2 "
            "means COM2) or a device path beginning with \"/\".";
        return false;
    }
    return true;
}

std::string CTestSetLink::DeviceName(const std::string& text) {
    return !text.empty() && text[0] == '/' ? text : "COM" + text;
}

void CTestSetLink::Diagnose(const std::string& text) {
    if (m_diagnostics)
        m_diagnostics(text);
}

int CTestSetLink::OpenTestSetPort() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle != Handle::None)
        CloseTestSetPort();
    const std::string text = m_portText ? m_portText() : std::string();
    const std::string name = DeviceName(text);
    m_portName = name;

    std::string device;
    std::string refusal;
    if (!CheckPortText(text, refusal)) {
        // Never a device: the name cannot be formed.
    } else if (text[0] == '/') {
        device = text;
    } else {
        device = m_resolve ? m_resolve(name) : std::string();
    }

    int error = 0;
    int result = ITestSetPort::kOpenFailed;
    if (device.empty()) {
        error = refusal.empty() ? ENOENT : EINVAL;
    } else {
        result = m_port->Open(device, error);
    }
    switch (result) {
        case ITestSetPort::kOpened:
            m_handle = Handle::Open;
            m_lastOpenError.clear();
            Diagnose("Serial port " + name + " successfully reconfigured.\n");
            return 0;
        case ITestSetPort::kGetStateFailed:
            m_handle = Handle::Open;
            Diagnose(Format("GetCommState failed with error %d.\n", error));
            return 2;
        case ITestSetPort::kSetStateFailed:
            m_handle = Handle::Open;
            m_host.ShowMessage(Format("SetCommState failed with error %d.\n", error), MsgIcon::Stop,
                               MsgButtons::Ok);
            return 3;
        default:
            break;
    }
    m_handle = Handle::Invalid;
    Diagnose(Format("CreateFile failed with error %d.\n", error));
    if (!refusal.empty()) {
        m_lastOpenError = refusal;
    } else if (device.empty()) {
        m_lastOpenError = "There is no serial device for the test-set port " + name +
                          ". Map the port to a device in the settings group \"Ports\" (for "
                          "example " +
                          name + "=/dev/ttyUSB1).";
    } else if (const std::string refusal = m_port->OpenRefusal(); !refusal.empty()) {
        const std::string where = device == name ? name : name + " (" + device + ")";
        m_lastOpenError = "The test-set port " + where + " is " + refusal + ", not a serial line.";
    } else {
        const std::string where = device == name ? name : name + " (" + device + ")";
        m_lastOpenError =
            "Cannot open the test-set port " + where + ": " + std::strerror(error) + ".";
        if (error == EACCES || error == EPERM) {
            m_lastOpenError +=
                " Your user needs to be in the dialout group: sudo usermod -aG dialout $USER, "
                "then log in again.";
        }
    }
    Diagnose(m_lastOpenError + "\n");
    return 1;
}

bool CTestSetLink::SendToTestSet(const std::string& text, std::uint32_t delayMs) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::None)
        OpenTestSetPort();
    std::string bytes;
    bytes.reserve(text.size());
    for (char c : text) {
        if (c != '\t')
            bytes += c;
    }
    std::size_t written = 0;
    if (m_handle == Handle::Open) {
        written = m_port->Write(bytes);
        m_port->PurgeInput();
    }
    ++m_stats.writes;
    m_stats.bytesSent += written;
    if (written == 0 || written < bytes.size()) {
        // What did not leave whole is not written: the caller stops there.
        if (m_handle != Handle::Open && !m_lastOpenError.empty()) {
            m_lastWriteError = m_lastOpenError;
        } else {
            m_lastWriteError = "Only " + std::to_string(written) + " of " +
                               std::to_string(bytes.size()) +
                               " bytes went out on the test-set port " + m_portName +
                               ": the HP8920B holds the line with XOFF, or the port does not send.";
        }
        return false;
    }
    m_lastWriteError.clear();
    m_host.Sleep(delayMs);
    m_stats.delayMs += delayMs;
    CloseTestSetPort();
    return true;
}

std::string CTestSetLink::Read(std::size_t n, int totalMs) {
    if (m_handle != Handle::Open)
        return {};
    std::string bytes = m_port->Read(n, kReadIntervalMs, totalMs);
    m_stats.bytesReceived += bytes.size();
    return bytes;
}

std::string CTestSetLink::ReadFromTestSet(std::size_t n) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return Read(n, kReadTotalMs);
}

void CTestSetLink::CloseTestSetPort() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::Open)
        m_port->Close();
    m_handle = Handle::None;
}

bool CTestSetLink::ScanBytes(std::int64_t boundMs, const StopRequested& stop,
                             const std::function<bool(char byte, bool lineStart)>& take) {
    const std::int64_t start = m_port->NowMs();
    bool lineStart = true;
    while (m_handle == Handle::Open && !(stop && stop())) {
        const std::int64_t left = boundMs - (m_port->NowMs() - start);
        if (left <= 0)
            break;
        // Without a stop to look at, one read waits for the whole rest.
        const std::string byte = Read(
            1, static_cast<int>(stop ? std::min<std::int64_t>(left, kReplyWaitSliceMs) : left));
        if (byte.empty()) {
            if (!stop)
                break;  // silence for the whole wait
            continue;
        }
        if (take(byte[0], lineStart))
            return true;
        lineStart = byte[0] == '\r' || byte[0] == '\n';
    }
    return false;
}

bool CTestSetLink::AwaitPoll(int boundMs, const StopRequested& stop) {
    if (m_handle == Handle::None)
        OpenTestSetPort();
    if (!ScanBytes(boundMs, stop,
                   [](char byte, bool lineStart) { return lineStart && byte == 'X'; }))
        return false;
    m_programSettled = true;
    return true;
}

bool CTestSetLink::IsResidentRunning() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::None)
        OpenTestSetPort();
    std::int64_t budget = kReadTotalMs;
    if (!m_programSettled) {
        // The program may still be at work on the last code and silent meanwhile: its
        // silence is no proof that it does not run until that work must have ended.
        budget = std::max<std::int64_t>(budget, kBusyBoundMs - (m_port->NowMs() - m_lastCodeMs));
    }
    // A line that begins with the poll, or with a reply's (or CTS's) "C": the program runs.
    // The rest of a line that was under way when the port opened says nothing.
    bool polled = false;
    const bool running = ScanBytes(budget, {}, [&polled](char byte, bool lineStart) {
        polled = lineStart && byte == 'X';
        return lineStart && (byte == 'X' || byte == 'C');
    });
    if (polled)
        m_programSettled = true;
    CloseTestSetPort();
    return running;
}

bool CTestSetLink::SendSelection(int code) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!SendToTestSet(Format("%i\r", code), 0))
        return false;
    ++m_stats.codesSent;
    m_lastCodeMs = m_port->NowMs();
    // Codes 2 to 4 set the program to work and end with a reply; code 1 ends it.
    m_programSettled = code < 2 || code > 4;
    return true;
}

bool CTestSetLink::SetAnalyzerFrequency(double mhz) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_programSettled)
        AwaitPoll(kReadTotalMs, {});
    bool sent = false;
    if (SendSelection(2)) {
        if (m_handle == Handle::None)
            OpenTestSetPort();
        // "CTS" comes once the program has set the analyzer up; polls it sent before it took
        // the code may come first. Polls that still come a while after the code mean that it
        // was not taken (or not answered): no "CTS" is coming then.
        std::string answer;
        ScanBytes(kReadTotalMs, {}, [&](char byte, bool lineStart) {
            if (lineStart && byte == 'X' && m_port->NowMs() - m_lastCodeMs >= kResendAfterMs)
                return true;
            answer += byte;
            return answer.find("CTS") != std::string::npos;
        });
        if (answer.find("CTS") != std::string::npos) {
            // Truncated toward zero to a 32-bit count of hertz; out-of-range values are held
            // at the ends rather than converted undefined.
            double hz = std::trunc(mhz * 1e6);
            if (!(hz >= std::numeric_limits<std::int32_t>::min()))
                hz = std::numeric_limits<std::int32_t>::min();
            if (hz > std::numeric_limits<std::int32_t>::max())
                hz = std::numeric_limits<std::int32_t>::max();
            sent = SendToTestSet(Format("%i", static_cast<std::int32_t>(hz)), 2000);
        }
    }
    CloseTestSetPort();
    return sent;
}

bool CTestSetLink::WaitForReplyStart(int code, const StopRequested& stop, ReplyStatus& status) {
    const std::int64_t start = m_port->NowMs();
    status = ReplyStatus::NoAnswer;
    if (!SendSelection(code))
        return false;  // the code did not go out: no reply can come
    if (m_handle == Handle::None)
        OpenTestSetPort();
    for (;;) {
        if (m_handle != Handle::Open) {
            status = ReplyStatus::NoAnswer;  // the port is not usable: nothing can arrive
            return false;
        }
        if (stop && stop()) {
            status = ReplyStatus::Stopped;
            return false;
        }
        const std::int64_t left = m_replyWaitMs - (m_port->NowMs() - start);
        if (left <= 0) {
            status = ReplyStatus::NoAnswer;
            return false;
        }
        const std::string byte =
            Read(1, static_cast<int>(std::min<std::int64_t>(left, kReplyWaitSliceMs)));
        if (byte == "C")
            return true;
        if (byte == "X" && m_port->NowMs() - m_lastCodeMs >= kResendAfterMs) {
            // Still polling a while after the code: the program did not take it, or its
            // measurement failed without a reply. Ask again. (A poll sooner than that may
            // have left before the code arrived.)
            ++m_stats.codesResent;
            if (!SendSelection(code))
                return false;
            if (m_handle == Handle::None)
                OpenTestSetPort();
        }
    }
}

TestSetReading CTestSetLink::RequestMeasurement(bool manual, const StopRequested& stop) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ++m_stats.measurementRequests;
    TestSetReading reading;
    // What is left of earlier work (the empty reply after a frequency) is read away first,
    // so that it is not taken for this reply.
    if (!m_programSettled)
        AwaitPoll(kReadTotalMs, stop);
    if (!WaitForReplyStart(manual ? 4 : 3, stop, reading.status)) {
        CloseTestSetPort();
        return reading;
    }
    const std::string raw1 = ReadFromTestSet(22);
    std::string field1 = TrimLeft(raw1);
    if (!field1.empty())
        field1.erase(0, 1);  // the backspace after the reply's leading "C" and CR
    reading.field1 = TrimRight(TrimLeft(field1));
    std::size_t received = raw1.size();
    std::size_t expected = 22;
    if (raw1.size() == 22) {
        const std::string raw2 = ReadFromTestSet(18);
        reading.field2 = TrimRight(raw2);
        received += raw2.size();
        expected = 40;
        if (raw2.size() == 18) {
            const std::string raw3 = ReadFromTestSet(18);
            reading.field3 = TrimRight(raw3);
            received += raw3.size();
            expected = 58;
        }
    }
    // The program polls again right after its reply (after the second one of a manual
    // measurement): read up to that poll, so that the rest is not taken for the next reply.
    AwaitPoll(kDrainMs, stop);
    if (received != expected) {
        reading.status = ReplyStatus::Short;
        m_host.ShowMessage(kReadingIncorrect, MsgIcon::Stop, MsgButtons::Ok);
    } else {
        reading.status = ReplyStatus::Complete;
    }
    CloseTestSetPort();
    return reading;
}

void CTestSetLink::StopResidentProgram() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::None)
        OpenTestSetPort();
    if (SendToTestSet("1\r", 500))
        m_programSettled = true;
    CloseTestSetPort();
}

void CTestSetLink::DiscardInputAndClose() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::Open)
        m_port->PurgeInput();
    CloseTestSetPort();
}

bool CTestSetLink::HasPortHandle() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_handle != Handle::None;
}

void CTestSetLink::SetReplyWaitMs(int ms) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_replyWaitMs = std::max(1, ms);
}

void CTestSetLink::SetDiagnostics(Diagnostics diagnostics) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_diagnostics = std::move(diagnostics);
}

TestSetWireStats CTestSetLink::Stats() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_stats;
}

std::string CTestSetLink::LastOpenError() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_lastOpenError;
}

std::string CTestSetLink::LastWriteError() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_lastWriteError;
}
