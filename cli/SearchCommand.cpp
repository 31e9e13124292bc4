// quarlink-cli search: lists the modules on the LAN that answer a search, by broadcast (Local)
// or at one address (--remote), one line per module or a JSON array.
#include "cli/DocumentIo.h"
#include "cli/LanSession.h"
#include "cli/Subcommands.h"
#include "settings/RecordMapping.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli {

int runSearch(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LanOptions lanOptions(parser);
    const QCommandLineOption remote(QStringLiteral("remote"),
                                    QStringLiteral("Searches the one module at this address "
                                                   "(Remote) instead of by broadcast."),
                                    QStringLiteral("IP"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the modules as a JSON array."));
    parser.addOptions({remote, json});
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Searches the LAN for modules and prints one line per module (MAC "
                           "address, IP address, product id, firmware), sorted by MAC address.")))
        return *status;
    const auto lan = lanOptions.read(parser, invocation);
    if (!lan)
        return kExitUsage;
    auto mode = netmgmt::TargetMode::Local;
    std::uint32_t address = 0;
    if (parser.isSet(remote)) {
        const auto ip = netmgmt::parseIpv4(parser.value(remote).toStdString());
        if (!ip)
            return usageError(invocation, QStringLiteral("--remote: \"%1\" is not an IPv4 address")
                                              .arg(parser.value(remote)));
        mode = netmgmt::TargetMode::Remote;
        address = hostOrderAddress(*ip);
    }

    LanSession session(*lan);
    if (!session.claimLocalPort())
        return kExitFailure;
    const std::size_t found = session.manager().search(mode, address);
    if (mode == netmgmt::TargetMode::Remote && address == 0)
        return kExitUsage; // "please input the IP Address": nothing was sent
    if (found == 0)
        return kExitFailure;
    QJsonArray modules;
    for (std::size_t i = 0; i < found; ++i)
        modules.append(settings::searchSummary(session.manager().module(i)));
    if (parser.isSet(json)) {
        printJson(QJsonDocument(modules));
        return kExitSuccess;
    }
    for (const QJsonValue& m : modules) {
        const QJsonObject o = m.toObject();
        printOut(QStringLiteral("%1  %2  %3  %4")
                     .arg(o.value(QLatin1String("mac")).toString())
                     .arg(o.value(QLatin1String("moduleIp")).toString(), -15)
                     .arg(o.value(QLatin1String("productId")).toInt(), 5)
                     .arg(o.value(QLatin1String("firmware")).toString()));
    }
    return kExitSuccess;
}

} // namespace quarlink::cli
