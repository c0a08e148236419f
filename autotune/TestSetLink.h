#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "autotune/TestSetPort.h"
#include "radio/PortMap.h"

class IHost;

/// How a measurement request ended.
enum class ReplyStatus {
    Complete,  ///< all 58 bytes arrived
    Short,     ///< fewer bytes arrived; the reading message was shown
    NoAnswer,  ///< no reply began within the reply wait
    Stopped,   ///< the stop request ended the wait
};

/// The three fields of a measurement reply: frequency (error or tune frequency), power in
/// watts, FM deviation.
struct TestSetReading {
    std::string field1;
    std::string field2;
    std::string field3;
    ReplyStatus status = ReplyStatus::NoAnswer;
};

/// What went over the link, for the command-line summary and the benchmarks.
struct TestSetWireStats {
    std::uint64_t writes = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesReceived = 0;
    std::uint64_t delayMs = 0;              ///< the protocol's own waits after writes
    std::uint64_t codesSent = 0;            ///< command codes that went out, resends included
    std::uint64_t codesResent = 0;          ///< codes sent again because the program kept polling
    std::uint64_t measurementRequests = 0;  ///< calls of RequestMeasurement
};

/// The serial link to the HP8920B and its resident program.
///
/// The link keeps no connection between exchanges: every operation opens the port when it
/// needs it and closes it at its end, so whatever the test set sends in between is lost. The
/// port is named by the text of the "Com Port" field, read at every open: a number n means
/// COMn (through the port map, like the radio's ports), a text beginning with "/" is a device
/// path. Diagnostics go to standard output; every wait the protocol asks for goes through the
/// host's clock. Operations may come from any one thread at a time; a lock keeps two threads
/// from interleaving exchanges.
///
/// The resident program polls ("X") at the start of every pass of its main loop, so a poll
/// follows each of its replies at once and may reach the tuner just after its next code went
/// out. Such a poll is no refusal: a code is sent again only when polls still come a few poll
/// intervals after it (a program that took a code stops polling while it works). After a
/// reply the link reads on until the program polls again, so that nothing of that reply (a
/// manual measurement sends it twice) is taken for the next one.
class CTestSetLink {
public:
    /// Gives the "Com Port" text; called at every open, from the calling thread.
    using PortText = std::function<std::string()>;
    using Diagnostics = std::function<void(const std::string&)>;
    using StopRequested = std::function<bool()>;

    /// Device names hold at most 9 characters: "COM" and at most 6 more.
    static constexpr std::size_t kMaxPortNumberLength = 6;
    static constexpr int kReadIntervalMs = 20;
    static constexpr int kReadTotalMs = 1000;
    /// How long a measurement request waits for the start of its reply, resends included.
    static constexpr int kDefaultReplyWaitMs = 8000;
    /// The resident program's poll interval.
    static constexpr int kPollMs = 75;
    /// A poll this long after a code means that the program did not take it.
    static constexpr int kResendAfterMs = 4 * kPollMs;
    /// How long the link reads on after a reply for the program's next poll.
    static constexpr int kDrainMs = 500;
    /// The longest a code's work keeps the program from polling: its instrument-bus
    /// time-out (5 s) and a second.
    static constexpr int kBusyBoundMs = 6000;

    static constexpr const char* kReadingIncorrect =
        "Error, HP8920B reading incorrect. Power off the HP8920B and retry the Autotuning.";

    /// Gives the device of a port name ("COM2"); empty when there is none.
    using Resolver = std::function<std::string(const std::string& name)>;

    CTestSetLink(IHost& host, CPortMap portMap, PortText portText,
                 std::unique_ptr<ITestSetPort> port = MakeTermiosTestSetPort());
    CTestSetLink(IHost& host, Resolver resolver, PortText portText,
                 std::unique_ptr<ITestSetPort> port = MakeTermiosTestSetPort());
    ~CTestSetLink();
    CTestSetLink(const CTestSetLink&) = delete;
    CTestSetLink& operator=(const CTestSetLink&) = delete;

    /// 0 success; 1 opening failed; 2 reading the port state failed; 3 setting it failed.
    int OpenTestSetPort();
    /// Writes the text without its TAB characters and discards the input. When the whole text
    /// went out: waits delayMs, closes the port and returns true. Otherwise (nothing, or only
    /// part of it, left within the port's write bound) returns false at once, the port left
    /// as it is, and LastWriteError says why.
    bool SendToTestSet(const std::string& text, std::uint32_t delayMs);
    /// One read of n bytes with the link's time-outs (0 to n characters).
    std::string ReadFromTestSet(std::size_t n);
    void CloseTestSetPort();
    /// True when the resident program shows that it runs within 1000 ms: a line that begins
    /// with its poll "X" or with "C" (a reply, or "CTS"). When the program may still be at
    /// work on an earlier code, the wait lasts until that work must have ended.
    bool IsResidentRunning();
    /// Sends a command code of the resident program (1 stop, 2 frequency, 3 automatic and 4
    /// manual measurement) followed by CR; true when it went out whole.
    bool SendSelection(int code);
    /// Sets the analyzer frequency: code 2, then after "CTS" (read for up to 1000 ms, past
    /// polls that came before the program took the code) the frequency in Hz. True when "CTS"
    /// came and the frequency went out (nothing is reported otherwise).
    bool SetAnalyzerFrequency(double mhz);
    /// Asks for a measurement (code 4 when manual, else 3) and reads the three fields. The
    /// wait for the reply to begin is bounded by the reply wait and ends early when stop
    /// returns true.
    TestSetReading RequestMeasurement(bool manual, const StopRequested& stop = {});
    /// Ends the resident program (code 1).
    void StopResidentProgram();

    /// Discards what was received and closes the port if it is open.
    void DiscardInputAndClose();

    IHost& Host() const { return m_host; }
    /// The port handle is not none (open, or left invalid by a failed open).
    bool HasPortHandle() const;
    void SetReplyWaitMs(int ms);
    /// Where the diagnostics go (standard output by default).
    void SetDiagnostics(Diagnostics diagnostics);
    TestSetWireStats Stats() const;
    /// Why the last open failed, naming the device; empty after a good open.
    std::string LastOpenError() const;
    /// Why the last write did not go out whole, naming the port; empty after a whole write.
    std::string LastWriteError() const;

    /// Checks a "Com Port" text before any exchange; false with a message when it cannot
    /// name a port (empty, or a number longer than six characters).
    static bool CheckPortText(const std::string& text, std::string& message);
    /// The device name of a port text ("2" gives "COM2"; a path stays as it is).
    static std::string DeviceName(const std::string& text);

private:
    enum class Handle { None, Invalid, Open };

    void Diagnose(const std::string& text);
    bool WaitForReplyStart(int code, const StopRequested& stop, ReplyStatus& status);
    std::string Read(std::size_t n, int totalMs);
    /// Reads one byte at a time, for at most boundMs and while the port is open and stop is
    /// not asked, handing each to take with whether it begins a line; true when take ended it.
    bool ScanBytes(std::int64_t boundMs, const StopRequested& stop,
                   const std::function<bool(char byte, bool lineStart)>& take);
    /// Reads until the program polls (an "X" that begins a line), at most boundMs; true when
    /// it did. Opens the port when it is closed and leaves it open.
    bool AwaitPoll(int boundMs, const StopRequested& stop);

    IHost& m_host;
    Resolver m_resolve;
    PortText m_portText;
    std::unique_ptr<ITestSetPort> m_port;
    Diagnostics m_diagnostics;
    mutable std::recursive_mutex m_mutex;
    Handle m_handle = Handle::None;
    int m_replyWaitMs = kDefaultReplyWaitMs;
    TestSetWireStats m_stats;
    std::string m_lastOpenError;
    std::string m_lastWriteError;
    std::string m_portName;  ///< the device name of the last open ("COM2")
    /// Nothing of the program's work on the codes sent so far is still to come (its reply
    /// and the poll after it were seen, or no code is outstanding).
    bool m_programSettled = true;
    std::int64_t m_lastCodeMs = 0;  ///< when the last code went out (the port's clock)
};
