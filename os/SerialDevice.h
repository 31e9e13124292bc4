// A serial device: exclusive open with line settings; writes with a deadline, one at a time,
// that a stop signal can cut short; the wait for written bytes to leave; and, for the reader
// thread, a wait for received bytes that a stop signal ends, and a read of what is waiting.
// POSIX: a non-blocking termios descriptor with an advisory lock. Windows: the COM port opened
// for overlapped I/O, with the queue sizes, purges, time-outs and event mask the port needs.
#pragma once

#include "os/LineSettings.h"
#include "os/NativeHandle.h"
#include "os/StopSignal.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarlink::os {

// The device path of a port name. POSIX: a trailing colon (the "COM1:" form of a device name)
// is dropped, a path starting with '/' is used as it is, any other name is looked up in /dev.
// Windows: COM7, COM7: and \\.\COM7 all give \\.\COM7, the form that opens every COM port,
// the ones above COM9 included.
std::string devicePathFor(std::string_view portName);
// The name a user knows a port by, from its device path, for what the program prints: the path
// itself on POSIX; on Windows COM12 for \\.\COM12.
std::string portNameOf(std::string_view devicePath);

// How a port is named here, for help and error texts: "a device path or a name in /dev", or on
// Windows "a COM port such as COM7 (also \\.\COM12)".
extern const char kPortNameForm[];

// The step at which an open failed.
enum class OpenStep
{
    None,      // the open succeeded
    Open,      // the device could not be opened (missing, no access, held exclusively)
    Lock,      // another program holds the port
    Configure, // the device refused the line settings, or is no serial device at all
    Reader,    // the reader thread could not be started (SerialConnection only)
};

// What an open failure means to the person at the machine, whatever the system's code.
enum class OpenProblem
{
    None,
    NotPresent,   // no such device
    AccessDenied, // this user may not open it
    InUse,        // another program holds it
    Other,        // see the reason
};

struct OpenResult
{
    OpenStep step = OpenStep::None;
    int error = 0;      // the system's code of the failed step; 0 on success
    std::string reason; // why, in the system's words; empty on success
    OpenProblem problem = OpenProblem::None;

    bool ok() const { return step == OpenStep::None; }
    static OpenResult success() { return {}; }
    // The result of `step` failing with the system's error code `error`.
    static OpenResult failure(OpenStep step, int error);
};

// How a write, or the wait for written bytes to leave, ended.
enum class WriteResult
{
    Written, // every byte was taken (by the device; for a drain: sent on the line)
    Failed,  // the device is closed, failed, or the time ran out
    Stopped, // the stop signal was requested first; some bytes may have gone
};

// How the reader's wait for received bytes ended.
enum class InputWait
{
    Input,   // bytes are waiting
    HangUp,  // the far end has gone; bytes received before may still be waiting
    Stopped, // the stop signal was requested
    Gone,    // the device can no longer be waited on (closed, unplugged, failed)
};

struct InputRead
{
    std::size_t size = 0; // bytes placed in the buffer
    bool gone = false;    // the device has ended or failed; nothing more will come
};

class SerialDevice
{
public:
    static constexpr std::chrono::milliseconds kWriteTimeoutPerByte{100};
    // How long closing waits for written bytes to leave the port.
    static constexpr std::chrono::milliseconds kCloseDrainLimit{500};

    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `portName` (see devicePathFor) for reading and writing, as this process's only
    // user of the port, and configures the line. An open device is closed first. A failed open
    // leaves the device closed.
    OpenResult open(std::string_view portName, const LineSettings& settings);

    // Lets the bytes already written leave the port (within a short bound), drops what is still
    // queued either way, gives up the exclusive hold and closes the device. Never while the
    // reader waits or reads.
    void close();

    bool isOpen() const;
    NativeHandle nativeHandle() const;

    // Discards what is waiting in the receive and transmit queues.
    void purge() const;

    // Bytes written and not yet sent on the line; nothing when the device cannot tell.
    std::optional<std::size_t> transmitQueueCount() const;
    // Waits until the transmit queue is empty, at most `limit`; true when it emptied.
    bool drainOutput(std::chrono::milliseconds limit) const;
    // Waits until the bytes written so far have left the port, allowing the bytes still queued
    // the write time-out per byte; ends early when `stop` (if any) is requested.
    WriteResult drain(const StopSignal* stop) const;

    // Writes all bytes, waiting for the device to take them for at most
    // (number of bytes) * write time-out per byte. Writes never overlap: a write from another
    // thread that is under way completes first, and the time spent waiting for it counts against
    // this write's deadline, so a short command gives up rather than wait behind a long, stalled
    // block. `stop`, when given, ends the write early once requested (a cancelled transfer).
    // Callable from any thread while the device is open, but never at the same time as open()
    // or close().
    WriteResult write(std::span<const std::uint8_t> bytes, const StopSignal* stop) const;
    // The same without a stop; false unless Written. Callers may ignore the result.
    bool write(std::span<const std::uint8_t> bytes) const
    {
        return write(bytes, nullptr) == WriteResult::Written;
    }

    // Reader thread only, while the device is open. Waits until bytes are waiting, the far end
    // hangs up, the device goes, or `wake` is requested.
    InputWait waitForInput(const StopSignal& wake) const;
    // Reader thread only: reads what is waiting, at most `buffer.size()` bytes, without waiting
    // for more bytes to come.
    InputRead readAvailable(std::span<std::uint8_t> buffer) const;

    // Changes the time a write may take per byte (tests shorten it).
    void setWriteTimeoutPerByte(std::chrono::microseconds perByte)
    {
        m_writeTimeoutPerByte = perByte;
    }

    // The system's handles and records of an open device; defined by each system's source.
    struct State;

private:
    friend class WaitSet; // waits for input beside other things, through the state
    using Clock = std::chrono::steady_clock;

    // Waits until the transmit queue is empty: Written, or Failed at `deadline`, or Stopped.
    WriteResult awaitEmptyQueue(Clock::time_point deadline, const StopSignal* stop) const;
    // The system's part of write(), with the write lock held and the device open.
    WriteResult writeHeld(std::span<const std::uint8_t> bytes, const StopSignal* stop,
                          Clock::time_point deadline) const;

    std::unique_ptr<State> m_state;
    std::chrono::microseconds m_writeTimeoutPerByte = kWriteTimeoutPerByte;
    mutable std::timed_mutex m_writeMutex; // held for the whole of one write
};

} // namespace quarlink::os
