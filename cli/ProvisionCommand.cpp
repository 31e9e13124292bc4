// quarlink-cli provision: one plan for many modules, over the LAN and many serial ports at
// once. The plan and its values are checked as a whole before anything is sent; then each
// module is read, changed where the plan differs, backed up first when asked, and reported by
// one line as it finishes, with a summary at the end. --restore writes a folder of backups back.
#include "cli/DocumentIo.h"
#include "cli/LanOptions.h"
#include "cli/LanSession.h"
#include "cli/ManagementPassword.h"
#include "cli/ProgressBar.h"
#include "cli/SerialDocumentWrite.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "cli/TraceOptions.h"
#include "fleet/PlanChecks.h"
#include "fleet/ProvisionRun.h"
#include "fleet/ValuesCsv.h"

#include "os/Process.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <map>
#include <mutex>

namespace quarlink::cli {

namespace {

using fleet::PlannedModule;

constexpr int kProgressWidth = 30;

// The run's results on standard output and its progress on standard error (a bar on a
// terminal only); the local management port claimed for the LAN run. Called by one module at a
// time.
class CliProvisionHost final : public fleet::ProvisionHost
{
public:
    CliProvisionHost(bool json, const LanChoice& lan)
        : m_json(json), m_lan(lan), m_terminal(os::isTerminal(stderr))
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

    bool claimLanPort(std::string& error) override
    {
        m_portLock = claimLocalPort(m_lan); // says why, when it cannot
        if (!m_portLock)
            error = "the local management port stays in use";
        return m_portLock.has_value();
    }

    void releaseLanPort() override { m_portLock.reset(); }

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
    const LanChoice& m_lan;
    std::optional<ManagementPortLock> m_portLock;
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
    // Every backup is checked as a settings document before anything is sent.
    fleet::BackupsReading backups;
    if (restoring) {
        backups = fleet::readBackups(parser.value(restore));
        if (!backups.backups)
            return badInput(invocation, QStringLiteral("--restore: ") + backups.error);
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
    if (parser.isSet(backup) && !QDir().mkpath(parser.value(backup)))
        return badInput(
            invocation,
            QStringLiteral("--backup: cannot make the folder %1").arg(parser.value(backup)));

    fleet::RunRequest request = fleet::requestFromPlan(plan, ownPasswords, *password);
    request.serialJobs = jobCount.value_or(0);
    request.lanSettings = {lan->parameters, lan->timings};
    request.lanSettings.trace = cliTrace();
    request.choices = {parser.isSet(dryRun), parser.isSet(backup)};
    request.backupFolder = parser.value(backup);
    request.restore = std::move(backups.backups);
    CliProvisionHost host(parser.isSet(json), *lan);
    fleet::ProvisionRun run(std::move(request), host, makeSessionLink);
    const fleet::LanRunOutcome lanRun = run.run();
    if (!lanRun.message.empty())
        printError(QStringLiteral("quarlink-cli provision: %1")
                       .arg(QString::fromStdString(lanRun.message)));
    host.summarise();
    return lanRun.ok && host.tally().allSucceeded() ? kExitSuccess : kExitFailure;
}

} // namespace quarlink::cli
