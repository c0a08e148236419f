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
    virtual bool IsOpen() const = 0;
    /// Writes the bytes, waiting at most the write time-out; returns how many were written.
    virtual std::size_t Write(const std::string& bytes) = 0;
    /// Reads up to n bytes: returns when n bytes have arrived, when interByteMs pass between
    /// two received bytes, or when totalMs have passed in all, whichever comes first.
    virtual std::string Read(std::size_t n, int interByteMs, int totalMs) = 0;
    /// Discards everything received and not yet read.
    virtual void PurgeInput() = 0;
    virtual void Close() = 0;
    /// Milliseconds on the clock that the reads wait by (monotonic).
    virtual std::int64_t NowMs() = 0;
};

/// The test-set port over POSIX termios.
class CTermiosTestSetPort : public ITestSetPort {
public:
    static constexpr int kBaud = 19200;
    /// Write time-out: 1000 ms plus 500 ms for every byte.
    static constexpr int kWriteTotalConstantMs = 1000;
    static constexpr int kWriteTotalPerByteMs = 500;

    CTermiosTestSetPort() = default;
    ~CTermiosTestSetPort() override;
    CTermiosTestSetPort(const CTermiosTestSetPort&) = delete;
    CTermiosTestSetPort& operator=(const CTermiosTestSetPort&) = delete;

    int Open(const std::string& device, int& error) override;
    bool IsOpen() const override { return m_fd >= 0; }
    std::size_t Write(const std::string& bytes) override;
    std::string Read(std::size_t n, int interByteMs, int totalMs) override;
    void PurgeInput() override;
    void Close() override;
    std::int64_t NowMs() override;

private:
    int m_fd = -1;
};

/// Makes the port the link uses (a fresh one per link).
std::unique_ptr<ITestSetPort> MakeTermiosTestSetPort();
