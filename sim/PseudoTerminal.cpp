// Pseudo-terminal and device link of the simulated module.
#include "sim/PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::sim {

namespace {

struct BaudConstant
{
    int baud;
    speed_t constant;
};

constexpr std::array<BaudConstant, 19> kBauds{{
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
}};

std::optional<speed_t> baudConstant(int baud)
{
    for (const BaudConstant& entry : kBauds)
        if (entry.baud == baud)
            return entry.constant;
    return std::nullopt;
}

tcflag_t dataBitsFlag(int dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Raw mode with the given speed and framing; the line itself ignores them, the program sees them.
bool applyLineSettings(int fd, const LineSettings& line, std::string& error)
{
    const auto speed = baudConstant(line.baud);
    if (!speed || line.dataBits < 5 || line.dataBits > 8 ||
        (line.stopBits != 1 && line.stopBits != 2)) {
        error = "unsupported line settings";
        return false;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= dataBitsFlag(line.dataBits) | CLOCAL | CREAD;
    if (line.parity != LineSettings::Parity::None)
        tio.c_cflag |= PARENB;
    if (line.parity == LineSettings::Parity::Odd)
        tio.c_cflag |= PARODD;
    if (line.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = systemError("tcsetattr");
        return false;
    }
    return true;
}

} // namespace

bool isSupportedBaud(int baud)
{
    return baudConstant(baud).has_value();
}

std::optional<LineSettings::Parity> parseParity(std::string_view text)
{
    if (text == "none")
        return LineSettings::Parity::None;
    if (text == "odd")
        return LineSettings::Parity::Odd;
    if (text == "even")
        return LineSettings::Parity::Even;
    return std::nullopt;
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(const LineSettings& line, std::string& error)
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
    if (!applyLineSettings(pty->m_slave, line, error))
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
