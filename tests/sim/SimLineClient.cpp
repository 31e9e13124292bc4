// The program's end of the simulated module's pseudo-terminal, for the tests that talk to the
// module over its line.
#include "SimTestSupport.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::sim::test {

LineClient::LineClient(const std::string& device)
{
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios tio{};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
}

LineClient::~LineClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LineClient::send(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_fd, bytes.data(), bytes.size());
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EAGAIN) {
            pollfd fd{m_fd, POLLOUT, 0};
            ::poll(&fd, 1, 1000);
        } else if (!(count < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

Bytes LineClient::read(std::size_t count, std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    Bytes bytes;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t buffer[512];
        const std::size_t wanted = std::min(sizeof buffer, count - bytes.size());
        const ssize_t got = ::read(m_fd, buffer, wanted);
        if (got > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

Bytes RunningModule::exchange(const Bytes& request, std::size_t answerSize)
{
    if (!line->send(request))
        return {};
    return line->read(answerSize);
}

RunningModule startModule(SimulatedModuleConfig config)
{
    RunningModule running;
    running.module = SimulatedModule::start(std::move(config), running.error);
    if (running.module)
        running.line = std::make_unique<LineClient>(running.module->devicePath());
    return running;
}

} // namespace quarlink::sim::test
