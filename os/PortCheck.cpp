// The texts of port checks that every system shares: holders named, and the fixes for a held
// or a missing port.
#include "os/PortCheck.h"

#include "os/SystemSerialPorts.h"

namespace quarlink::os {

std::string holdersText(const std::vector<int>& pids)
{
    std::string text;
    for (const int pid : pids) {
        if (!text.empty())
            text += ", ";
        if (pid == 0) {
            text += "another user's process";
            continue;
        }
        const std::string name = processName(pid);
        text += name.empty() ? "process " + std::to_string(pid)
                             : name + " (process " + std::to_string(pid) + ")";
    }
    return text;
}

std::string holderFix(const std::vector<int>& holders)
{
    return "close what has the port open: " + holdersText(holders);
}

std::string missingPortFix(PortOrigin origin)
{
    switch (origin) {
    case PortOrigin::Named:
        return "connect the printer's cable, or correct the name given with --port (see: "
               "quarlink-cli ports)";
    case PortOrigin::ExtraPorts:
        return std::string("connect the printer's cable, or correct the name in ") +
               kExtraPortsVariable;
    case PortOrigin::SystemList:
        break;
    }
    return "connect the printer's cable again";
}

} // namespace quarlink::os
