// quarlink-cli write: reads one module over the LAN (as the window must before it can write),
// applies a settings document's keys over what it read and, when that changes a setting (or with
// --force), writes the record back. A bad document, or a change the module's record cannot carry,
// is refused before anything is sent; the write is done when the module's answer holds it.
#include "cli/ChangeOptions.h"
#include "cli/DocumentIo.h"
#include "cli/LanSession.h"
#include "cli/ManagementPassword.h"
#include "cli/SafeChange.h"
#include "cli/Subcommands.h"
#include "settings/RecordCarriage.h"
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

namespace quarlink::cli {

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
    // A document that `read` printed passes as it is: its identity and `moduleIp`, the address it
    // came from, are never written (the target is given by --mac or --ip).
    const settings::ParsedDocument parsed = settings::parseDocument(*document.text);
    if (!parsed.object)
        return badInput(invocation, QString::fromStdString(parsed.error));
    if (parsed.object->contains(settings::keyText(settings::kSetupTextKey)))
        return badInput(invocation, QStringLiteral("setupText: a module on the LAN holds no "
                                                   "setup text; use 'set' over the serial link"));

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
    settings::updatePsk(read, wanted, settings::PskUpdate::WhenPassphraseOrSsidChanges);
    const settings::SettingsChange difference = settings::settingsChange(read, wanted);
    if (const std::string uncarried = settings::uncarriedKey(record, difference);
        !uncarried.empty())
        return badInput(invocation, QString::fromStdString(uncarried));
    netmgmt::ModuleRecord changed = record;
    settings::applyChangedSettings(read, wanted, changed);
    SafeChange change(invocation, *choice, targetText(*target));
    if (const auto status =
            change.prepare(difference, settings::entriesObject(settings::recordEntries(record)),
                           settings::entriesObject(settings::recordEntries(changed))))
        return *status;

    session.setSettingsSource(
        [&](netmgmt::ModuleRecord& sent) { settings::applyChangedSettings(read, wanted, sent); });
    if (session.manager().write(target->mode, *password) != 0)
        return kExitFailure;
    // Done only when the module's answer holds what was written; the manager keeps the answer
    // in the entry it wrote.
    if (const std::string untaken =
            settings::untakenKey(session.manager().module(0), wanted, difference);
        !untaken.empty()) {
        printError(QStringLiteral("quarlink-cli write: %1").arg(QString::fromStdString(untaken)));
        return kExitFailure;
    }
    return change.written();
}

} // namespace quarlink::cli
