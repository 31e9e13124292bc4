#include "cli/ChangeOptions.h"

#include "fleet/PrivateFile.h"

namespace quarlink::cli {

ChangeOptions::ChangeOptions(QCommandLineParser& parser)
    : m_dryRun(QStringLiteral("dry-run"),
               QStringLiteral("Reads the module and prints what would change; writes nothing.")),
      m_force(QStringLiteral("force"),
              QStringLiteral("Writes every setting even when the document changes nothing.")),
      m_quiet(QStringLiteral("quiet"),
              QStringLiteral("Does not print the change on standard error before writing.")),
      m_json(QStringLiteral("json"),
             QStringLiteral("Prints one JSON result object (target, changed, changes, written) "
                            "on standard output.")),
      m_backup(QStringLiteral("backup"),
               QStringLiteral("Before writing, saves the module's settings as read (secrets "
                              "included, mode 0600) to FILE: a document that puts them back."),
               QStringLiteral("FILE")),
      m_showSecrets(QStringLiteral("show-secrets"),
                    QStringLiteral("Shows pass phrase, WEP keys and WPA key in the change and "
                                   "the result instead of \"********\"."))
{
    parser.addOptions({m_dryRun, m_force, m_quiet, m_json, m_backup, m_showSecrets});
}

std::optional<ChangeChoice> ChangeOptions::read(const QCommandLineParser& parser,
                                                const Invocation& invocation) const
{
    ChangeChoice choice;
    choice.dryRun = parser.isSet(m_dryRun);
    choice.force = parser.isSet(m_force);
    choice.quiet = parser.isSet(m_quiet);
    choice.json = parser.isSet(m_json);
    choice.showSecrets = parser.isSet(m_showSecrets);
    if (parser.isSet(m_backup)) {
        choice.backupPath = parser.value(m_backup);
        if (const QString problem = fleet::privateFilePathProblem(choice.backupPath);
            !problem.isEmpty()) {
            usageError(invocation, QStringLiteral("--backup: ") + problem);
            return std::nullopt;
        }
    }
    return choice;
}

WriteDecision decideWrite(const ChangeChoice& choice, const settings::SettingsChange& change)
{
    if (choice.dryRun)
        return WriteDecision::DryRun;
    return change.empty() && !choice.force ? WriteDecision::Unchanged : WriteDecision::Write;
}

QJsonObject ChangeResult::toJson(settings::Secrets secrets) const
{
    QJsonObject object{
        {QStringLiteral("target"), target},
        {QStringLiteral("changed"), !change.empty()},
        {QStringLiteral("changes"), settings::changeObject(change, secrets)},
        {QStringLiteral("written"), written},
        {QStringLiteral("before"), settings::withSecrets(before, secrets)},
        {QStringLiteral("after"), settings::withSecrets(after, secrets)},
    };
    if (!backup.isEmpty())
        object.insert(QStringLiteral("backup"), backup);
    return object;
}

} // namespace quarlink::cli
