// The module's line as a pseudo-terminal, and the device link.
#include "os/ModuleLine.h"

#include "os/posix/TermiosSettings.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::os {

namespace {

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Raw mode with the given speed and framing; the line itself ignores them, the program sees them.
bool configureLine(int fd, const LineSettings& line, std::string& error)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    if (!applyLineSettings(tio, line)) {
        error = "unsupported line settings";
        return false;
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = systemError("tcsetattr");
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<ModuleLine> ModuleLine::open(const LineSettings& line, const std::string& portName,
                                             std::string& error)
{
    if (!portName.empty()) {
        error = "the module serves a pseudo-terminal here; a port is named on Windows only";
        return nullptr;
    }
    std::unique_ptr<ModuleLine> pty(new ModuleLine());
    pty->m_handle = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->m_handle < 0) {
        error = systemError("posix_openpt");
        return nullptr;
    }
    if (grantpt(pty->m_handle) != 0 || unlockpt(pty->m_handle) != 0) {
        error = systemError("unlockpt");
        return nullptr;
    }
    char name[128];
    if (ptsname_r(pty->m_handle, name, sizeof name) != 0) {
        error = systemError("ptsname");
        return nullptr;
    }
    pty->m_devicePath = name;
    pty->m_programSide = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->m_programSide < 0) {
        error = systemError("open slave");
        return nullptr;
    }
    if (!configureLine(pty->m_programSide, line, error))
        return nullptr;
    const int flags = fcntl(pty->m_handle, F_GETFL);
    if (flags < 0 || fcntl(pty->m_handle, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("fcntl");
        return nullptr;
    }
    return pty;
}

ModuleLine::~ModuleLine()
{
    if (m_programSide >= 0)
        ::close(m_programSide);
    if (m_handle >= 0)
        ::close(m_handle);
}

ModuleLine::Read ModuleLine::read(std::span<std::uint8_t> buffer)
{
    for (;;) {
        const ssize_t count = ::read(m_handle, buffer.data(), buffer.size());
        if (count > 0)
            return {static_cast<std::size_t>(count), false};
        if (count < 0 && errno == EINTR)
            continue;
        // Nothing waiting; otherwise a hang-up or read error: no program on the far end.
        return {0, !(count < 0 && errno == EAGAIN)};
    }
}

WriteResult ModuleLine::writeAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                                 std::string& failure)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_handle, bytes.data(), bytes.size());
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN) {
            failure = std::string("write failed: ") + std::strerror(errno);
            return WriteResult::Failed;
        }
        // The far end is not reading: wait until it does or a stop is requested.
        std::array<pollfd, 2> fds{{{m_handle, POLLOUT, 0}, {stop.nativeHandle(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return WriteResult::Failed;
        if (fds[1].revents != 0)
            return WriteResult::Stopped;
    }
    return WriteResult::Written;
}

std::optional<int> ModuleLine::programBaudRate() const
{
    // The master of a pseudo-terminal reads the settings the program gave its device.
    termios line{};
    if (::tcgetattr(m_handle, &line) != 0)
        return std::nullopt;
    return baudRateForSpeed(::cfgetispeed(&line));
}

std::unique_ptr<DeviceLink> DeviceLink::create(const std::string& linkPath,
                                               const std::string& target, std::string& error)
{
    struct stat info = {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return nullptr;
        }
        // Left behind by a run that did not end cleanly.
        ::unlink(linkPath.c_str());
    }
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = systemError(("symlink " + linkPath).c_str());
        return nullptr;
    }
    return std::unique_ptr<DeviceLink>(new DeviceLink(linkPath, target));
}

DeviceLink::~DeviceLink()
{
    std::array<char, 4096> current{};
    const ssize_t size = ::readlink(m_linkPath.c_str(), current.data(), current.size() - 1);
    if (size > 0 && std::string(current.data(), static_cast<std::size_t>(size)) == m_target)
        ::unlink(m_linkPath.c_str());
}

} // namespace quarlink::os
