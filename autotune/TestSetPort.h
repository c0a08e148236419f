#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

/// The serial port under the test-set link: opened and closed for every exchange, written
/// synchronously and read in fixed byte counts with an inter-byte and a total time-out.
/// The termios implementation below talks to a real device; tests may put a fake in its place.
class ITestSetPort {
public:
    /// Results of Open, as the link reports them.
    enum OpenResult { kOpened = 0, kOpenFailed = 1, kGetStateFailed = 2, kSetStateFailed = 3 };

    virtual ~ITestSetPort() = default;

    /// Opens the device and sets 19200 baud, 8 data bits, no parity, 1 stop bit and XON/XOFF
    /// in both directions. On a result other than kOpened, error holds the errno value; after
    /// kGetStateFailed or kSetStateFailed the port stays open.
    virtual int Open(const std::string& device, int& error) = 0;
    /// What the device of the last failed Open is when it exists but is no serial line ("a
    /// regular file", "a folder"); empty otherwise.
    virtual std::string OpenRefusal() const { return {}; }
    virtual bool IsOpen() const = 0;
    /// Writes the bytes and waits until they have left, at most the write bound; returns how
    /// many left. Bytes still held at the bound (flow control) are discarded, not sent later.
    virtual std::size_t Write(const std::string& bytes) = 0;
    /// Reads up to n bytes: returns when n bytes have arrived, when interByteMs pass between
    /// two received bytes, or when totalMs have passed in all, whichever comes first.
    virtual std::string Read(std::size_t n, int interByteMs, int totalMs) = 0;
    /// Discards everything received and not yet read.
    virtual void PurgeInput() = 0;
    /// Closes the port at once: output still held is discarded, never waited for.
    virtual void Close() = 0;
    /// Milliseconds on the clock that the reads wait by (monotonic).
    virtual std::int64_t NowMs() = 0;
};

/// The test-set port over POSIX termios.
class CTermiosTestSetPort : public ITestSetPort {
public:
    static constexpr int kBaud = 19200;
    /// A write gives up when its bytes have not left this long after their own wire time
    /// (a test set that holds XOFF and never sends XON).
    static constexpr int kWriteSlackMs = 2000;
    /// The write bound of n bytes: their wire time at 19200 baud plus the slack.
    static int WriteBoundMs(std::size_t n);

    CTermiosTestSetPort() = default;
    ~CTermiosTestSetPort() override;
    CTermiosTestSetPort(const CTermiosTestSetPort&) = delete;
    CTermiosTestSetPort& operator=(const CTermiosTestSetPort&) = delete;

    int Open(const std::string& device, int& error) override;
    std::string OpenRefusal() const override { return m_refusal; }
    bool IsOpen() const override { return m_fd >= 0; }
    std::size_t Write(const std::string& bytes) override;
    std::string Read(std::size_t n, int interByteMs, int totalMs) override;
    void PurgeInput() override;
    void Close() override;
    std::int64_t NowMs() override;

private:
    int m_fd = -1;
    std::string m_refusal;
};

/// Makes the port the link uses (a fresh one per link).
std::unique_ptr<ITestSetPort> MakeTermiosTestSetPort();
