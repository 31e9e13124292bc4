// What every system's serial device does alike: the waits for the transmit queue to empty.
#include "os/SerialDevice.h"

#include <thread>

namespace quarlink::os {

bool SerialDevice::drainOutput(std::chrono::milliseconds limit) const
{
    return awaitEmptyQueue(Clock::now() + limit, nullptr) == WriteResult::Written;
}

WriteResult SerialDevice::drain(const StopSignal* stop) const
{
    if (!isOpen())
        return WriteResult::Failed;
    const auto queued = transmitQueueCount();
    if (!queued || *queued == 0)
        return WriteResult::Written;
    return awaitEmptyQueue(
        Clock::now() + m_writeTimeoutPerByte * static_cast<std::int64_t>(*queued), stop);
}

WriteResult SerialDevice::awaitEmptyQueue(Clock::time_point deadline, const StopSignal* stop) const
{
    // The queue is looked at every few milliseconds: the driver tells no one when it empties.
    constexpr std::chrono::milliseconds kLookEvery{2};
    for (;;) {
        const auto queued = transmitQueueCount();
        if (!queued || *queued == 0)
            return WriteResult::Written;
        if (Clock::now() >= deadline)
            return WriteResult::Failed;
        if (stop) {
            if (stop->waitFor(kLookEvery))
                return WriteResult::Stopped;
        } else {
            std::this_thread::sleep_for(kLookEvery);
        }
    }
}

} // namespace quarlink::os
