// The simulated module's end of the serial line, and an optional symbolic link that gives the
// program's end a stable name. POSIX: a raw pseudo-terminal with the chosen line settings,
// whose other end the program opens. Windows has no pseudo-terminals: the module serves one end
// of a COM port pair (such as COM9 of COM8/COM9) and the program opens the other.
#pragma once

#include "os/LineSettings.h"
#include "os/NativeHandle.h"
#include "os/SerialDevice.h"
#include "os/StopSignal.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace quarlink::os {

class ModuleLine
{
public:
    // POSIX: a new pseudo-terminal set to `line`; `portName` must be empty. Windows: the COM
    // port `portName`, opened with `line`. Nothing on failure, with the reason in `error`.
    static std::unique_ptr<ModuleLine> open(const LineSettings& line, const std::string& portName,
                                            std::string& error);
    ~ModuleLine();
    ModuleLine(const ModuleLine&) = delete;
    ModuleLine& operator=(const ModuleLine&) = delete;

    // The device the program opens, such as /dev/pts/7; on Windows the port the module serves.
    const std::string& devicePath() const { return m_devicePath; }

    struct Read
    {
        std::size_t size = 0; // bytes read
        bool ended = false;   // no program on the far end, or the line failed
    };
    // Reads what is waiting, without waiting for more.
    Read read(std::span<std::uint8_t> buffer);
    // Writes all bytes, waiting while the far end does not read, until `stop` is requested.
    // On failure `failure` says what failed.
    WriteResult writeAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                         std::string& failure);
    // The baud rate the program has set its end of the line to; nothing when the system does
    // not tell (a COM port pair).
    std::optional<int> programBaudRate() const;

private:
    friend class WaitSet; // waits for the line beside other things

    ModuleLine() = default;

    NativeHandle m_handle = kNoHandle; // POSIX: the master, non-blocking
    // POSIX: the slave, held open so that the master never sees a hang-up while the program has
    // the port closed.
    NativeHandle m_programSide = kNoHandle;
    std::unique_ptr<SerialDevice> m_device; // Windows: the port
    std::string m_devicePath;
};

// A symbolic link to the program's end of the line, removed again when this object goes, if it
// still points there. An existing symbolic link is replaced; any other existing file is left
// alone. POSIX only: on Windows create() says so and makes nothing.
class DeviceLink
{
public:
    static std::unique_ptr<DeviceLink> create(const std::string& linkPath,
                                              const std::string& target, std::string& error);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    DeviceLink(std::string linkPath, std::string target)
        : m_linkPath(std::move(linkPath)), m_target(std::move(target))
    {
    }

    std::string m_linkPath;
    std::string m_target;
};

} // namespace quarlink::os
