#include "PtyLine.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

double NowMsExact() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::int64_t CPtyLine::NowMs() {
    return static_cast<std::int64_t>(NowMsExact());
}

CPtyLine::CPtyLine(int baud, bool xonXoff, bool paced)
    : m_baud(baud > 0 ? baud : 9600), m_xonXoff(xonXoff), m_paced(paced) {}

CPtyLine::~CPtyLine() {
    Stop();
    if (!m_link.empty()) {
        std::error_code ec;
        if (fs::is_symlink(m_link, ec) && fs::read_symlink(m_link, ec) == m_slavePath)
            fs::remove(m_link, ec);
    }
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_keeper >= 0)
        ::close(m_keeper);
    if (m_master >= 0)
        ::close(m_master);
}

bool CPtyLine::Open(const std::string& link, std::string& error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    // A slave kept open here means the master never sees a hang-up when the tuner closes.
    m_keeper = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_keeper < 0) {
        error = "cannot open " + m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    termios tio{};
    ::tcgetattr(m_keeper, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_keeper, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    if (m_loseWhileClosed) {
        // The slave's open and close notices tell when the tuner holds the line; without
        // them the line keeps what it sends, as before.
        m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_inotify >= 0 &&
            ::inotify_add_watch(m_inotify, m_slavePath.c_str(), IN_OPEN | IN_CLOSE) < 0) {
            ::close(m_inotify);
            m_inotify = -1;
        }
    }

    if (!link.empty()) {
        std::error_code ec;
        const fs::path abs = fs::absolute(link, ec);
        if (ec) {
            error = "bad path " + link;
            return false;
        }
        if (fs::is_symlink(abs, ec)) {
            fs::remove(abs, ec);
        } else if (fs::exists(abs, ec)) {
            error = abs.string() + " exists and is not a symbolic link; not replacing it";
            return false;
        }
        fs::create_symlink(m_slavePath, abs, ec);
        if (ec) {
            error = "cannot create the link " + abs.string() + ": " + ec.message();
            return false;
        }
        m_link = abs.string();
    }
    return true;
}

std::string CPtyLine::Device() const {
    return m_link.empty() ? m_slavePath : m_link;
}

void CPtyLine::Start(IDevice* device) {
    m_device = device;
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
}

void CPtyLine::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void CPtyLine::Send(const std::vector<std::uint8_t>& bytes, std::int64_t notBeforeMs) {
    if (bytes.empty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_out.push_back({bytes, notBeforeMs});
}

void CPtyLine::Send(const std::string& text, std::int64_t notBeforeMs) {
    Send(std::vector<std::uint8_t>(text.begin(), text.end()), notBeforeMs);
}

void CPtyLine::SetHoldTuner(bool hold) {
    if (m_hold.exchange(hold) == hold || m_master < 0)
        return;
    m_everHeld = true;
    if (hold && m_keeper >= 0) {
        // The tuner's port honours XON/XOFF (it asks for it at every open); the terminal keeps
        // that setting between opens, so the hold takes effect before the tuner's first open.
        termios tio{};
        if (::tcgetattr(m_keeper, &tio) == 0) {
            tio.c_iflag |= IXON;
            tio.c_iflag &= ~IXANY;
            ::tcsetattr(m_keeper, TCSANOW, &tio);
        }
    }
    const std::uint8_t c = hold ? 0x13 : 0x11;
    (void)!::write(m_master, &c, 1);
    // The terminal acts on it a moment later, and a port opened meanwhile would flush it
    // unseen: wait until the slave side can (or cannot) write, as asked.
    for (int i = 0; i < 500 && m_keeper >= 0; ++i) {
        pollfd p{m_keeper, POLLOUT, 0};
        const bool writable = ::poll(&p, 1, 0) > 0 && (p.revents & POLLOUT);
        if (writable != hold)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int CPtyLine::PendingToTuner() const {
    int n = 0;
    if (m_keeper >= 0 && ::ioctl(m_keeper, FIONREAD, &n) == 0)
        return n;
    return 0;
}

void CPtyLine::DiscardPendingToTuner() {
    if (m_keeper >= 0)
        ::tcflush(m_keeper, TCIFLUSH);
}

bool CPtyLine::InputIdle() const {
    int n = 0;
    if (m_reading || (m_master >= 0 && ::ioctl(m_master, FIONREAD, &n) == 0 && n > 0))
        return false;
    return !m_reading;
}

void CPtyLine::TrackOpens() {
    if (m_inotify < 0)
        return;
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buf, sizeof buf);
        if (n <= 0)
            return;
        bool closedNow = false;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            if (e->mask & IN_OPEN) {
                ++m_tunerOpens;
                m_lastFlowMs = 0;  // a held (or released) line says so to the new open
            } else if (e->mask & IN_CLOSE) {
                m_tunerOpens = std::max(0, m_tunerOpens - 1);
                closedNow = closedNow || m_tunerOpens == 0;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
        // What the tuner had not read is gone with its port, even when it has opened the
        // port again since.
        if (closedNow)
            DiscardPendingToTuner();
    }
}

namespace {
/// How far a busy line may fall behind its byte clock before it counts as idle.
constexpr double kCatchUpMs = 5.0;
}  // namespace

void CPtyLine::Run() {
    const double byteMs = ByteMs();
    double lineFreeAt = 0;  // when the last byte written has fully gone out
    while (!m_stop) {
        TrackOpens();
        double now = NowMsExact();
        double wakeAt = now + 20;
        if (m_everHeld && (m_tunerOpens > 0 || m_inotify < 0) &&
            now - static_cast<double>(m_lastFlowMs) >= kHoldRepeatMs) {
            // Said again while the tuner has the line: a flow character that came just as
            // the tuner opened its port may have been flushed with the port's input.
            const std::uint8_t flow = m_hold ? 0x13 : 0x11;
            (void)!::write(m_master, &flow, 1);
            m_lastFlowMs = static_cast<std::int64_t>(now);
        }

        // Output: every byte whose wire time has come.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_inotify >= 0 && m_tunerOpens == 0) {
                // Nobody listens: the bytes go out on the wire and are lost.
                while (!m_out.empty() && m_out.front().notBeforeMs <= now) {
                    lineFreeAt = std::max(lineFreeAt, now);
                    m_out.pop_front();
                }
            }
            while (!m_out.empty() && !m_xoff) {
                Chunk& c = m_out.front();
                if (c.notBeforeMs > now) {
                    wakeAt = std::min(wakeAt, static_cast<double>(c.notBeforeMs));
                    break;
                }
                // A line that has been idle starts now; a busy one keeps its exact byte
                // clock, catching up on the few milliseconds a late wake-up costs.
                const double start = std::max({lineFreeAt, static_cast<double>(c.notBeforeMs),
                                               byteMs > 0 ? now - kCatchUpMs : now});
                std::size_t n = c.bytes.size();
                if (byteMs > 0) {
                    n = static_cast<std::size_t>(std::floor((now - start) / byteMs + 1e-6));
                    n = std::min(n, c.bytes.size());
                }
                if (n == 0) {
                    wakeAt = std::min(wakeAt, start + byteMs);
                    break;
                }
                const ssize_t w = ::write(m_master, c.bytes.data(), n);
                if (w <= 0) {
                    wakeAt = std::min(wakeAt, now + 5);
                    break;
                }
                lineFreeAt = byteMs > 0 ? start + byteMs * static_cast<double>(w) : now;
                c.bytes.erase(c.bytes.begin(), c.bytes.begin() + w);
                if (c.bytes.empty())
                    m_out.pop_front();
                else
                    c.notBeforeMs = 0;
            }
        }

        const std::int64_t next = m_device ? m_device->NextEventMs() : -1;
        if (next >= 0)
            wakeAt = std::min(wakeAt, static_cast<double>(next));
        double waitMs = wakeAt - NowMsExact();
        if (waitMs < 0)
            waitMs = 0;
        const timespec timeout{static_cast<time_t>(waitMs / 1000.0),
                               static_cast<long>(std::fmod(waitMs, 1000.0) * 1e6)};
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        const int r = ::ppoll(fds, m_inotify >= 0 ? 2 : 1, &timeout, nullptr);
        const pollfd& p = fds[0];
        if (r > 0 && (p.revents & POLLIN)) {
            m_reading = true;
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0 && m_device) {
                std::vector<std::uint8_t> data;
                data.reserve(static_cast<std::size_t>(n));
                for (ssize_t i = 0; i < n; ++i) {
                    if (m_xonXoff && (buf[i] == 0x11 || buf[i] == 0x13)) {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_xoff = buf[i] == 0x13;
                        continue;
                    }
                    data.push_back(buf[i]);
                }
                if (!data.empty())
                    m_device->OnInput(data.data(), data.size(), NowMs());
                m_bytesIn += data.size();
            }
            m_reading = false;
        } else if (r > 0 && !(fds[1].revents & POLLIN)) {
            ::usleep(2000);  // a hang-up cannot happen while the keeper is open; never spin
        }
        if (m_device) {
            const std::int64_t due = m_device->NextEventMs();
            if (due >= 0 && due <= NowMs())
                m_device->OnTime(NowMs());
        }
    }
}
