// A stop request that a thread can wait on: in its sleeps, and beside a device or a socket in
// the os/ waits. Requested from any thread (also a signal handler), seen at once by the waiting
// thread, and kept: once requested it stays requested. An eventfd on Linux, a manual-reset
// event on Windows.
#pragma once

#include "os/NativeHandle.h"

#include <atomic>
#include <chrono>

namespace quarlink::os {

class StopSignal
{
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // False when the system could not make the signal; a wait on it then ends at once.
    bool isValid() const { return m_handle != kNoHandle; }

    void request();
    bool requested() const { return m_requested.load(); }
    // Sleeps for `time`; true (early) when a stop is requested meanwhile.
    bool waitFor(std::chrono::milliseconds time) const;
    // Signalled (readable, set) once a stop is requested; for the os/ waits beside other things.
    NativeHandle nativeHandle() const { return m_handle; }

private:
    NativeHandle m_handle = kNoHandle;
    std::atomic<bool> m_requested{false};
};

} // namespace quarlink::os
