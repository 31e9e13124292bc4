// A serial port over POSIX termios: exclusive open with line settings, and writes with a
// deadline. The file descriptor is non-blocking; reading is left to SerialReader.
#pragma once

#include "serial/LineSettings.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
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

    // Writes all bytes, waiting for the device to take them for at most
    // (number of bytes) * write time-out per byte. Returns false when the port is closed, the
    // device failed or the time ran out; callers may ignore it. Callable from any thread while the
    // port is open, but never at the same time as open() or close().
    bool write(std::span<const std::uint8_t> bytes) const;

    // Changes the time a write may take per byte (tests shorten it).
    void setWriteTimeoutPerByte(std::chrono::microseconds perByte)
    {
        m_writeTimeoutPerByte = perByte;
    }

private:
    int m_fd = -1;
    std::chrono::microseconds m_writeTimeoutPerByte = kWriteTimeoutPerByte;
};

} // namespace quarlink::serial
