// The module's line on Windows: one end of a COM port pair, through the serial device.
#include "os/ModuleLine.h"

namespace quarlink::os {

std::unique_ptr<ModuleLine> ModuleLine::open(const LineSettings& line, const std::string& portName,
                                             std::string& error)
{
    if (portName.empty()) {
        error = "Windows has no pseudo-terminals: name one end of a COM port pair with --port";
        return nullptr;
    }
    std::unique_ptr<ModuleLine> opened(new ModuleLine());
    opened->m_device = std::make_unique<SerialDevice>();
    const OpenResult result = opened->m_device->open(portName, line);
    if (!result.ok()) {
        error = portName + ": " + result.reason;
        return nullptr;
    }
    opened->m_handle = opened->m_device->nativeHandle();
    opened->m_devicePath = portName;
    return opened;
}

ModuleLine::~ModuleLine() = default;

ModuleLine::Read ModuleLine::read(std::span<std::uint8_t> buffer)
{
    const InputRead read = m_device->readAvailable(buffer);
    return {read.size, read.gone};
}

WriteResult ModuleLine::writeAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                                 std::string& failure)
{
    const WriteResult result = m_device->write(bytes, &stop);
    if (result == WriteResult::Failed)
        failure = "write failed: the port took no bytes in time, or failed";
    return result;
}

std::optional<int> ModuleLine::programBaudRate() const
{
    return std::nullopt; // a port pair does not tell what the other end was set to
}

std::unique_ptr<DeviceLink> DeviceLink::create(const std::string&, const std::string&,
                                               std::string& error)
{
    error = "links are made on POSIX systems only; on Windows the program opens the other end "
            "of the COM port pair by its name";
    return nullptr;
}

DeviceLink::~DeviceLink() = default;

} // namespace quarlink::os
