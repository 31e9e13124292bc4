// The stop signal as a manual-reset event: set once, it stays set.
#include "os/StopSignal.h"

#include <algorithm>

#include <windows.h>

namespace quarlink::os {

StopSignal::StopSignal() : m_handle(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

StopSignal::~StopSignal()
{
    if (m_handle)
        ::CloseHandle(m_handle);
}

void StopSignal::request()
{
    m_requested = true;
    if (m_handle)
        ::SetEvent(m_handle);
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
        if (!m_handle) {
            ::Sleep(static_cast<DWORD>(std::min<long long>(left.count(), 10)));
            continue;
        }
        if (::WaitForSingleObject(m_handle, static_cast<DWORD>(std::min<long long>(
                                                left.count(), 1 << 30))) == WAIT_FAILED)
            return requested();
    }
    return true;
}

} // namespace quarlink::os
