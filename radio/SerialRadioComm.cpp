#include "SerialRadioComm.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Host.h"

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

/// Outcome of reading a fixed number of bytes.
enum class ReadResult { Complete, Nothing, Partial, Error };

}  // namespace

CSerialRadioComm::CSerialRadioComm(IHost& host, CPortMap portMap, int baud)
    : m_host(host), m_portMap(std::move(portMap)), m_baud(baud) {}

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
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(0x100 - sum);
}

HRESULT CSerialRadioComm::Open(std::int32_t mode, std::uint32_t portMask, const char* device) {
    Close();

    std::string label;  // how the technician knows the port
    std::string path;
    if (mode == RADIOCOMM_MODE_SERIAL) {
        const int n = ComNumberFromMask(portMask);
        label = "COM" + std::to_string(n);
        path = n > 0 ? m_portMap.DeviceForCom(n) : std::string();
        if (path.empty()) {
            m_host.ShowMessage("There is no serial device for the radio port " + label +
                                   ". Connect the radio's cable, or map the port to a device in "
                                   "the settings group \"Ports\" (for example " +
                                   label + "=/dev/ttyUSB0).",
                               MsgIcon::Stop, MsgButtons::Ok);
            return E_RADIO_PORT;
        }
    } else if (mode == RADIOCOMM_MODE_DEVICE) {
        label = device != nullptr ? device : "";
        path = m_portMap.Resolve(label);
        if (path.empty()) {
            m_host.ShowMessage(label.empty()
                                   ? std::string("No radio port was chosen.")
                                   : "There is no serial device for the radio port " + label +
                                         ". Map the port to a device in the settings "
                                         "group \"Ports\" (for example " +
                                         label + "=/dev/ttyUSB0).",
                               MsgIcon::Stop, MsgButtons::Ok);
            return E_RADIO_PORT;
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
        m_host.ShowMessage(text, MsgIcon::Stop, MsgButtons::Ok);
        return E_RADIO_PORT;
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
    return S_OK;
}

HRESULT CSerialRadioComm::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return S_OK;
}

namespace {

/// Writes all bytes before the deadline.
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
        if (left == 0)
            return false;
        if (::poll(&p, 1, left) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

/// Reads exactly size bytes. The first waits until firstDeadline; each later byte must follow
/// within gapMs of the one before, and never after the overall deadline.
ReadResult ReadExactly(int fd, std::uint8_t* data, std::size_t size, bool started,
                       Clock::time_point deadline, int gapMs, std::uint64_t& received) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            received += static_cast<std::uint64_t>(n);
            started = true;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return ReadResult::Error;
        }
        int wait = MillisecondsLeft(deadline);
        if (started && wait > gapMs)
            wait = gapMs;
        if (wait == 0)
            return started ? ReadResult::Partial : ReadResult::Nothing;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            return ReadResult::Error;
        if (r == 0)
            return started ? ReadResult::Partial : ReadResult::Nothing;
        // A hang-up without data (the other end went away) ends the reply.
        if (r > 0 && !(p.revents & POLLIN) && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            return started ? ReadResult::Partial : ReadResult::Error;
        }
    }
    return ReadResult::Complete;
}

HRESULT StatusOf(ReadResult r) {
    switch (r) {
        case ReadResult::Complete:
            return S_OK;
        case ReadResult::Nothing:
            return E_RADIO_TIMEOUT;
        case ReadResult::Partial:
            return E_RADIO_BADFRAME;
        default:
            return E_RADIO_PORT;
    }
}

}  // namespace

HRESULT CSerialRadioComm::Transact(const std::uint8_t* request, std::int32_t requestLen,
                                   std::int32_t timeoutMs, std::uint8_t* reply,
                                   std::int32_t* replyLen) {
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
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);

    ::tcflush(m_fd, TCIFLUSH);  // whatever an earlier, abandoned reply left behind

    std::vector<std::uint8_t> wire;
    wire.reserve(static_cast<std::size_t>(requestLen) + 2);
    wire.push_back(kSync);
    wire.insert(wire.end(), request, request + requestLen);
    wire.push_back(Checksum(request, static_cast<std::size_t>(requestLen)));
    if (!WriteAll(m_fd, wire.data(), wire.size(), deadline))
        return E_RADIO_PORT;
    m_stats.bytesSent += wire.size();

    // The sync byte first, so that noise is refused at once rather than after a gap.
    std::uint8_t header[3] = {};
    ReadResult r =
        ReadExactly(m_fd, header, 1, false, deadline, kInterByteTimeoutMs, m_stats.bytesReceived);
    if (r != ReadResult::Complete)
        return StatusOf(r);
    if (header[0] != kSync)
        return E_RADIO_BADFRAME;
    r = ReadExactly(m_fd, header + 1, 2, true, deadline, kInterByteTimeoutMs,
                    m_stats.bytesReceived);
    if (r != ReadResult::Complete)
        return r == ReadResult::Error ? E_RADIO_PORT : E_RADIO_BADFRAME;
    const int length = (header[1] << 8) | header[2];
    if (length > kMaxPayload || length + 2 > capacity)
        return E_RADIO_BADFRAME;

    std::vector<std::uint8_t> frame(static_cast<std::size_t>(length) + 3);
    frame[0] = header[1];
    frame[1] = header[2];
    r = ReadExactly(m_fd, frame.data() + 2, static_cast<std::size_t>(length) + 1, true, deadline,
                    kInterByteTimeoutMs, m_stats.bytesReceived);
    if (r != ReadResult::Complete)
        return r == ReadResult::Error ? E_RADIO_PORT : E_RADIO_BADFRAME;

    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
    if (sum != 0)
        return E_RADIO_BADFRAME;

    std::memcpy(reply, frame.data(), static_cast<std::size_t>(length) + 2);
    *replyLen = length + 2;
    return S_OK;
}

RadioCommFactory MakeSerialRadioCommFactory(IHost& host, CPortMap portMap, int baud) {
    IHost* h = &host;
    return [h, portMap = std::move(portMap), baud](std::unique_ptr<IRadioComm>& out) {
        out = std::make_unique<CSerialRadioComm>(*h, portMap, baud);
        return S_OK;
    };
}
