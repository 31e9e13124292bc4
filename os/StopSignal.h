// A stop request that a sender thread can wait on: in its sleeps, and beside a socket in
// poll(). Requested from the owner thread, seen at once by the waiting thread.
#pragma once

#include <atomic>
#include <chrono>

namespace quarlink::firmware {

class StopSignal
{
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void request();
    bool requested() const { return m_requested.load(); }
    // Sleeps for `time`; true (early) when a stop is requested meanwhile.
    bool waitFor(std::chrono::milliseconds time) const;
    // Readable once a stop is requested; for poll() beside other descriptors.
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::atomic<bool> m_requested{false};
};

} // namespace quarlink::firmware
