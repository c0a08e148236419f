#include "autotune/TestSetPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int Remaining(std::int64_t deadline) {
    const std::int64_t left = deadline - SteadyMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

/// What a file that is no character device is, in words.
const char* Kind(mode_t mode) {
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe)";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISBLK(mode))
        return "a block device";
    return "not a device";
}

}  // namespace

CTermiosTestSetPort::~CTermiosTestSetPort() {
    Close();
}

int CTermiosTestSetPort::WriteBoundMs(std::size_t n) {
    const std::size_t wireMs = (n * 10 * 1000 + kBaud - 1) / kBaud;  // 10 bits a byte
    return kWriteSlackMs + static_cast<int>(wireMs);
}

int CTermiosTestSetPort::Open(const std::string& device, int& error) {
    Close();
    error = 0;
    m_refusal.clear();
    // Only a terminal is a serial line: a file, folder, FIFO or socket is refused before
    // anything could be written into it (a link to a terminal is followed).
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) {
        error = errno;
        return kOpenFailed;
    }
    if (!S_ISCHR(st.st_mode)) {
        m_refusal = Kind(st.st_mode);
        error = ENOTTY;
        return kOpenFailed;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return kOpenFailed;
    }
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(fd)) {
        m_refusal = S_ISCHR(st.st_mode) ? "a character device but no terminal" : Kind(st.st_mode);
        ::close(fd);
        error = ENOTTY;
        return kOpenFailed;
    }
    m_fd = fd;
    // Nobody else may open the port while an exchange holds it (cleared again at close).
    ::ioctl(fd, TIOCEXCL);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        error = errno;
        return kGetStateFailed;
    }
    // A Linux tty starts in line mode; the instrument's text must pass unchanged.
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag |= IXON | IXOFF;
    tio.c_iflag &= ~IXANY;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = errno;
        return kSetStateFailed;
    }
    // A port starts empty: what the line brought while nobody had it open is not kept.
    ::tcflush(fd, TCIFLUSH);
    return kOpened;
}

std::size_t CTermiosTestSetPort::Write(const std::string& bytes) {
    if (m_fd < 0)
        return 0;
    const std::int64_t deadline = SteadyMs() + WriteBoundMs(bytes.size());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            break;
        const int left = Remaining(deadline);
        if (left == 0)
            break;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, left) < 0 && errno != EINTR)
            break;
    }
    // A synchronous write returns once the bytes have left (XOFF may hold them back). What
    // is still held at the bound has not been sent and never will be: it would arrive later,
    // in the middle of whatever comes next.
    int queued = 0;
    while (::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Remaining(deadline) > 0)
        ::usleep(1000);
    if (queued > 0) {
        ::tcflush(m_fd, TCOFLUSH);
        done -= std::min(done, static_cast<std::size_t>(queued));
    }
    return done;
}

std::string CTermiosTestSetPort::Read(std::size_t n, int interByteMs, int totalMs) {
    std::string out;
    if (m_fd < 0 || n == 0)
        return out;
    const std::int64_t deadline = SteadyMs() + totalMs;
    while (out.size() < n) {
        char buf[256];
        const std::size_t want = std::min(sizeof buf, n - out.size());
        const ssize_t got = ::read(m_fd, buf, want);
        if (got > 0) {
            out.append(buf, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            break;
        int wait = Remaining(deadline);
        if (!out.empty() && wait > interByteMs)
            wait = interByteMs;
        if (wait == 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            break;
        if (r == 0)
            break;
        if (r > 0 && !(p.revents & POLLIN) && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            break;
    }
    return out;
}

void CTermiosTestSetPort::PurgeInput() {
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
}

void CTermiosTestSetPort::Close() {
    if (m_fd >= 0) {
        // Input not read is gone with the port. Output still held by XOFF is dropped, so
        // that the close does not wait for an XON that may never come (only then: on a
        // pseudo-terminal a flush would also drop what was written but not yet read).
        ::tcflush(m_fd, TCIFLUSH);
        int queued = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0)
            ::tcflush(m_fd, TCOFLUSH);
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
}

std::int64_t CTermiosTestSetPort::NowMs() {
    return SteadyMs();
}

std::unique_ptr<ITestSetPort> MakeTermiosTestSetPort() {
    return std::make_unique<CTermiosTestSetPort>();
}
