#include "cli/PortProbe.h"

#include "cli/SerialSession.h"
#include "os/PortCheck.h"
#include "serial/FrameTrace.h"

#include <span>

namespace quarlink::cli {

namespace {

// The engine's text for an answer that did not come, as opposed to an error answer.
constexpr std::string_view kTimeoutMark = "[Timeout]";

} // namespace

ProbeOutcome probePort(const LineChoice& choice)
{
    const std::string path = os::devicePathFor(choice.port.toStdString());
    const std::span<const int> speeds = choice.autoBaud
                                            ? std::span<const int>(kAutoBaudRates)
                                            : std::span<const int>(&choice.line.baudRate, 1);
    LineChoice at = choice;
    for (const int speed : speeds) {
        at.line.baudRate = speed;
        SerialSession session;
        const auto opened = session.openLine(at);
        if (!opened.ok())
            return {false, os::openFailureText(path, opened)};
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
