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
    if (written == 0)
        return false;
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

bool CTestSetLink::IsResidentRunning() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle == Handle::None)
        OpenTestSetPort();
    const std::string byte = ReadFromTestSet(1);
    CloseTestSetPort();
    return byte == "X";
}

void CTestSetLink::SendSelection(int code) {
    SendToTestSet(Format("%i\r", code), 0);
}

bool CTestSetLink::SetAnalyzerFrequency(double mhz) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    SendSelection(2);
    if (m_handle == Handle::None)
        OpenTestSetPort();
    const std::string answer = ReadFromTestSet(5);
    bool sent = false;
    if (answer.find("CTS") != std::string::npos) {
        // Truncated toward zero to a 32-bit count of hertz; out-of-range values are held at
        // the ends rather than converted undefined.
        double hz = std::trunc(mhz * 1e6);
        if (!(hz >= std::numeric_limits<std::int32_t>::min()))
            hz = std::numeric_limits<std::int32_t>::min();
        if (hz > std::numeric_limits<std::int32_t>::max())
            hz = std::numeric_limits<std::int32_t>::max();
        sent = SendToTestSet(Format("%i", static_cast<std::int32_t>(hz)), 2000);
    }
    CloseTestSetPort();
    return sent;
}

bool CTestSetLink::WaitForReplyStart(int code, const StopRequested& stop, ReplyStatus& status) {
    const std::int64_t start = m_port->NowMs();
    SendSelection(code);
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
        if (byte == "X") {
            // Still polling: the program did not take the code. Ask again.
            SendSelection(code);
            if (m_handle == Handle::None)
                OpenTestSetPort();
        }
    }
}

TestSetReading CTestSetLink::RequestMeasurement(bool manual, const StopRequested& stop) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    TestSetReading reading;
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
    SendToTestSet("1\r", 500);
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
