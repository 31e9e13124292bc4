// Exclusive termios port: open, configure, write with a deadline (one write at a time), the
// reader's poll and read, close.
#include "os/SerialDevice.h"

#include "os/posix/TermiosSettings.h"

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

namespace quarlink::os {

struct SerialDevice::State
{
    int fd = -1;
};

const char kPortNameForm[] = "a device path or a name in /dev";

std::string devicePathFor(std::string_view portName)
{
    if (!portName.empty() && portName.back() == ':')
        portName.remove_suffix(1);
    if (!portName.empty() && portName.front() == '/')
        return std::string(portName);
    return "/dev/" + std::string(portName);
}

std::string portNameOf(std::string_view devicePath)
{
    return std::string(devicePath);
}

OpenResult OpenResult::failure(OpenStep step, int error)
{
    OpenProblem problem = OpenProblem::Other;
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        problem = OpenProblem::NotPresent;
        break;
    case EACCES:
    case EPERM:
        problem = OpenProblem::AccessDenied;
        break;
    case EBUSY:
        problem = OpenProblem::InUse;
        break;
    default:
        break;
    }
    return {step, error, std::strerror(error), problem};
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

SerialDevice::SerialDevice() : m_state(std::make_unique<State>()) {}

SerialDevice::~SerialDevice()
{
    close();
}

bool SerialDevice::isOpen() const
{
    return m_state->fd >= 0;
}

NativeHandle SerialDevice::nativeHandle() const
{
    return m_state->fd;
}

OpenResult SerialDevice::open(std::string_view portName, const LineSettings& settings)
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
    m_state->fd = fd;
    purge();
    return OpenResult::success();
}

void SerialDevice::close()
{
    int& fd = m_state->fd;
    if (fd < 0)
        return;
    // A command written just before closing (the module's go-ahead) must still reach the
    // line; discarding the transmit queue at once would drop it. Once the queue has drained
    // only the input is discarded: on a pseudo-terminal an output flush also empties the far
    // end's unread input, which would take the drained command with it.
    if (drainOutput(kCloseDrainLimit)) {
        if (fd >= 0)
            ::tcflush(fd, TCIFLUSH);
    } else {
        purge();
    }
    ::ioctl(fd, TIOCNXCL);
    ::close(fd); // also releases the lock
    fd = -1;
}

std::optional<std::size_t> SerialDevice::transmitQueueCount() const
{
    int queued = 0;
    if (m_state->fd < 0 || ::ioctl(m_state->fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return std::nullopt;
    return static_cast<std::size_t>(queued);
}

void SerialDevice::purge() const
{
    if (m_state->fd >= 0)
        ::tcflush(m_state->fd, TCIOFLUSH);
}

WriteResult SerialDevice::writeHeld(std::span<const std::uint8_t> bytes, const StopSignal* stop,
                                    Clock::time_point deadline) const
{
    const int fd = m_state->fd;
    const int stopFd = stop ? stop->nativeHandle() : -1;
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

InputWait SerialDevice::waitForInput(const StopSignal& wake) const
{
    constexpr short kGone = POLLHUP | POLLERR;
    std::array<pollfd, 2> fds{{{m_state->fd, POLLIN, 0}, {wake.nativeHandle(), POLLIN, 0}}};
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return InputWait::Gone;
        }
        if (fds[1].revents != 0)
            return InputWait::Stopped;
        const short events = fds[0].revents;
        if (events == 0)
            continue;
        if ((events & POLLNVAL) != 0)
            return InputWait::Gone;
        return (events & kGone) != 0 ? InputWait::HangUp : InputWait::Input;
    }
}

InputRead SerialDevice::readAvailable(std::span<std::uint8_t> buffer) const
{
    // The end of the device shows as a read of 0 bytes or an error other than "nothing
    // waiting" (the line settings make an empty queue fail with EAGAIN).
    if (buffer.empty())
        return {};
    for (;;) {
        const ssize_t n = ::read(m_state->fd, buffer.data(), buffer.size());
        if (n > 0)
            return {static_cast<std::size_t>(n), false};
        if (n < 0 && errno == EINTR)
            continue;
        return {0, !(n < 0 && errno == EAGAIN)};
    }
}

} // namespace quarlink::os
