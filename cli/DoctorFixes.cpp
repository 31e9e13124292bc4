#include "cli/DoctorFixes.h"

#include "platform/SerialPortList.h"

#include <algorithm>
#include <filesystem>

#include <grp.h>

namespace quarlink::cli {

namespace {

constexpr gid_t kSuperuserGroup = 0;

// The group that serial devices are given to: Debian's and Fedora's dialout, else Arch's uucp.
std::string serialGroup()
{
    for (const char* name : {"dialout", "uucp"})
        if (::getgrnam(name))
            return name;
    return "dialout";
}

bool isMemberOf(const UserIdentity& user, const std::string& group)
{
    const ::group* entry = ::getgrnam(group.c_str());
    if (!entry)
        return false;
    return user.gid == entry->gr_gid ||
           std::find(user.groups.begin(), user.groups.end(), entry->gr_gid) != user.groups.end();
}

std::string joinGroup(const std::string& group, const std::string& user)
{
    return "sudo usermod -aG " + group + " " + user + "   (then log in again)";
}

// The kernel's name of the device behind `path` (ttyUSB0 for /dev/serial/by-id/...).
std::string kernelName(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    return (error ? std::filesystem::path(path) : real).filename().string();
}

} // namespace

std::string accessFix(const std::string& path, const DeviceMode& device, const UserIdentity& user,
                      bool pseudoTerminal)
{
    const std::string who = userName(user.uid);
    if (const auto group = grantingGroup(device, user))
        return joinGroup(groupName(*group), who);
    if (pseudoTerminal && device.owner == user.uid)
        return "chmod u+rw " + path;
    if (pseudoTerminal)
        return "run as " + userName(device.owner) +
               ", the user the pseudo-terminal belongs to, or hand it over: sudo chown " + who +
               " " + path;
    // Only the superuser may open it: a rule gives the device to a group each time it appears.
    const std::string group =
        device.group != kSuperuserGroup ? groupName(device.group) : serialGroup();
    std::string fix = "add the line  SUBSYSTEM==\"tty\", KERNEL==\"" + kernelName(path) +
                      "\", GROUP=\"" + group +
                      "\", MODE=\"0660\"  to /etc/udev/rules.d/70-quarlink.rules, then: sudo "
                      "udevadm control --reload && sudo udevadm trigger";
    if (!isMemberOf(user, group))
        fix += "; and: " + joinGroup(group, who);
    return fix;
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
               platform::kExtraPortsVariable;
    case PortOrigin::SystemList:
        break;
    }
    return "connect the printer's cable again";
}

} // namespace quarlink::cli
