#include "SerialRadioComm.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

speed_t BaudConstant(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B9600;
    }
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

/// Devices whose last exchange was abandoned while its reply may still be on the way, with
/// the moment it was given up. Shared by every component of the process, because the
/// transport releases a component when an exchange fails and the next one opens the port anew.
class CAbandonedExchanges {
public:
    /// The device's exchange was given up; what is left of its reply may come within windowMs.
    void Mark(const std::string& device, int windowMs) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_until[device] = Clock::now() + std::chrono::milliseconds(windowMs);
    }
    /// Takes the mark of a device: true, with the end of its window, when there was one.
    bool Take(const std::string& device, Clock::time_point& until) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_until.find(device);
        if (it == m_until.end())
            return false;
        until = it->second;
        m_until.erase(it);
        return true;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, Clock::time_point> m_until;
};

CAbandonedExchanges& Abandoned() {
    static CAbandonedExchanges abandoned;
    return abandoned;
}

/// How reading a frame ended.
enum class ReadResult { Complete, Nothing, Partial, HangUp, Error };

/// Reads one frame into rx, never past its end. The first byte may come until the deadline;
/// once the frame has started each byte must follow within gapMs of the one before.
ReadResult ReadFrame(int fd, CFrameReceiver& rx, Clock::time_point deadline, int gapMs,
                     std::uint64_t& received, int& error) {
    std::uint8_t buf[1024];
    bool hungUp = false;
    while (!rx.Done()) {
        const ssize_t n = ::read(fd, buf, std::min(rx.Wanted(), sizeof buf));
        if (n > 0) {
            received += static_cast<std::uint64_t>(n);
            rx.Feed(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EIO)
            return ReadResult::HangUp;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            error = errno;
            return ReadResult::Error;
        }
        // A line that reported a hang-up and has nothing left to read is gone for good.
        if (hungUp)
            return ReadResult::HangUp;
        int wait = MillisecondsLeft(deadline);
        if (rx.Started() && wait > gapMs)
            wait = gapMs;
        if (wait == 0)
            return rx.Started() ? ReadResult::Partial : ReadResult::Nothing;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) {
            error = errno;
            return ReadResult::Error;
        }
        if (r == 0)
            return rx.Started() ? ReadResult::Partial : ReadResult::Nothing;
        if (r > 0 && (p.revents & POLLNVAL)) {
            error = EBADF;
            return ReadResult::Error;
        }
        // The next read tells whether data is still waiting before the hang-up.
        if (r > 0 && (p.revents & (POLLHUP | POLLERR)))
            hungUp = true;
    }
    return ReadResult::Complete;
}

/// Writes all bytes before the deadline; false with errno set (ETIMEDOUT when it ran out).
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd p{fd, POLLOUT, 0};
        const int left = MillisecondsLeft(deadline);
        if (left == 0) {
            errno = ETIMEDOUT;
            return false;
        }
        const int r = ::poll(&p, 1, left);
        if (r < 0 && errno != EINTR)
            return false;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLOUT)) {
            errno = EIO;
            return false;
        }
    }
    return true;
}

/// Reads and discards what still arrives of an abandoned reply: until the end of its window,
/// and on while bytes keep coming, never longer than kMaxDrainMs.
std::uint64_t DrainLateReply(int fd, Clock::time_point windowEnd) {
    using std::chrono::milliseconds;
    const auto hardStop = Clock::now() + milliseconds(CSerialRadioComm::kMaxDrainMs);
    auto until = std::min(windowEnd, hardStop);
    std::uint64_t drained = 0;
    std::uint8_t buf[512];
    for (;;) {
        const int wait = MillisecondsLeft(until);
        if (wait == 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || !(p.revents & POLLIN))
            break;  // quiet until the end, or the line is gone (the request will say so)
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        drained += static_cast<std::uint64_t>(n);
        until = std::min(
            std::max(until, Clock::now() + milliseconds(CSerialRadioComm::kInterByteTimeoutMs)),
            hardStop);
    }
    return drained;
}

/// Whether a reply frame answers the request frame: replies carry the request's opcode
/// first. A reply too short to carry one cannot be told apart and is taken.
bool AnswersRequest(const std::vector<std::uint8_t>& replyFrame, const std::uint8_t* request,
                    std::int32_t requestLen) {
    if (replyFrame.size() < 4 || requestLen < 4)
        return true;
    return replyFrame[2] == request[2] && replyFrame[3] == request[3];
}

}  // namespace

CSerialRadioComm::CSerialRadioComm(CPortMap portMap, int baud)
    : m_portMap(std::move(portMap)), m_baud(baud) {}

CSerialRadioComm::~CSerialRadioComm() {
    Close();
}

int CSerialRadioComm::ComNumberFromMask(std::uint32_t portMask) {
    // COM9 and above travel as their number in the high bits, COM1 to COM8 as one bit each.
    if ((portMask >> 20) != 0)
        return static_cast<int>(portMask >> 20);
    for (int n = 1; n <= 8; ++n) {
        if (portMask & (0x1000u << (n - 1)))
            return n;
    }
    return 0;
}

std::uint8_t CSerialRadioComm::Checksum(const std::uint8_t* bytes, std::size_t count) {
    return CFrameReceiver::Checksum(bytes, count);
}

HRESULT CSerialRadioComm::Fail(HRESULT hr, std::string reason) {
    m_failureReason = std::move(reason);
    return hr;
}

HRESULT CSerialRadioComm::Open(std::int32_t mode, std::uint32_t portMask, const char* device) {
    Close();
    m_failureReason.clear();

    std::string label;  // how the technician knows the port
    std::string path;
    if (mode == RADIOCOMM_MODE_SERIAL) {
        const int n = ComNumberFromMask(portMask);
        label = "COM" + std::to_string(n);
        path = n > 0 ? m_portMap.DeviceForCom(n) : std::string();
        if (path.empty()) {
            return Fail(E_RADIO_PORT,
                        "There is no serial device for the radio port " + label +
                            ". Connect the radio's cable, or map the port to a device in the "
                            "settings group \"Ports\" (for example " +
                            label + "=/dev/ttyUSB0).");
        }
    } else if (mode == RADIOCOMM_MODE_DEVICE) {
        label = device != nullptr ? device : "";
        path = m_portMap.Resolve(label);
        if (path.empty()) {
            return Fail(E_RADIO_PORT,
                        label.empty() ? std::string("No radio port was chosen.")
                                      : "There is no serial device for the radio port " + label +
                                            ". Map the port to a device in the settings "
                                            "group \"Ports\" (for example " +
                                            label + "=/dev/ttyUSB0).");
        }
    } else {
        return E_FAIL;
    }

    const std::string where = label == path ? label : label + " (" + path + ")";
    auto fail = [&](const std::string& what, int err) {
        std::string text = what + " " + where + ": " + std::strerror(err) + ".";
        if (err == EACCES || err == EPERM) {
            text +=
                " Your user needs to be in the dialout group: sudo usermod -aG dialout $USER, "
                "then log in again.";
        }
        return Fail(E_RADIO_PORT, text);
    };

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail("Cannot open the radio port", errno);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return fail("Cannot use the radio port", err);
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, BaudConstant(m_baud));
    ::cfsetospeed(&tio, BaudConstant(m_baud));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return fail("Cannot set up the radio port", err);
    }
    m_fd = fd;
    m_devicePath = path;
    m_where = where;
    return S_OK;
}

HRESULT CSerialRadioComm::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return S_OK;
}

HRESULT CSerialRadioComm::Transact(const std::uint8_t* request, std::int32_t requestLen,
                                   std::int32_t timeoutMs, std::uint8_t* reply,
                                   std::int32_t* replyLen) {
    m_failureReason.clear();
    if (replyLen == nullptr)
        return E_FAIL;
    const std::int32_t capacity = *replyLen;
    *replyLen = 0;
    if (m_fd < 0)
        return E_RADIO_PORT;
    // The request is a radio frame: two length bytes that count the payload after them.
    if (request == nullptr || reply == nullptr || requestLen < 2 || requestLen - 2 > kMaxPayload ||
        ((request[0] << 8) | request[1]) != requestLen - 2) {
        return E_FAIL;
    }
    ++m_stats.transactions;

    const int totalMs = timeoutMs < 0 ? kShortTimeoutMs : timeoutMs;
    const std::string hungUpText = "The radio port " + m_where +
                                   " hung up: the other end of the line is gone (the cable or "
                                   "adapter was unplugged, or the line was closed).";

    // Whatever an earlier reply left behind is not an answer to this request, nor is the rest
    // of a reply that was given up on.
    ::tcflush(m_fd, TCIFLUSH);
    Clock::time_point windowEnd;
    if (Abandoned().Take(m_devicePath, windowEnd))
        m_stats.bytesReceived += DrainLateReply(m_fd, windowEnd);

    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    std::vector<std::uint8_t> wire;
    wire.reserve(static_cast<std::size_t>(requestLen) + 2);
    wire.push_back(kSync);
    wire.insert(wire.end(), request, request + requestLen);
    wire.push_back(Checksum(request, static_cast<std::size_t>(requestLen)));
    if (!WriteAll(m_fd, wire.data(), wire.size(), deadline)) {
        const int err = errno;
        if (err == EIO)
            return Fail(E_RADIO_HANGUP, hungUpText);
        if (err == ETIMEDOUT)
            return E_RADIO_TIMEOUT;
        return Fail(E_RADIO_PORT, "Writing to the radio port " + m_where +
                                      " failed: " + std::strerror(err) + ".");
    }
    m_stats.bytesSent += wire.size();

    CFrameReceiver rx(capacity > 0 ? static_cast<std::size_t>(capacity) : 0);
    for (;;) {
        rx.Reset();
        int error = 0;
        const ReadResult r =
            ReadFrame(m_fd, rx, deadline, kInterByteTimeoutMs, m_stats.bytesReceived, error);
        switch (r) {
            case ReadResult::Complete:
                break;
            case ReadResult::HangUp:
                return Fail(E_RADIO_HANGUP, hungUpText);
            case ReadResult::Error:
                return Fail(E_RADIO_PORT, "Reading from the radio port " + m_where +
                                              " failed: " + std::strerror(error) + ".");
            case ReadResult::Nothing:
                Abandoned().Mark(m_devicePath, kLateReplyMs);  // the answer may still come
                return E_RADIO_TIMEOUT;
            case ReadResult::Partial:
                Abandoned().Mark(m_devicePath, kInterByteTimeoutMs);
                return E_RADIO_BADFRAME;
        }
        if (rx.GetState() == CFrameReceiver::State::Failed) {
            // The rest of a frame that went wrong before its end may still be coming.
            if (rx.GetError() != CFrameReceiver::Error::BadChecksum)
                Abandoned().Mark(m_devicePath, kInterByteTimeoutMs);
            return E_RADIO_BADFRAME;
        }
        if (AnswersRequest(rx.Frame(), request, requestLen))
            break;
        ++m_staleReplies;  // a late answer to an earlier request
    }

    const std::vector<std::uint8_t>& frame = rx.Frame();
    std::memcpy(reply, frame.data(), frame.size());
    *replyLen = static_cast<std::int32_t>(frame.size());
    return S_OK;
}

RadioCommFactory MakeSerialRadioCommFactory(IHost& /*host*/, CPortMap portMap, int baud) {
    return [portMap = std::move(portMap), baud](std::unique_ptr<IRadioComm>& out) {
        out = std::make_unique<CSerialRadioComm>(portMap, baud);
        return S_OK;
    };
}
