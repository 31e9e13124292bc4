// The wait set as one poll over the descriptors.
#include "os/WaitSet.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <poll.h>

namespace quarlink::os {

struct WaitSet::Entries
{
    std::vector<pollfd> fds;

    std::size_t add(int fd)
    {
        fds.push_back({fd, POLLIN, 0});
        return fds.size() - 1;
    }
};

WaitSet::WaitSet() : m_entries(std::make_unique<Entries>()) {}

WaitSet::~WaitSet() = default;

std::size_t WaitSet::add(const StopSignal& stop)
{
    return m_entries->add(stop.nativeHandle());
}

std::size_t WaitSet::add(const UdpSocket& socket)
{
    return m_entries->add(socket.nativeHandle());
}

std::size_t WaitSet::add(const TcpListener& listener)
{
    return m_entries->add(listener.nativeHandle());
}

std::size_t WaitSet::add(const TcpConnection& connection)
{
    return m_entries->add(connection.nativeHandle());
}

std::size_t WaitSet::add(const ModuleLine& line)
{
    return m_entries->add(line.m_handle);
}

WaitSet::Outcome WaitSet::wait(std::optional<std::chrono::milliseconds> limit)
{
    const int timeout =
        limit ? static_cast<int>(std::clamp<std::int64_t>(limit->count(), 0, 1 << 30)) : -1;
    for (;;) {
        const int ready = ::poll(m_entries->fds.data(), m_entries->fds.size(), timeout);
        if (ready > 0)
            return Outcome::Ready;
        if (ready == 0)
            return Outcome::TimedOut;
        if (errno != EINTR)
            return Outcome::Failed;
    }
}

WaitSet::Readiness WaitSet::readiness(std::size_t index) const
{
    const short events = m_entries->fds.at(index).revents;
    if (events == 0)
        return Readiness::None;
    if ((events & POLLNVAL) != 0)
        return Readiness::Invalid;
    if ((events & POLLIN) != 0)
        return Readiness::Ready;
    return Readiness::HangUp;
}

} // namespace quarlink::os
