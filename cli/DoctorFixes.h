// The fixes doctor gives with each problem of a serial port, safe to follow as they stand: a
// group to join (never the superuser's), a udev rule for a device only the superuser may open,
// the program to close that holds a port (never a process to kill).
#pragma once

#include "cli/PortAccess.h"

#include <string>
#include <vector>

namespace quarlink::cli {

// What lets `user` read and write the device at `path` when its mode bits do not: joining the
// group that grants it; for a pseudo-terminal, the owner's bits when it is the user's own, else
// the owner's account or handing it over; for any other device a udev rule line that gives it
// to a group, and joining that group.
std::string accessFix(const std::string& path, const DeviceMode& device, const UserIdentity& user,
                      bool pseudoTerminal);

// What frees a port that the processes `holders` hold.
std::string holderFix(const std::vector<int>& holders);

// Where a port that does not exist came from.
enum class PortOrigin
{
    Named,      // given with --port
    ExtraPorts, // named in QUARLINK_EXTRA_PORTS
    SystemList, // enumerated by the system
};
std::string missingPortFix(PortOrigin origin);

} // namespace quarlink::cli
