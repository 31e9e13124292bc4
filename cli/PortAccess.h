// What this machine says about a serial device and a UDP port: whether this user may read and
// write the device (and which group would let them), and which other processes hold the device
// or the port. Read from the device's mode bits, /proc/locks, /proc/net/udp and /proc/*/fd.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::cli {

struct UserIdentity
{
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; // supplementary
};

// The effective user and groups of this process.
UserIdentity currentUser();

struct DeviceMode
{
    mode_t mode = 0; // permission bits
    uid_t owner = 0;
    gid_t group = 0;
};

// Whether the mode bits let `user` read and write the device, by the owner, group and other
// bits in that order; the superuser always may.
bool mayReadWrite(const DeviceMode& device, const UserIdentity& user);
// The device's group when its bits grant reading and writing to members and `user` is none.
// Never the superuser's group: joining it is no fix.
std::optional<gid_t> grantingGroup(const DeviceMode& device, const UserIdentity& user);

std::string groupName(gid_t group);
std::string userName(uid_t user);

// Whether a device number is a pseudo-terminal's, such as /dev/pts/7.
bool isPseudoTerminal(dev_t device);

// The other processes that hold the device, in the order of their ids: those with an advisory
// lock on it (as this program takes one) and those that have it open, exclusively (TIOCEXCL)
// or not. A pseudo-terminal is also kept open by the program at its far end, the one with its
// master side open; that program holds it only with a lock.
std::vector<int> deviceHolders(const std::string& path);
// Another process with a UDP socket bound to `port`; 0 when the socket is there but its process
// is not one this user may look into.
std::optional<int> udpPortHolder(std::uint16_t port);
// The command name of a process, such as "minicom"; empty when unknown.
std::string processName(int pid);
// "minicom (process 1234)", "process 1234" when its name is unknown, "another user's process"
// for 0; several joined by ", ".
std::string holdersText(const std::vector<int>& pids);

} // namespace quarlink::cli
