#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// One instrument line: a pseudo-terminal whose slave side the tuner opens, with a thread
/// that reads what the tuner sends and writes the instrument's output paced at the baud rate
/// (10 bits a byte, absolute deadlines). Optionally honours XON/XOFF from the tuner.
class CPtyLine {
public:
    /// The instrument behind the line; all calls come from the line's thread.
    class IDevice {
    public:
        virtual ~IDevice() = default;
        virtual void OnInput(const std::uint8_t* data, std::size_t size, std::int64_t nowMs) = 0;
        /// Next time OnTime wants to run (-1: none).
        virtual std::int64_t NextEventMs() = 0;
        virtual void OnTime(std::int64_t nowMs) = 0;
    };

    CPtyLine(int baud, bool xonXoff, bool paced);
    ~CPtyLine();
    CPtyLine(const CPtyLine&) = delete;
    CPtyLine& operator=(const CPtyLine&) = delete;

    /// Bytes sent while the tuner has the line closed are lost, as on a real serial line
    /// (and what waits unread when it closes is dropped). Set before Open.
    void SetLoseWhileClosed(bool lose) { m_loseWhileClosed = lose; }
    /// The line sees the tuner open and close it (false when the system cannot tell).
    bool TracksOpens() const { return m_inotify >= 0; }
    /// Everything the tuner sent has been read and handed to the device.
    bool InputIdle() const;
    /// Bytes from the tuner handed to the device so far (XON and XOFF not counted).
    std::uint64_t BytesReceived() const { return m_bytesIn; }
    /// Holds the tuner's output with XOFF, as an instrument whose input is full: XOFF goes
    /// out at once, again whenever the tuner opens the line and every kHoldRepeatMs while it
    /// has it open; releasing sends XON in the same way. Call after Open.
    void SetHoldTuner(bool hold);
    static constexpr int kHoldRepeatMs = 200;

    /// Opens the pty (and the symlink when link is not empty); false with a reason.
    bool Open(const std::string& link, std::string& error);
    void Start(IDevice* device);
    void Stop();

    /// Queues bytes for the tuner, sent not before the given time.
    void Send(const std::vector<std::uint8_t>& bytes, std::int64_t notBeforeMs);
    void Send(const std::string& text, std::int64_t notBeforeMs);
    /// Bytes waiting in the tuner's input queue, and discarding them (nobody listening).
    int PendingToTuner() const;
    void DiscardPendingToTuner();

    /// The device to open: the symlink's absolute path when given, else the pty slave.
    std::string Device() const;
    const std::string& SlavePath() const { return m_slavePath; }
    /// Wire time of one byte in milliseconds (0 when not paced).
    double ByteMs() const { return m_paced ? 10000.0 / m_baud : 0.0; }

    static std::int64_t NowMs();

private:
    void Run();
    /// Reads the open and close notices of the slave; true when the tuner has it open.
    void TrackOpens();

    int m_baud;
    bool m_xonXoff;
    bool m_paced;
    int m_master = -1;
    int m_keeper = -1;
    std::string m_slavePath;
    std::string m_link;
    IDevice* m_device = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    bool m_xoff = false;
    bool m_loseWhileClosed = false;
    int m_inotify = -1;
    int m_tunerOpens = 0;  ///< opens of the slave by others than the bench
    std::atomic<bool> m_reading{false};
    std::atomic<std::uint64_t> m_bytesIn{0};
    std::atomic<bool> m_hold{false};
    std::atomic<bool> m_everHeld{false};
    std::int64_t m_lastFlowMs = 0;  ///< when the line last sent XOFF or XON (its thread)

    struct Chunk {
        std::vector<std::uint8_t> bytes;
        std::int64_t notBeforeMs;
    };
    std::mutex m_mutex;
    std::deque<Chunk> m_out;
};
