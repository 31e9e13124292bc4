// quarlink-cli set: reads the module (Get Info), applies a settings document over what it read
// and, when that changes a setting (or with --force), writes every item back with the Set Info
// sequence, as the window's "Set Info" does, the derived WPA key included. A bad document is
// refused before the port is opened.
#include "cli/ChangeOptions.h"
#include "cli/DocumentIo.h"
#include "cli/SafeChange.h"
#include "cli/SerialDocumentWrite.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"

namespace quarlink::cli {

int runSet(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LineOptions lineOptions(parser);
    const ChangeOptions changeOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The settings document (JSON), - for standard input."));
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Reads the module (Get Info), applies the settings document's keys over "
                           "what it read (keys left out keep the module's values) and, when "
                           "that changes a setting, writes every setting back (Set Info). The WPA "
                           "pre-shared key is derived from "
                           "the pass phrase and the SSID. A changed setupText is uploaded first."),
            1))
        return *status;
    if (parser.positionalArguments().isEmpty())
        return usageError(invocation, QStringLiteral("the settings document FILE is missing"));
    const auto line = lineOptions.read(parser, invocation);
    const auto choice = line ? changeOptions.read(parser, invocation) : std::nullopt;
    if (!choice)
        return kExitUsage;

    const DocumentText document = readDocumentText(parser.positionalArguments().first());
    if (!document.text)
        return badInput(invocation, document.error);
    const settings::ParsedDocument parsed = settings::parseDocument(*document.text);
    if (!parsed.object)
        return badInput(invocation, QString::fromStdString(parsed.error));
    const QJsonObject& object = *parsed.object;

    SerialSession session;
    ModuleReadout readout;
    if (!session.open(*line) || !session.readSettings(readout))
        return kExitFailure;

    const settings::SettingsDocument& read = readout.document;
    settings::SettingsDocument wanted = read;
    if (const std::string error = settings::applyDocument(object, wanted); !error.empty())
        return badInput(invocation, QString::fromStdString(error));
    settings::updatePsk(read, wanted, settings::PskUpdate::Always);
    if (object.contains(QLatin1String("psk")) &&
        object.value(QLatin1String("psk"))
                .toString()
                .compare(settings::hexText(wanted.psk), Qt::CaseInsensitive) != 0)
        printError(QStringLiteral("psk: not written as given; the key is derived from "
                                  "passphrase and ssid"));

    SafeChange change(invocation, *choice, line->port);
    if (const auto status = change.prepare(settings::settingsChange(read, wanted),
                                           settings::toJson(read), settings::toJson(wanted)))
        return *status;

    if (!writeDocument(session, readout, wanted))
        return kExitFailure;
    return change.written(QStringLiteral("Success"));
}

} // namespace quarlink::cli
