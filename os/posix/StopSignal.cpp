#include "firmware/StopSignal.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quarlink::firmware {

StopSignal::StopSignal() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void StopSignal::request()
{
    m_requested = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

bool StopSignal::waitFor(std::chrono::milliseconds time) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + time;
    while (!requested()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wake{m_fd, POLLIN, 0};
        const int ready =
            ::poll(&wake, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (ready < 0 && errno != EINTR)
            return requested();
    }
    return true;
}

} // namespace quarlink::firmware
