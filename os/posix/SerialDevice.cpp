// Exclusive termios port: open, configure, write with a deadline (one write at a time), close.
#include "serial/SerialPort.h"

#include <algorithm>
#include <array>
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
    return awaitEmptyQueue(Clock::now() + limit, -1) == WriteResult::Written;
}

WriteResult SerialPort::drain(int stopFd) const
{
    int queued = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return m_fd < 0 ? WriteResult::Failed : WriteResult::Written;
    return awaitEmptyQueue(Clock::now() + m_writeTimeoutPerByte * queued, stopFd);
}

WriteResult SerialPort::awaitEmptyQueue(Clock::time_point deadline, int stopFd) const
{
    // The queue is looked at every few milliseconds: the driver tells no one when it empties.
    constexpr int kLookEveryMs = 2;
    for (;;) {
        int queued = 0;
        if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0)
            return WriteResult::Written;
        if (Clock::now() >= deadline)
            return WriteResult::Failed;
        pollfd stop{stopFd, POLLIN, 0};
        if (::poll(&stop, stopFd >= 0 ? 1 : 0, kLookEveryMs) > 0)
            return WriteResult::Stopped;
    }
}

void SerialPort::purge() const
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIOFLUSH);
}

WriteResult SerialPort::write(std::span<const std::uint8_t> bytes, int stopFd) const
{
    const auto deadline =
        Clock::now() + m_writeTimeoutPerByte * static_cast<std::int64_t>(bytes.size());
    // One write at a time, so that a command from another thread never lands inside a block.
    const std::unique_lock lock(m_writeMutex, deadline);
    if (!lock.owns_lock())
        return WriteResult::Failed;
    const int fd = m_fd;
    if (fd < 0)
        return WriteResult::Failed;
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
            return WriteResult::Failed;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return WriteResult::Failed;
        std::array<pollfd, 2> fds{{{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), stopFd >= 0 ? 2 : 1,
                                 static_cast<int>(std::min<std::int64_t>(left.count(), 60'000)));
        if (ready < 0 && errno != EINTR)
            return WriteResult::Failed;
        if (ready > 0 && fds[1].revents != 0)
            return WriteResult::Stopped;
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return WriteResult::Failed;
    }
    return WriteResult::Written;
}

} // namespace quarlink::serial
