// quarlink-cli provision: one plan for many modules, over the LAN and many serial ports at
// once. The plan and its values are checked as a whole before anything is sent; then each
// module is read, changed where the plan differs, backed up first when asked, and reported by
// one line as it finishes, with a summary at the end. --restore writes a folder of backups back.
#include "cli/DocumentIo.h"
#include "cli/LanOptions.h"
#include "cli/LanSession.h"
#include "cli/ManagementPassword.h"
#include "fleet/PrivateFile.h"
#include "cli/ProgressBar.h"
#include "cli/SerialDocumentWrite.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "fleet/LanProvisioning.h"
#include "fleet/PlanChecks.h"
#include "fleet/ProvisionPlan.h"
#include "fleet/SerialProvisioning.h"
#include "fleet/ValuesCsv.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

namespace quarlink::cli {

namespace {

using fleet::PlannedModule;

constexpr int kProgressWidth = 30;

// The run's results on standard output and its progress on standard error (a bar on a
// terminal only). Called by one module at a time.
class CliProvisionHost final : public fleet::ProvisionHost
{
public:
    CliProvisionHost(bool json, QString backupDir)
        : m_json(json), m_backupDir(std::move(backupDir)), m_terminal(::isatty(STDERR_FILENO) == 1)
    {
    }

    void moduleFinished(const fleet::ModuleResult& result) override
    {
        const std::lock_guard lock(m_mutex);
        clearBar();
        m_tally.add(result.outcome);
        printOut(m_json
                     ? QString::fromUtf8(
                           QJsonDocument(fleet::resultJson(result)).toJson(QJsonDocument::Compact))
                     : fleet::resultLine(result));
        drawBar();
    }

    std::string saveBackup(const QString& mac, const QJsonObject& document) override
    {
        const QString path = QDir(m_backupDir).filePath(mac + QStringLiteral(".json"));
        // Owner-only: a backup holds the pass phrase and the keys.
        return fleet::writePrivateFile(path, QJsonDocument(document).toJson()).toStdString();
    }

    void progress(std::size_t finished, std::size_t total) override
    {
        const std::lock_guard lock(m_mutex);
        m_finished = finished;
        m_total = total;
        drawBar();
    }

    // Ends the bar's line and prints the summary.
    void summarise()
    {
        clearBar();
        if (m_json)
            printOut(QString::fromUtf8(
                QJsonDocument(QJsonObject{{QStringLiteral("changed"), qint64(m_tally.changed)},
                                          {QStringLiteral("unchanged"), qint64(m_tally.unchanged)},
                                          {QStringLiteral("failed"), qint64(m_tally.failed)},
                                          {QStringLiteral("notFound"), qint64(m_tally.notFound)}})
                    .toJson(QJsonDocument::Compact)));
        else
            printOut(fleet::summaryLine(m_tally));
    }

    const fleet::Tally& tally() const { return m_tally; }

private:
    void drawBar()
    {
        if (!m_terminal || m_total == 0)
            return;
        drawProgressBar(m_finished, m_total, kProgressWidth,
                        std::to_string(m_finished) + "/" + std::to_string(m_total));
    }
    void clearBar()
    {
        if (m_terminal && m_total != 0)
            clearProgressBar();
    }

    bool m_json;
    QString m_backupDir;
    bool m_terminal;
    std::mutex m_mutex;
    fleet::Tally m_tally;
    std::size_t m_finished = 0;
    std::size_t m_total = 0;
};

// A serial module's link: a session on the port, its errors kept for the result line.
class SessionLink final : public fleet::SerialLink
{
public:
    explicit SessionLink(const fleet::SerialTarget& target)
    {
        m_choice.port = target.port;
        m_choice.line = target.line;
        m_choice.answerTimeout = target.answerTimeout;
        m_session.setErrorSink([this](const QString& text) { m_error = text; });
    }

    bool read(settings::SettingsDocument& document, std::string& error) override
    {
        if (!m_session.open(m_choice) || !m_session.readSettings(m_readout))
            return failed(error);
        document = m_readout.document;
        return true;
    }

    bool write(const settings::SettingsDocument& wanted, std::string& error) override
    {
        return writeDocument(m_session, m_readout, wanted) || failed(error);
    }

private:
    bool failed(std::string& error) const
    {
        error = m_error.isEmpty() ? std::string("the line failed") : m_error.toStdString();
        return false;
    }

    LineChoice m_choice;
    SerialSession m_session;
    ModuleReadout m_readout;
    QString m_error;
};

std::unique_ptr<fleet::SerialLink> makeSessionLink(const fleet::SerialTarget& target)
{
    return std::make_unique<SessionLink>(target);
}

std::optional<QByteArray> readFile(const QString& path, QString& error)
{
    const DocumentText text = readDocumentText(path);
    if (!text.text)
        error = text.error;
    return text.text;
}

// The backups of a folder: each file's settings keys by the MAC address it holds. Every file
// is checked as a settings document before anything is sent; the keys kept are those it holds,
// less the identity and the derived key, which a restore does not write.
std::optional<std::map<QString, QJsonObject>> readBackups(const QString& folder, QString& error)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        error = QStringLiteral("--restore: %1 is not a folder").arg(folder);
        return std::nullopt;
    }
    std::map<QString, QJsonObject> backups;
    std::map<QString, QString> files; // MAC address -> the file that holds its backup
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        const auto text = readFile(path, error);
        if (!text)
            return std::nullopt;
        const settings::ParsedDocument parsed = settings::parseDocument(*text);
        const auto mac = parsed.object
                             ? settings::parseMacAddress(parsed.object->value("mac").toString())
                             : std::nullopt;
        if (!mac) {
            error = QStringLiteral("%1: %2").arg(path, parsed.object
                                                           ? QStringLiteral("holds no \"mac\"")
                                                           : QString::fromStdString(parsed.error));
            return std::nullopt;
        }
        const QString macText = settings::macAddressText(*mac);
        if (const auto other = files.find(macText); other != files.end()) {
            error = QStringLiteral("--restore: %1 and %2 both hold a backup of %3; keep one")
                        .arg(other->second, path, macText);
            return std::nullopt;
        }
        files[macText] = path;
        QJsonObject keys = *parsed.object;
        for (const QString& key : keys.keys())
            if (settings::isNeverWritten(key))
                keys.remove(key);
        backups[macText] = keys;
    }
    if (backups.empty()) {
        error = QStringLiteral("--restore: %1 holds no backup (*.json)").arg(folder);
        return std::nullopt;
    }
    return backups;
}

fleet::SerialTarget serialTarget(const fleet::ProvisionPlan& plan, const PlannedModule& module)
{
    return {module.port, module.line, module.answerTimeout, fleet::plannedKeys(plan, module), {}};
}

} // namespace

int runProvision(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LanOptions lanOptions(parser);
    const QCommandLineOption values(QStringLiteral("values"),
                                    QStringLiteral("Per-module values: a CSV file whose header "
                                                   "names a mac and/or port column, then keys."),
                                    QStringLiteral("CSV"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Reads each module and lists what would change; "
                                                   "writes nothing."));
    const QCommandLineOption backup(
        QStringLiteral("backup"),
        QStringLiteral("Saves each module's settings to DIR/<mac>.json before writing it."),
        QStringLiteral("DIR"));
    const QCommandLineOption restore(
        QStringLiteral("restore"),
        QStringLiteral("Writes the backups of DIR back: LAN modules by their MAC address, the "
                       "plan's serial ports by the MAC address each module reports."),
        QStringLiteral("DIR"));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"),
        QStringLiteral("Serial ports provisioned at once (default: all the plan names)."),
        QStringLiteral("N"));
    const PasswordOptions passwordOptions(parser);
    const QCommandLineOption json(
        QStringLiteral("json"), QStringLiteral("One JSON object per module and for the summary."));
    parser.addOptions({values, dryRun, backup, restore, jobs, json});
    parser.addPositionalArgument(QStringLiteral("PLAN"),
                                 QStringLiteral("The provisioning plan (JSON)."));
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Applies a provisioning plan to many modules: over the LAN (many "
                           "exchanges at once) and on serial ports (one session per port). "
                           "Each module is read, and only what differs is written."),
            1))
        return *status;
    const bool restoring = parser.isSet(restore);
    if (parser.isSet(dryRun) && (parser.isSet(backup) || restoring))
        return usageError(invocation, QStringLiteral("--dry-run writes nothing, so it takes "
                                                     "neither --backup nor --restore"));
    if (parser.positionalArguments().isEmpty() && !restoring)
        return usageError(invocation, QStringLiteral("the plan PLAN is missing"));
    std::optional<std::size_t> jobCount;
    if (parser.isSet(jobs)) {
        bool ok = false;
        const int n = parser.value(jobs).toInt(&ok);
        if (!ok || n < 1 || n > 1024)
            return usageError(invocation, QStringLiteral("--jobs: expected 1 to 1024"));
        jobCount = static_cast<std::size_t>(n);
    }

    fleet::ProvisionPlan plan;
    QString error;
    if (!parser.positionalArguments().isEmpty()) {
        const QString planPath = parser.positionalArguments().first();
        const auto text = readFile(planPath, error);
        if (!text)
            return badInput(invocation, error);
        fleet::PlanParse parsed = fleet::parsePlan(*text);
        if (!parsed.plan)
            return badInput(invocation,
                            planPath + QStringLiteral(": ") + QString::fromStdString(parsed.error));
        plan = std::move(*parsed.plan);
        if (parser.isSet(values)) {
            const QString csvPath = parser.value(values);
            const auto csv = readFile(csvPath, error);
            if (!csv)
                return badInput(invocation, error);
            const QString csvName = QFileInfo(csvPath).fileName();
            const fleet::ValuesParse rows = fleet::parseValuesCsv(*csv, csvName);
            if (!rows.rows)
                return badInput(invocation, QString::fromStdString(rows.error));
            if (const std::string merged = fleet::mergeValues(plan, *rows.rows, csvName);
                !merged.empty())
                return badInput(invocation, QString::fromStdString(merged));
        }
        if (!restoring)
            if (const std::string checked = fleet::checkPlan(plan); !checked.empty())
                return badInput(invocation,
                                planPath + QStringLiteral(": ") + QString::fromStdString(checked));
    }
    std::optional<std::map<QString, QJsonObject>> backups;
    if (restoring) {
        backups = readBackups(parser.value(restore), error);
        if (!backups)
            return badInput(invocation, error);
    }
    const auto lan = lanOptions.read(parser, invocation, [&plan](LanChoice& choice) {
        for (const auto& [setting, value] : plan.lanSettings)
            if (std::string e = netmgmt::applyManagementSetting(choice.parameters, setting, value);
                !e.empty())
                return "lan: " + e;
        if (plan.answerTimeout)
            for (auto* t : {&choice.timings.search, &choice.timings.read, &choice.timings.write})
                t->waitPerSelect = t->deadline = *plan.answerTimeout;
        return std::string();
    });
    if (!lan)
        return kExitUsage;
    // The password of every LAN module, unless its entry names a file of its own (a path
    // relative to the plan's folder); a restore sends a module the same as a run.
    const auto password = passwordOptions.read(parser, invocation);
    if (!password)
        return kExitUsage;
    std::map<netmgmt::MacAddress, ManagementPassword> ownPasswords;
    for (const PlannedModule& module : plan.modules) {
        if (module.passwordFile.isEmpty())
            continue;
        const QString path =
            QFileInfo(parser.positionalArguments().value(0)).dir().filePath(module.passwordFile);
        const PasswordReading reading = readPasswordFile(path);
        if (!reading.password)
            return badInput(invocation,
                            module.place + QStringLiteral(".passwordFile: ") + reading.error);
        ownPasswords[module.mac] = *reading.password;
    }
    const auto passwordOf = [&](const netmgmt::MacAddress& mac) {
        const auto own = ownPasswords.find(mac);
        return own != ownPasswords.end() ? own->second : *password;
    };
    if (parser.isSet(backup) && !QDir().mkpath(parser.value(backup)))
        return badInput(
            invocation,
            QStringLiteral("--backup: cannot make the folder %1").arg(parser.value(backup)));

    std::vector<fleet::SerialTarget> serialTargets;
    std::vector<fleet::LanTarget> lanTargets;
    std::mutex claimedMutex;
    std::set<QString> claimed; // backups a serial module took
    for (const PlannedModule& module : plan.modules) {
        if (module.kind == PlannedModule::Kind::Serial) {
            fleet::SerialTarget target = serialTarget(plan, module);
            if (backups)
                target.keysForMac = [&](const QString& mac) -> std::optional<QJsonObject> {
                    const auto it = backups->find(mac);
                    if (it == backups->end())
                        return std::nullopt;
                    const std::lock_guard lock(claimedMutex);
                    claimed.insert(mac);
                    return it->second;
                };
            serialTargets.push_back(std::move(target));
        } else if (!backups) {
            lanTargets.push_back(
                {module.mac, fleet::plannedKeys(plan, module), passwordOf(module.mac)});
        }
    }

    const fleet::RunChoices choices{parser.isSet(dryRun), parser.isSet(backup)};
    CliProvisionHost host(parser.isSet(json), parser.value(backup));
    fleet::MacClaims macs;
    const std::size_t serialJobs = jobCount.value_or(serialTargets.size());
    std::thread serialRun;
    if (!serialTargets.empty()) {
        serialRun = std::thread([&] {
            fleet::runSerialProvisioning(serialTargets, serialJobs, choices, host, macs,
                                         makeSessionLink);
        });
        // A restore learns from the serial modules which backups remain for the LAN.
        if (backups)
            serialRun.join();
    }
    if (backups)
        for (const auto& [mac, keys] : *backups)
            if (!claimed.contains(mac)) {
                const netmgmt::MacAddress address = *settings::parseMacAddress(mac);
                lanTargets.push_back({address, keys, passwordOf(address)});
            }

    fleet::LanRunOutcome lanRun;
    if (!lanTargets.empty() || (plan.select && !backups)) {
        // Held for the whole run: its exchanges share the local port with no other process.
        const auto portLock = claimLocalPort(*lan);
        fleet::LanRunSettings settings{lan->parameters, lan->timings};
        lanRun = portLock
                     ? fleet::runLanProvisioning(settings, lanTargets,
                                                 backups ? std::nullopt : plan.select,
                                                 plan.templateKeys, *password, choices, host, macs)
                     : fleet::LanRunOutcome{false, "the LAN modules were not reached: the "
                                                   "local management port stays in use"};
    }
    if (serialRun.joinable())
        serialRun.join();
    if (!lanRun.message.empty())
        printError(QStringLiteral("quarlink-cli provision: %1")
                       .arg(QString::fromStdString(lanRun.message)));
    host.summarise();
    return lanRun.ok && host.tally().allSucceeded() ? kExitSuccess : kExitFailure;
}

} // namespace quarlink::cli
