#include "FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace FileAccess {

namespace {

std::string ErrnoText(int err) {
    return std::strerror(err);
}

/// What a path is when it is not a regular file, for the refusal message.
std::string NotAFileText(mode_t mode) {
    if (S_ISDIR(mode))
        return "it is a folder, not a file";
    if (S_ISFIFO(mode))
        return "it is a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a file";
    return "it is not a regular file";
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, std::string& error) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = "writing failed: " + ErrnoText(errno);
            return false;
        }
        if (n == 0) {
            error = "writing failed: no progress";
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

/// Creates a new, unique temporary file beside the target, named after it and this program
/// ("radio.tun.vegal-save-1234-0.tmp") so that a leftover is easy to recognise; returns its
/// descriptor or -1.
int CreateTempFile(const std::string& folder, const std::string& name, std::string& tmpPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmpPath = folder + "/" + name + ".vegal-save-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter++) + ".tmp";
        int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

/// Removes a temporary file unless the save that made it completed.
class CTempFileGuard {
public:
    explicit CTempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~CTempFileGuard() {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    CTempFileGuard(const CTempFileGuard&) = delete;
    CTempFileGuard& operator=(const CTempFileGuard&) = delete;
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
};

/// The file a save writes: the path itself, or where its chain of symbolic links ends (also
/// when the last link dangles, so that the new file appears where the link points).
bool ResolveSaveTarget(const std::string& path, std::string& target, std::string& error) {
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) {
            error = "cannot follow the link \"" + target +
                    "\": " + (n > 0 ? std::string("it is too long") : ErrnoText(errno));
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        if (link[0] != '/') {
            std::string folder;
            std::string name;
            SplitPath(target, folder, name);
            link = folder + "/" + link;
        }
        target = link;
    }
    error = "\"" + path + "\" is a loop of symbolic links";
    return false;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::size_t max, std::vector<std::uint8_t>& out,
                     std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = ErrnoText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = NotAFileText(st.st_mode);
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoText(errno);
        return false;
    }
    // The path may have been replaced since the test above; what counts is what was opened.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISREG(st.st_mode) ? ErrnoText(errno) : NotAFileText(st.st_mode);
        ::close(fd);
        return false;
    }
    out.clear();
    std::uint8_t buf[8192];
    while (out.size() <= max) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = "cannot read it: " + ErrnoText(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    if (out.size() > max + 1)
        out.resize(max + 1);
    return true;
}

bool ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                 std::string& error) {
    if (path.empty()) {
        error = "no file name was given";
        return false;
    }
    // Replace the file a symbolic link points to, not the link.
    std::string target;
    if (!ResolveSaveTarget(path, target, error))
        return false;
    std::string folder;
    std::string name;
    SplitPath(target, folder, name);
    if (name.empty()) {
        error = "\"" + path + "\" names a folder, not a file";
        return false;
    }
    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) {
        error = "\"" + path + "\" is a folder";
        return false;
    }
    if (hadOld && !S_ISREG(old.st_mode)) {
        error = "\"" + path + "\" is not a regular file (" + NotAFileText(old.st_mode) + ")";
        return false;
    }

    std::string tmpPath;
    int fd = CreateTempFile(folder, name, tmpPath);
    if (fd < 0) {
        error = "cannot create a file in \"" + folder + "\": " + ErrnoText(errno);
        return false;
    }
    CTempFileGuard guard(tmpPath);
    bool ok = true;
    if (hadOld)
        ::fchmod(fd, old.st_mode & 07777);
    if (!WriteAll(fd, bytes.data(), bytes.size(), error))
        ok = false;
    if (ok && ::fsync(fd) != 0) {
        error = "writing to disk failed: " + ErrnoText(errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = "writing failed: " + ErrnoText(errno);
        ok = false;
    }
    if (ok && ::rename(tmpPath.c_str(), target.c_str()) != 0) {
        error = "cannot replace \"" + path + "\": " + ErrnoText(errno);
        ok = false;
    }
    if (!ok)
        return false;
    guard.Keep();
    // Make the new directory entry durable as well (best effort).
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace FileAccess
