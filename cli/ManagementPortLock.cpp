#include "cli/ManagementPortLock.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::cli {

namespace {

// Opens the port's lock file, creating it when missing. An existing file is opened without
// O_CREAT: in a sticky world-writable folder the kernel refuses O_CREAT on another user's file.
// Read access is all flock needs, so any user can share one file.
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

std::optional<ManagementPortLock> ManagementPortLock::claim(std::uint16_t port,
                                                            const std::string& folder,
                                                            std::chrono::milliseconds wait,
                                                            const std::function<void()>& waiting,
                                                            std::string& error)
{
    if (port == 0)
        return ManagementPortLock(-1);
    const std::string path = folder + "/quarlink-mgmt-udp-" + std::to_string(port) + ".lock";
    const int fd = openLockFile(path);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    ManagementPortLock lock(fd);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool toldWaiting = false;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            error = path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "still in use after " +
                    std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) +
                    " s";
            return std::nullopt;
        }
        if (!toldWaiting && waiting)
            waiting();
        toldWaiting = true;
        std::this_thread::sleep_for(kPollPeriod);
    }
    return lock;
}

ManagementPortLock::ManagementPortLock(ManagementPortLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

ManagementPortLock& ManagementPortLock::operator=(ManagementPortLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

ManagementPortLock::~ManagementPortLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string managementLockFolder(const char* fromEnvironment)
{
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    if (::access("/run/lock", W_OK | X_OK) == 0)
        return "/run/lock";
    return "/tmp";
}

} // namespace quarlink::cli
