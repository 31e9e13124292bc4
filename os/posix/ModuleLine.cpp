// Pseudo-terminal and device link of the simulated module.
#include "sim/PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::sim {

namespace {

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Raw mode with the given speed and framing; the line itself ignores them, the program sees them.
bool configureLine(int fd, const serial::LineSettings& line, std::string& error)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    if (!serial::applyLineSettings(tio, line)) {
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

bool isSupportedBaud(int baud)
{
    return serial::speedForBaudRate(baud).has_value();
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(const serial::LineSettings& line,
                                                     std::string& error)
{
    std::unique_ptr<PseudoTerminal> pty(new PseudoTerminal());
    pty->m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->m_master < 0) {
        error = systemError("posix_openpt");
        return nullptr;
    }
    if (grantpt(pty->m_master) != 0 || unlockpt(pty->m_master) != 0) {
        error = systemError("unlockpt");
        return nullptr;
    }
    char name[128];
    if (ptsname_r(pty->m_master, name, sizeof name) != 0) {
        error = systemError("ptsname");
        return nullptr;
    }
    pty->m_slavePath = name;
    pty->m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->m_slave < 0) {
        error = systemError("open slave");
        return nullptr;
    }
    if (!configureLine(pty->m_slave, line, error))
        return nullptr;
    const int flags = fcntl(pty->m_master, F_GETFL);
    if (flags < 0 || fcntl(pty->m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("fcntl");
        return nullptr;
    }
    return pty;
}

PseudoTerminal::~PseudoTerminal()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
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

} // namespace quarlink::sim
