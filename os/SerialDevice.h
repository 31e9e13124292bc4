// A serial port over POSIX termios: exclusive open with line settings, and writes with a
// deadline, one at a time, that a stop request can cut short. The file descriptor is
// non-blocking; reading is left to SerialReader.
#pragma once

#include "serial/LineSettings.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace quarlink::serial {

// The device path of a port name: a trailing colon (the "COM1:" form of a device name) is
// dropped, a path starting with '/' is used as it is, any other name is looked up in /dev.
std::string devicePathFor(std::string_view portName);

// The step at which an open failed.
enum class OpenStep
{
    None,      // the open succeeded
    Open,      // the device could not be opened (missing, no access, held exclusively)
    Lock,      // another program holds the port
    Configure, // the device refused the line settings, or is no terminal at all
    Reader,    // the reader thread could not be started (SerialConnection only)
};

struct OpenResult
{
    OpenStep step = OpenStep::None;
    int error = 0;      // errno of the failed step; 0 on success
    std::string reason; // the system's text for `error`; empty on success

    bool ok() const { return step == OpenStep::None; }
    static OpenResult success() { return {}; }
    static OpenResult failure(OpenStep step, int error);
};

// How a write, or the wait for written bytes to leave, ended.
enum class WriteResult
{
    Written, // every byte was taken (by the device; for a drain: sent on the line)
    Failed,  // the port is closed, the device failed, or the time ran out
    Stopped, // the stop descriptor became readable first; some bytes may have gone
};

class SerialPort
{
public:
    static constexpr std::chrono::milliseconds kWriteTimeoutPerByte{100};
    // How long closing waits for written bytes to leave the port.
    static constexpr std::chrono::milliseconds kCloseDrainLimit{500};

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `portName` (see devicePathFor) for reading and writing, as this process's only
    // user of the port, and configures the line. An open port is closed first. A failed open
    // leaves the port closed.
    OpenResult open(std::string_view portName, const LineSettings& settings);

    // Lets the bytes already written leave the port (within a short bound), drops what is still
    // queued either way, gives up the exclusive hold and closes the descriptor.
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int nativeHandle() const { return m_fd; }

    // Discards what is waiting in the receive and transmit queues.
    void purge() const;

    // Waits until the transmit queue is empty, at most `limit`; true when it emptied.
    bool drainOutput(std::chrono::milliseconds limit) const;
    // Waits until the bytes written so far have left the port, allowing the bytes still queued
    // the write time-out per byte; ends early when `stopFd` becomes readable (-1: no stop).
    WriteResult drain(int stopFd) const;

    // Writes all bytes, waiting for the device to take them for at most
    // (number of bytes) * write time-out per byte. Writes never overlap: a write from another
    // thread that is under way completes first, and the time spent waiting for it counts against
    // this write's deadline, so a short command gives up rather than wait behind a long, stalled
    // block. `stopFd`, when not -1, is a descriptor that becomes readable when the write should
    // give up (a cancelled transfer). Callable from any thread while the port is open, but never
    // at the same time as open() or close().
    WriteResult write(std::span<const std::uint8_t> bytes, int stopFd) const;
    // The same without a stop; false unless Written. Callers may ignore the result.
    bool write(std::span<const std::uint8_t> bytes) const
    {
        return write(bytes, -1) == WriteResult::Written;
    }

    // Changes the time a write may take per byte (tests shorten it).
    void setWriteTimeoutPerByte(std::chrono::microseconds perByte)
    {
        m_writeTimeoutPerByte = perByte;
    }

private:
    using Clock = std::chrono::steady_clock;

    // Waits until the transmit queue is empty: Written, or Failed at `deadline`, or Stopped.
    WriteResult awaitEmptyQueue(Clock::time_point deadline, int stopFd) const;

    int m_fd = -1;
    std::chrono::microseconds m_writeTimeoutPerByte = kWriteTimeoutPerByte;
    mutable std::timed_mutex m_writeMutex; // held for the whole of one write
};

} // namespace quarlink::serial
