// The stop signal as an eventfd.
#include "os/StopSignal.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quarlink::os {

StopSignal::StopSignal() : m_handle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal()
{
    if (m_handle >= 0)
        ::close(m_handle);
}

void StopSignal::request()
{
    m_requested = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_handle, &one, sizeof one);
}

bool StopSignal::waitFor(std::chrono::milliseconds time) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + time;
    while (!requested()) {
        // Rounded up, so that a sleep lasts at least its time.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wake{m_handle, POLLIN, 0};
        const int ready =
            ::poll(&wake, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (ready < 0 && errno != EINTR)
            return requested();
    }
    return true;
}

} // namespace quarlink::os
