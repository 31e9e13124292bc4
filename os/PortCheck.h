// What this machine tells about a serial port and the management UDP port, in words for the
// person at it, for doctor and the port probe: whether the port is there, whether this user may
// open it, who holds it, and the fix for each problem, safe to follow as it stands (a group to
// join, never the superuser's; the program to close, never a process to kill). POSIX reads the
// device's mode bits, /proc/locks, /proc/net/udp and /proc/*/fd; Windows tells what an open
// says (present, in use, denied; not by whom) and which process has a UDP port.
#pragma once

#include "os/SerialDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::os {

// Where a port that does not exist came from.
enum class PortOrigin
{
    Named,      // given with --port
    ExtraPorts, // named in QUARLINK_EXTRA_PORTS
    SystemList, // enumerated by the system
};

struct PortProblem
{
    std::string text; // "/dev/ttyUSB0: no read and write access for alice; ..."
    std::string fix;
};

// The problems between this user and the serial device at `path` (its device path, shown as
// it is); none when the port may be opened and nobody holds it.
std::vector<PortProblem> serialPortProblems(const std::string& path, PortOrigin origin);
// The text a port without problems is shown with: "read and write allowed, free".
extern const char kSerialPortFine[];
// What to do when the system lists no serial port at all.
std::string noSerialPortFix();

// Why an open of `path` failed, in the probe's words: "no such device", "permission denied
// (add the user to dialout)", "busy, held by minicom (process 1234)", "cannot open: ...".
std::string openFailureText(const std::string& path, const OpenResult& result);

// Another process with a UDP socket bound to `port`; 0 when the socket is there but its process
// is not one this user may look into.
std::optional<int> udpPortHolder(std::uint16_t port);
// The name of a process, such as "minicom"; empty when unknown.
std::string processName(int pid);
// "minicom (process 1234)", "process 1234" when its name is unknown, "another user's process"
// for 0; several joined by ", ".
std::string holdersText(const std::vector<int>& pids);

// What frees a port that the processes `holders` hold.
std::string holderFix(const std::vector<int>& holders);
// What to do about a port that does not exist, by where its name came from.
std::string missingPortFix(PortOrigin origin);

} // namespace quarlink::os
