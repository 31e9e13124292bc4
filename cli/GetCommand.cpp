// quarlink-cli get: the Get Info sequence, printed as the settings document (JSON) or as aligned
// "key: value" lines.
#include "cli/DocumentIo.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "settings/SettingsJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace quarlink::cli {

namespace {

void printLines(const settings::SettingsDocument& document)
{
    printEntries(settings::settingsEntries(document));
}

} // namespace

int runGet(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LineOptions lineOptions(parser);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the settings document as JSON."));
    parser.addOption(json);
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Reads the module's identity and every setting (Get Info) and prints "
                           "them as aligned 'key: value' lines, or as the JSON settings document "
                           "that 'set' takes.")))
        return *status;
    const auto line = lineOptions.read(parser, invocation);
    if (!line)
        return kExitUsage;

    SerialSession session;
    ModuleReadout readout;
    if (!session.open(*line) || !session.readSettings(readout))
        return kExitFailure;
    if (parser.isSet(json))
        printJson(QJsonDocument(settings::toJson(readout.document)));
    else
        printLines(readout.document);
    return kExitSuccess;
}

} // namespace quarlink::cli
