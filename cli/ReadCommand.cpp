// quarlink-cli read: reads one module's environment over the LAN and prints the settings it
// holds as aligned "key: value" lines or as a JSON settings document (with `moduleIp`).
#include "cli/DocumentIo.h"
#include "cli/LanSession.h"
#include "cli/Subcommands.h"
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli {

int runRead(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LanOptions lanOptions(parser);
    const TargetOptions targetOptions(parser);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the settings document as JSON."));
    parser.addOption(json);
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Reads one module's settings over the LAN, by MAC address (Local) or "
                           "by IP address (Remote), and prints them.")))
        return *status;
    const auto lan = lanOptions.read(parser, invocation);
    const auto target = lan ? targetOptions.read(parser, invocation) : std::nullopt;
    if (!target)
        return kExitUsage;

    LanSession session(*lan);
    if (!session.claimLocalPort())
        return kExitFailure;
    if (session.readModule(*target) != 0)
        return kExitFailure;
    const auto entries = settings::recordEntries(session.manager().module(0));
    if (!parser.isSet(json)) {
        printEntries(entries);
        return kExitSuccess;
    }
    printJson(QJsonDocument(settings::entriesObject(entries)));
    return kExitSuccess;
}

} // namespace quarlink::cli
