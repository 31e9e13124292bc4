#include "cli/PortProbe.h"

#include "cli/PortAccess.h"
#include "cli/SerialSession.h"
#include "serial/FrameTrace.h"

#include <cerrno>
#include <span>

#include <sys/stat.h>

namespace quarlink::cli {

namespace {

// The engine's text for an answer that did not come, as opposed to an error answer.
constexpr std::string_view kTimeoutMark = "[Timeout]";

} // namespace

std::string openFailureText(const std::string& path, const serial::OpenResult& result)
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

ProbeOutcome probePort(const LineChoice& choice)
{
    const std::string path = serial::devicePathFor(choice.port.toStdString());
    const std::span<const int> speeds = choice.autoBaud
                                            ? std::span<const int>(kAutoBaudRates)
                                            : std::span<const int>(&choice.line.baudRate, 1);
    LineChoice at = choice;
    for (const int speed : speeds) {
        at.line.baudRate = speed;
        SerialSession session;
        const auto opened = session.openLine(at);
        if (!opened.ok())
            return {false, openFailureText(path, opened)};
        std::string error;
        const auto identity = session.identify(&error);
        session.close();
        if (identity)
            return {true, "module " + serial::identityMacText(*identity) + " firmware " +
                              serial::identityFirmwareText(*identity) + " at " +
                              std::to_string(speed)};
        if (!error.empty() && error.find(kTimeoutMark) == std::string::npos)
            return {true, "a module answered " + error + " at " + std::to_string(speed)};
    }
    return {false, "no answer"};
}

} // namespace quarlink::cli
