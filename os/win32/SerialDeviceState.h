// The records of an open COM port, and the steps of the reader's event wait, for the sources
// that wait on a port beside other things (the serial device itself and the wait set).
#pragma once

#include "os/SerialDevice.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>

namespace quarlink::os {

struct SerialDevice::State
{
    HANDLE port = nullptr; // nullptr while closed
    // A named object that exists while this process holds the port: the hold among this
    // program's processes, also where the system lets a second open of the device through
    // (Wine does), as the advisory lock on POSIX.
    HANDLE hold = nullptr;
    // Each kind of I/O has its own record and manual-reset event: writes (one at a time, any
    // thread), reads and the event wait (the reader thread).
    OVERLAPPED writeIo{};
    OVERLAPPED readIo{};
    OVERLAPPED waitIo{};
    DWORD waitMask = 0;       // the event word of the pending WaitCommEvent
    bool waitPending = false; // a WaitCommEvent is under way with waitIo
    // When bytes last went out or came in; the event wait looks again sooner shortly after.
    std::atomic<std::chrono::steady_clock::rep> lastActivity{0};

    void noteActivity()
    {
        lastActivity = std::chrono::steady_clock::now().time_since_epoch().count();
    }
};

namespace win32 {

// The name of the object that exists while one of this program's processes holds the port at
// `devicePath`: "Global\\quarlink-serial-COM5".
std::string holdName(const std::string& devicePath);

// Whether a failed read, write or wait with this error means the device has gone (unplugged,
// removed, closed under the waiter).
bool isDeviceGone(DWORD error);

enum class InputArm
{
    Input, // bytes are waiting already
    Armed, // the event wait is under way: wait for waitIo.hEvent
    Again, // the wait ended at once with nothing: look again after inputRetryPause()
    Gone,  // the device has gone
};
// Looks at the receive queue and, when it is empty, starts the event wait (unless one is under
// way, or `startWait` is false: then Again).
InputArm armInputWait(SerialDevice::State& state, bool startWait = true);

enum class InputEnd
{
    Event,   // a character was received
    Nothing, // the wait ended without a character (Wine ends it so on a pseudo-terminal, many
             // times a second): look again after inputRetryPause()
    Gone,
};
// Collects the event wait once waitIo.hEvent is set.
InputEnd finishInputWait(SerialDevice::State& state);

// How long to pause before looking again after a wait that ended with nothing: short while
// bytes come and go, longer on a quiet line, so the empty ends do not keep a processor busy.
std::chrono::milliseconds inputRetryPause(const SerialDevice::State& state);

} // namespace win32

} // namespace quarlink::os
