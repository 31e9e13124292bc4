// The serial ports the system enumerates, in its order. Linux: the ports Qt's serial-port
// module finds, when the system's device list can be read. Windows: the values of the registry
// key that lists the COM ports, each with the device description Windows gives for it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarlink::os {

// The variable naming further ports (pseudo-terminals, the simulated module), colon-separated.
inline constexpr char kExtraPortsVariable[] = "QUARLINK_EXTRA_PORTS";

struct SystemPort
{
    std::string name;        // what the program opens and shows: ttyUSB0, COM3
    std::string description; // Windows: the device's description ("USB Serial Port"); else empty
    std::string details;     // a longer text for a tooltip (description, maker); never empty
};

// Where the system enumerates its serial ports: the folder /sys/class/tty on Linux, the key
// HARDWARE\DEVICEMAP\SERIALCOMM under HKEY_LOCAL_MACHINE on Windows.
extern const char kSystemPortSource[];

// The ports of `source`; nothing when it cannot be read (then the caller offers COM1 to COM9),
// an empty list when it can be read and holds no port.
std::optional<std::vector<SystemPort>> systemSerialPorts(const std::string& source);

} // namespace quarlink::os
