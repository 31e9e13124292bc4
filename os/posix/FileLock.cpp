// The file lock as an flock on a file any user may open.
#include "os/FileLock.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::os {

namespace {

// Opens the lock file, creating it when missing. An existing file is opened without O_CREAT:
// in a sticky world-writable folder the kernel refuses O_CREAT on another user's file. Read
// access is all flock needs, so any user can share one file.
int openLockFile(const std::string& path)
{
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), kFlags);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        const int created = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644);
        if (created >= 0) {
            ::fchmod(created, 0644); // whatever the umask, other users may open it too
            return created;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

std::optional<FileLock> FileLock::open(const std::string& path, std::string& error)
{
    const int fd = openLockFile(path);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return FileLock(fd, path);
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle)), m_path(std::move(other.m_path))
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (m_handle >= 0)
            ::close(m_handle);
        m_handle = std::exchange(other.m_handle, kNoHandle);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_handle >= 0)
        ::close(m_handle); // also releases the lock
}

FileLock::Attempt FileLock::tryLock(std::string& error)
{
    for (;;) {
        if (::flock(m_handle, LOCK_EX | LOCK_NB) == 0)
            return Attempt::Locked;
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return Attempt::Busy;
        error = m_path + ": " + std::strerror(errno);
        return Attempt::Failed;
    }
}

std::string systemLockFolder()
{
    if (::access("/run/lock", W_OK | X_OK) == 0)
        return "/run/lock";
    return "/tmp";
}

} // namespace quarlink::os
