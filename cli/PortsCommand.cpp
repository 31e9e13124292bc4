// quarlink-cli ports: the Port list as the window fills it, one port per line (its name, then
// the device's description where the system gives one); with --probe each port is asked who is
// there.
#include "cli/DocumentIo.h"
#include "cli/PortProbe.h"
#include "cli/Subcommands.h"
#include "platform/SerialPortList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli {

namespace {

constexpr int kFallbackPortCount = 9; // COM1 to COM9 when the system's ports cannot be read

std::vector<platform::PortEntry> listedEntries()
{
    if (auto ports = platform::SystemPortList().ports())
        return std::move(*ports);
    std::vector<platform::PortEntry> fallback;
    for (int n = 1; n <= kFallbackPortCount; ++n)
        fallback.push_back({QStringLiteral("COM%1").arg(n), {}});
    return fallback;
}

QStringList listedPorts()
{
    QStringList names;
    for (const auto& port : listedEntries())
        names << port.name;
    return names;
}

// "COM3 — USB Serial Port", or the name alone.
QString portLine(const platform::PortEntry& port)
{
    return port.description.isEmpty() ? port.name
                                      : port.name + QStringLiteral(" \u2014 ") + port.description;
}

} // namespace

int runPorts(const Invocation& invocation)
{
    QCommandLineParser parser;
    const QCommandLineOption probe(
        QStringLiteral("probe"),
        QStringLiteral("Opens each port (or each --port), sends the identity request as Get Info "
                       "begins and tells who answers; 'G' goes to every module that answered and "
                       "every port is closed again. This writes to the ports."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the ports as a JSON array (with --probe: "
                                                 "objects of port, found and result)."));
    parser.addOptions({probe, json});
    const LineOptions lineOptions(parser, false);
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral(
                "Lists the machine's serial ports, then the ports named in "
                "QUARLINK_EXTRA_PORTS (colon-separated), one per line. With --probe each port "
                "is asked who answers on it.")))
        return *status;
    const QStringList named = lineOptions.ports(parser);
    if (!parser.isSet(probe)) {
        if (!named.isEmpty())
            return usageError(invocation, QStringLiteral("--port is for --probe"));
        if (parser.isSet(json))
            printJson(QJsonDocument(QJsonArray::fromStringList(listedPorts())));
        else
            for (const auto& port : listedEntries())
                printOut(portLine(port));
        return kExitSuccess;
    }
    auto line = lineOptions.read(parser, invocation);
    if (!line)
        return kExitUsage;
    bool found = false;
    QJsonArray results;
    for (const QString& port : named.isEmpty() ? listedPorts() : named) {
        line->port = port;
        const ProbeOutcome outcome = probePort(*line);
        found = found || outcome.found;
        const QString result = QString::fromStdString(outcome.text);
        if (parser.isSet(json))
            results.append(QJsonObject{{QStringLiteral("port"), port},
                                       {QStringLiteral("found"), outcome.found},
                                       {QStringLiteral("result"), result}});
        else
            printOut(port + QStringLiteral(": ") + result);
    }
    if (parser.isSet(json))
        printJson(QJsonDocument(results));
    return found ? kExitSuccess : kExitFailure;
}

} // namespace quarlink::cli
