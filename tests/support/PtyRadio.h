#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

/// A radio at the far end of a pseudo-terminal, for tests and benchmarks of the serial
/// component. It reads request frames in the serial wire format (0xA5, LEN_HI, LEN_LO,
/// payload, CHK), records them and answers with whatever bytes the handler returns; by default
/// the opcode echoed with status 00. Answers can be paced to a baud rate.
class CPtyRadio {
public:
    using Bytes = std::vector<std::uint8_t>;
    /// Gets the request frame (length bytes and payload) and returns the raw bytes to send
    /// back, sync and checksum included (use Wire to build a well-formed one).
    using Handler = std::function<Bytes(const Bytes& frame)>;

    CPtyRadio() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slavePath = ::ptsname(m_master);
        // Holding the slave open keeps the master from seeing hang-ups between the
        // component's opens; it is made raw at once so nothing is ever echoed.
        m_keeper = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_keeper < 0)
            throw std::runtime_error("cannot open " + m_slavePath);
        termios tio{};
        ::tcgetattr(m_keeper, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_keeper, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_thread = std::thread([this] { Run(); });
    }
    ~CPtyRadio() {
        m_stop = true;
        m_thread.join();
        ::close(m_keeper);
        HangUp();
    }
    CPtyRadio(const CPtyRadio&) = delete;
    CPtyRadio& operator=(const CPtyRadio&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    void SetHandler(Handler handler) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handler = std::move(handler);
    }
    /// Time per byte on the wire; zero sends at once. With pacing, the radio also waits the
    /// wire time of the request before it answers, as if the request had come at that rate.
    void SetByteTime(std::chrono::nanoseconds perByte) { m_byteTimeNs = perByte.count(); }

    /// Request frames received with a good checksum, in order.
    std::vector<Bytes> Requests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    /// Bytes received that did not form a good request.
    int BadBytes() const { return m_badBytes; }

    /// Writes raw bytes towards the component now (stale input, noise).
    void Inject(const Bytes& bytes) { WritePaced(bytes, 0); }

    /// Closes the master side, as when the radio's adapter is unplugged: the component's end
    /// of the line hangs up. Call it from a handler (the radio's own thread).
    void HangUp() {
        const int fd = m_master.exchange(-1);
        if (fd >= 0)
            ::close(fd);
    }

    static std::uint8_t Checksum(const Bytes& frame) {
        std::uint8_t sum = 0;
        for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
        return static_cast<std::uint8_t>(0x100 - sum);
    }
    /// The wire form of a frame: sync, frame, checksum.
    static Bytes Wire(const Bytes& frame) {
        Bytes wire{0xA5};
        wire.insert(wire.end(), frame.begin(), frame.end());
        wire.push_back(Checksum(frame));
        return wire;
    }
    /// The frame (length bytes first) of a payload.
    static Bytes Frame(const Bytes& payload) {
        Bytes frame{static_cast<std::uint8_t>(payload.size() >> 8),
                    static_cast<std::uint8_t>(payload.size() & 0xFF)};
        frame.insert(frame.end(), payload.begin(), payload.end());
        return frame;
    }
    /// The default answer: the request's opcode and status 00.
    static Bytes EchoReply(const Bytes& frame) {
        Bytes payload;
        if (frame.size() >= 4)
            payload = {frame[2], frame[3]};
        payload.push_back(0x00);
        return Wire(Frame(payload));
    }

private:
    void WritePaced(const Bytes& bytes, long long perByteNs) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < bytes.size();) {
            if (perByteNs > 0) {
                // A byte is there once its last bit has been on the wire.
                std::this_thread::sleep_until(start +
                                              std::chrono::nanoseconds(perByteNs * (i + 1)));
            }
            const std::size_t chunk = perByteNs > 0 ? 1 : bytes.size() - i;
            if (m_master < 0)
                return;  // hung up
            const ssize_t n = ::write(m_master, bytes.data() + i, chunk);
            if (n > 0) {
                i += static_cast<std::size_t>(n);
            } else if (m_stop) {
                return;
            } else {
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    }

    void Handle(const Bytes& frame) {
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(frame);
            handler = m_handler;
        }
        const long long perByte = m_byteTimeNs;
        if (perByte > 0) {
            // The request's own bytes would still have been arriving at this rate.
            std::this_thread::sleep_for(std::chrono::nanoseconds(perByte * (frame.size() + 2)));
        }
        const Bytes answer = handler ? handler(frame) : EchoReply(frame);
        WritePaced(answer, perByte);
    }

    void Run() {
        Bytes buffer;
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
                continue;
            std::uint8_t chunk[512];
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0)
                continue;
            buffer.insert(buffer.end(), chunk, chunk + n);
            for (;;) {
                while (!buffer.empty() && buffer[0] != 0xA5) {
                    buffer.erase(buffer.begin());
                    ++m_badBytes;
                }
                if (buffer.size() < 3)
                    break;
                const std::size_t len = (std::size_t(buffer[1]) << 8) | buffer[2];
                if (buffer.size() < len + 4)
                    break;
                Bytes frame(buffer.begin() + 1, buffer.begin() + 3 + len);
                const bool good = Checksum(frame) == buffer[3 + len];
                buffer.erase(buffer.begin(), buffer.begin() + 4 + len);
                if (good) {
                    Handle(frame);
                } else {
                    m_badBytes += static_cast<int>(len + 4);
                }
            }
        }
    }

    std::atomic<int> m_master{-1};
    int m_keeper = -1;
    std::string m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_byteTimeNs{0};
    std::atomic<int> m_badBytes{0};
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<Bytes> m_requests;
};
