// The port checks on POSIX: the device's presence and mode bits for this user, and the other
// processes holding it.
#include "os/PortCheck.h"

#include "os/Process.h"
#include "os/SystemSerialPorts.h"
#include "os/posix/PortAccess.h"

#include <cerrno>

#include <sys/stat.h>

namespace quarlink::os {

const char kSerialPortFine[] = "read and write allowed, free";

std::vector<PortProblem> serialPortProblems(const std::string& path, PortOrigin origin)
{
    struct stat device
    {
    };
    if (::stat(path.c_str(), &device) != 0)
        return {{path + ": no such device", missingPortFix(origin)}};
    std::vector<PortProblem> problems;
    const UserIdentity user = currentUser();
    const DeviceMode mode{device.st_mode, device.st_uid, device.st_gid};
    const bool pseudoTerminal = isPseudoTerminal(device.st_rdev);
    if (!mayReadWrite(mode, user)) {
        std::string text = path + ": no read and write access for " + userName(user.uid);
        if (const auto group = grantingGroup(mode, user))
            text += "; the group " + groupName(*group) + " grants it";
        problems.push_back({text, accessFix(path, mode, user, pseudoTerminal)});
    }
    if (const auto holders = deviceHolders(path); !holders.empty())
        problems.push_back({path + ": held by " + holdersText(holders), holderFix(holders)});
    return problems;
}

std::string noSerialPortFix()
{
    return "connect the printer's cable, or name its port: " +
           setVariableCommand(kExtraPortsVariable, "/dev/ttyUSB0");
}

std::string openFailureText(const std::string& path, const OpenResult& result)
{
    switch (result.error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "no such device";
    case EACCES:
    case EPERM: {
        struct stat device
        {
        };
        if (::stat(path.c_str(), &device) == 0)
            if (const auto group =
                    grantingGroup({device.st_mode, device.st_uid, device.st_gid}, currentUser()))
                return "permission denied (add the user to " + groupName(*group) + ")";
        return "permission denied";
    }
    case EBUSY:
        if (const auto holders = deviceHolders(path); !holders.empty())
            return "busy, held by " + holdersText(holders);
        return "busy";
    default:
        return "cannot open: " + result.reason;
    }
}

} // namespace quarlink::os
