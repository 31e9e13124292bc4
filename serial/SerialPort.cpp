// Exclusive termios port: open, configure, write with a deadline, close.
#include "serial/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::serial {

std::string devicePathFor(std::string_view portName)
{
    if (!portName.empty() && portName.back() == ':')
        portName.remove_suffix(1);
    if (!portName.empty() && portName.front() == '/')
        return std::string(portName);
    return "/dev/" + std::string(portName);
}

OpenResult OpenResult::failure(OpenStep step, int error)
{
    return {step, error, std::strerror(error)};
}

namespace {

// DTR and RTS off. A device without modem lines (a pseudo-terminal) refuses the request,
// which is no fault.
int lowerModemLines(int fd)
{
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &lines) == 0 || errno == ENOTTY || errno == EINVAL)
        return 0;
    return errno;
}

int configureLine(int fd, const LineSettings& settings)
{
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0)
        return errno;
    if (!applyLineSettings(attributes, settings))
        return EINVAL;
    if (::tcsetattr(fd, TCSANOW, &attributes) != 0)
        return errno;
    return lowerModemLines(fd);
}

} // namespace

SerialPort::~SerialPort()
{
    close();
}

OpenResult SerialPort::open(std::string_view portName, const LineSettings& settings)
{
    close();
    const std::string path = devicePathFor(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenResult::failure(OpenStep::Open, errno);

    // The advisory lock stops every cooperating program, the privileged ones included;
    // TIOCEXCL additionally refuses further opens of the terminal by unprivileged ones.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return OpenResult::failure(OpenStep::Lock, error);
    }
    int error = 0;
    if (::ioctl(fd, TIOCEXCL) != 0)
        error = errno;
    if (error == 0)
        error = configureLine(fd, settings);
    if (error != 0) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return OpenResult::failure(OpenStep::Configure, error);
    }
    m_fd = fd;
    purge();
    return OpenResult::success();
}

void SerialPort::close()
{
    if (m_fd < 0)
        return;
    // A command written just before closing (the module's go-ahead) must still reach the
    // line; discarding the transmit queue at once would drop it. Once the queue has drained
    // only the input is discarded: on a pseudo-terminal an output flush also empties the far
    // end's unread input, which would take the drained command with it.
    if (drainOutput(kCloseDrainLimit)) {
        if (m_fd >= 0)
            ::tcflush(m_fd, TCIFLUSH);
    } else {
        purge();
    }
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd); // also releases the lock
    m_fd = -1;
}

bool SerialPort::drainOutput(std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int queued = 0;
        if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::usleep(1000);
    }
}

void SerialPort::purge() const
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIOFLUSH);
}

bool SerialPort::write(std::span<const std::uint8_t> bytes) const
{
    const int fd = m_fd;
    if (fd < 0)
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + m_writeTimeoutPerByte * static_cast<std::int64_t>(bytes.size());
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd writable{fd, POLLOUT, 0};
        const int ready =
            ::poll(&writable, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60'000)));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready > 0 && (writable.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return false;
    }
    return true;
}

} // namespace quarlink::serial
