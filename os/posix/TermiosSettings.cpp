// Translation of line settings into termios flags.
#include "os/posix/TermiosSettings.h"

#include <array>
#include <utility>

namespace quarlink::os {

namespace {

constexpr std::array<std::pair<int, speed_t>, 19> kSpeeds{{
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
}};

std::optional<tcflag_t> characterSizeFlag(int dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<speed_t> speedForBaudRate(int baudRate)
{
    for (const auto& [rate, speed] : kSpeeds)
        if (rate == baudRate && isSupportedBaudRate(rate))
            return speed;
    return std::nullopt;
}

int baudRateForSpeed(speed_t speed)
{
    for (const auto& [rate, constant] : kSpeeds)
        if (constant == speed)
            return rate;
    return 0;
}

bool applyLineSettings(termios& attributes, const LineSettings& settings)
{
    const auto speed = speedForBaudRate(settings.baudRate);
    const auto sizeFlag = characterSizeFlag(settings.dataBits);
    if (!isValid(settings) || !speed || !sizeFlag)
        return false;

    termios t = attributes;
    cfmakeraw(&t);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | IGNPAR);
    t.c_iflag |= INPCK;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    t.c_cflag |= *sizeFlag | CREAD | CLOCAL;
    if (settings.parity == kParityOdd)
        t.c_cflag |= PARENB | PARODD;
    else if (settings.parity == kParityEven)
        t.c_cflag |= PARENB;
    if (settings.stopBits == 2)
        t.c_cflag |= CSTOPB;

    // One byte completes a read and there is no inter-byte timer. With the port non-blocking
    // a read of an empty queue then fails with EAGAIN, so a read of 0 bytes means the device
    // has hung up (VMIN 0 would report an empty queue as 0 bytes too).
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (cfsetispeed(&t, *speed) != 0 || cfsetospeed(&t, *speed) != 0)
        return false;
    attributes = t;
    return true;
}

} // namespace quarlink::os
