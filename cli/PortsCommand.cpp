// quarlink-cli ports: the Port list as the window fills it, one port per line.
#include "cli/Subcommands.h"
#include "platform/SerialPortList.h"

namespace quarlink::cli {

namespace {
constexpr int kFallbackPortCount = 9; // COM1 to COM9 when the system's ports cannot be read
} // namespace

int runPorts(const Invocation& invocation)
{
    QCommandLineParser parser;
    if (const auto status =
            parseOptions(parser, invocation,
                         QStringLiteral("Lists the machine's serial ports, then the ports named in "
                                        "QUARLINK_EXTRA_PORTS (colon-separated), one per line.")))
        return *status;
    const auto ports = platform::SystemPortList().ports();
    if (!ports) {
        for (int n = 1; n <= kFallbackPortCount; ++n)
            printOut(QStringLiteral("COM%1").arg(n));
        return kExitSuccess;
    }
    for (const auto& port : *ports)
        printOut(port.name);
    return kExitSuccess;
}

} // namespace quarlink::cli
