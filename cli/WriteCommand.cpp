// quarlink-cli write: reads one module over the LAN (as the window must before it can write),
// applies a settings document's keys over what it read and, when that changes a setting (or with
// --force), writes the record back. A bad document is refused before anything is sent.
#include "cli/ChangeOptions.h"
#include "cli/DocumentIo.h"
#include "cli/LanSession.h"
#include "cli/ManagementPassword.h"
#include "cli/ModuleChange.h"
#include "cli/Subcommands.h"
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli {

namespace {

const QLatin1String kModuleIp("moduleIp");
const QLatin1String kSetupText("setupText");

} // namespace

int runWrite(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LanOptions lanOptions(parser);
    const TargetOptions targetOptions(parser);
    const ChangeOptions changeOptions(parser);
    const PasswordOptions passwordOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The settings document (JSON), - for standard input."));
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Reads the module by MAC address (Local) or IP address (Remote), "
                           "applies the settings document's keys over what it read (keys left "
                           "out keep the module's values) and, when that changes a setting, writes "
                           "it back. The WPA pre-shared "
                           "key is derived from the pass phrase and the SSID."),
            1))
        return *status;
    if (parser.positionalArguments().isEmpty())
        return usageError(invocation, QStringLiteral("the settings document FILE is missing"));
    const auto lan = lanOptions.read(parser, invocation);
    const auto target = lan ? targetOptions.read(parser, invocation) : std::nullopt;
    const auto choice = target ? changeOptions.read(parser, invocation) : std::nullopt;
    const auto password = choice ? passwordOptions.read(parser, invocation) : std::nullopt;
    if (!password)
        return kExitUsage;

    const DocumentText document = readDocumentText(parser.positionalArguments().first());
    if (!document.text)
        return badInput(invocation, document.error);
    // A document that `read` printed names the address it came from; the target is given by
    // --mac or --ip, so that key is left aside.
    QByteArray text = *document.text;
    const QJsonDocument json = QJsonDocument::fromJson(text);
    if (json.isObject()) {
        QJsonObject object = json.object();
        if (object.contains(kSetupText))
            return badInput(invocation, QStringLiteral("setupText: a module on the LAN holds no "
                                                       "setup text; use 'set' over the serial "
                                                       "link"));
        object.remove(kModuleIp);
        text = QJsonDocument(object).toJson();
    }
    const settings::ParsedDocument parsed = settings::parseDocument(text);
    if (!parsed.object)
        return badInput(invocation, QString::fromStdString(parsed.error));

    LanSession session(*lan);
    if (!session.claimLocalPort())
        return kExitFailure;
    if (session.readModule(*target) != 0)
        return kExitFailure;
    const netmgmt::ModuleRecord record = session.manager().module(0);
    const settings::SettingsDocument read = settings::documentFromRecord(record);
    settings::SettingsDocument wanted = read;
    if (const std::string error = settings::applyDocument(*parsed.object, wanted); !error.empty())
        return badInput(invocation, QString::fromStdString(error));
    if (wanted.passphrase != read.passphrase || wanted.ssid != read.ssid)
        wanted.psk = wanted.derivedPsk();
    netmgmt::ModuleRecord changed = record;
    settings::applyChangedSettings(read, wanted, changed);
    ModuleChange change(invocation, *choice, targetText(*target));
    if (const auto status = change.prepare(settings::settingsChange(read, wanted),
                                           settings::entriesObject(recordEntries(record)),
                                           settings::entriesObject(recordEntries(changed))))
        return *status;

    session.setSettingsSource(
        [&](netmgmt::ModuleRecord& sent) { settings::applyChangedSettings(read, wanted, sent); });
    if (session.manager().write(target->mode, *password) != 0)
        return kExitFailure;
    return change.written();
}

} // namespace quarlink::cli
