// quarlink-cli doctor: what stands between this machine and a module. The serial ports found,
// each one's access for this user and any other process holding it; the management UDP port;
// a route for the broadcast address; the QUARLINK_* variables in effect. Every problem comes
// with the command that mends it. Nothing is written to a port or sent on the network.
#include "cli/DocumentIo.h"
#include "cli/LanOptions.h"
#include "cli/Subcommands.h"
#include "netmgmt/ManagementEndpoint.h"
#include "os/PortCheck.h"
#include "os/Process.h"
#include "os/SerialDevice.h"
#include "os/SystemError.h"
#include "os/UdpSocket.h"
#include "platform/SerialPortList.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

namespace quarlink::cli {

namespace {

// The variables whose values the report shows; any other QUARLINK_* variable is listed without
// its value, as the management key and password are (a misspelt name may hold either).
QStringList shownVariables()
{
    QStringList names{QLatin1String(platform::kExtraPortsVariable),
                      QStringLiteral("QUARLINK_MGMT_LOCK_DIR"), QStringLiteral("QUARLINK_TRACE")};
    for (const auto& setting : netmgmt::kManagementSettingNames)
        if (setting.setting != netmgmt::ManagementSetting::Key)
            names << QLatin1String(setting.variable);
    return names;
}

// The checks' results: lines on standard output, or with --json one object at the end
// ({"sections": [{"title", "checks": [{"text", "ok", "fix"}]}], "problems": N}).
class Report
{
public:
    explicit Report(bool json) : m_json(json) {}

    void section(const QString& title)
    {
        if (!m_json)
            printOut(title);
        m_sections.append(QJsonObject{{QStringLiteral("title"), title.chopped(1)},
                                      {QStringLiteral("checks"), QJsonArray()}});
    }
    void fine(const QString& line)
    {
        if (!m_json)
            printOut(QStringLiteral("  ") + line);
        add(QJsonObject{{QStringLiteral("text"), line}, {QStringLiteral("ok"), true}});
    }
    void problem(const QString& line, const QString& fix)
    {
        ++m_problems;
        if (!m_json) {
            printOut(QStringLiteral("  ") + line);
            printOut(QStringLiteral("    fix: ") + fix);
        }
        add(QJsonObject{{QStringLiteral("text"), line},
                        {QStringLiteral("ok"), false},
                        {QStringLiteral("fix"), fix}});
    }
    int problems() const { return m_problems; }

    // The closing line, or the whole report as JSON.
    void finish() const
    {
        if (m_json) {
            printJson(QJsonDocument(QJsonObject{{QStringLiteral("sections"), m_sections},
                                                {QStringLiteral("problems"), m_problems}}));
            return;
        }
        printOut(m_problems == 0 ? QStringLiteral("No problem found.")
                                 : QStringLiteral("%1 problem(s) found.").arg(m_problems));
    }

private:
    void add(const QJsonObject& check)
    {
        if (m_sections.isEmpty())
            return;
        QJsonObject last = m_sections.last().toObject();
        QJsonArray checks = last.value(QStringLiteral("checks")).toArray();
        checks.append(check);
        last.insert(QStringLiteral("checks"), checks);
        m_sections.replace(m_sections.size() - 1, last);
    }

    bool m_json;
    int m_problems = 0;
    QJsonArray m_sections;
};

QString holderText(const std::vector<int>& pids)
{
    return QString::fromStdString(os::holdersText(pids));
}

void checkPort(Report& report, const QString& port, os::PortOrigin origin)
{
    const std::string path = os::devicePathFor(port.toStdString());
    const auto problems = os::serialPortProblems(path, origin);
    for (const os::PortProblem& problem : problems)
        report.problem(QString::fromStdString(problem.text), QString::fromStdString(problem.fix));
    if (problems.empty())
        report.fine(QString::fromStdString(os::portNameOf(path) + ": " + os::kSerialPortFine));
}

void checkSerialPorts(Report& report, const QStringList& named)
{
    report.section(QStringLiteral("Serial ports:"));
    if (!named.isEmpty()) {
        for (const QString& port : named)
            checkPort(report, port, os::PortOrigin::Named);
        return;
    }
    const QStringList extra =
        platform::splitExtraPorts(QString::fromLocal8Bit(qgetenv(platform::kExtraPortsVariable)));
    QStringList ports;
    if (const auto listed = platform::SystemPortList().ports())
        for (const auto& entry : *listed)
            ports << entry.name;
    if (ports.isEmpty()) {
        report.problem(QStringLiteral("no serial port found"),
                       QString::fromStdString(os::noSerialPortFix()));
        return;
    }
    for (const QString& port : ports)
        checkPort(report, port,
                  extra.contains(port) ? os::PortOrigin::ExtraPorts : os::PortOrigin::SystemList);
}

// The shell command that sets `name` to `value`, as the user's system writes it.
QString setVariable(const char* name, const char* value)
{
    return QString::fromStdString(os::setVariableCommand(name, value));
}

void checkManagementPort(Report& report, const netmgmt::ManagementParameters& parameters)
{
    const std::uint16_t port = parameters.localPort;
    if (port == 0) {
        report.fine(QStringLiteral("management UDP port: any free port"));
        return;
    }
    const QString title = QStringLiteral("management UDP port %1").arg(port);
    const QString anyPort = QStringLiteral("let this one take any free port: ") +
                            setVariable("QUARLINK_MGMT_LOCAL_PORT", "0");
    // Another socket on the port takes answers meant for this program even when both may bind.
    if (const auto holder = os::udpPortHolder(port)) {
        const QString holders = holderText({*holder});
        report.problem(title + QStringLiteral(": held by ") + holders,
                       QStringLiteral("close %1, or %2").arg(holders, anyPort));
        return;
    }
    int error = 0;
    if (!netmgmt::ManagementEndpoint::open(parameters.bindAddress, port, error)) {
        report.problem(title + QStringLiteral(": cannot be bound: ") +
                           QString::fromStdString(os::systemErrorText(error)),
                       port < 1024 ? QStringLiteral("choose a port from 1024 on, or any free "
                                                    "port: ") +
                                         setVariable("QUARLINK_MGMT_LOCAL_PORT", "0")
                                   : QStringLiteral("close the program that uses it, or ") +
                                         anyPort);
        return;
    }
    report.fine(title + QStringLiteral(": free"));
}

void checkBroadcastRoute(Report& report, const netmgmt::ManagementParameters& parameters)
{
    const QString address =
        QString::fromStdString(netmgmt::formatIpv4(parameters.broadcastAddress));
    const QString title = QStringLiteral("broadcast %1").arg(address);
    int error = 0;
    const auto from =
        os::localAddressTowards(parameters.broadcastAddress, parameters.modulePort, error);
    if (!from) {
        report.problem(title + QStringLiteral(": no route (") +
                           QString::fromStdString(os::systemErrorText(error)) + QLatin1Char(')'),
                       QStringLiteral("connect this machine to the printer's network, or name "
                                      "the subnet's broadcast address: ") +
                           setVariable("QUARLINK_MGMT_BROADCAST", "192.168.1.255"));
        return;
    }
    report.fine(title + QStringLiteral(": goes out from ") +
                QString::fromStdString(netmgmt::formatIpv4(*from)));
}

void listVariables(Report& report)
{
    report.section(QStringLiteral("Variables:"));
    bool any = false;
    const QStringList shown = shownVariables();
    for (const std::string& entry : os::environmentEntries()) {
        const QString text = QString::fromStdString(entry);
        if (!text.startsWith(QLatin1String("QUARLINK_")))
            continue;
        any = true;
        const QString name = text.section(QLatin1Char('='), 0, 0);
        report.fine(shown.contains(name) ? text : name + QStringLiteral("=(set, not shown)"));
    }
    if (!any)
        report.fine(QStringLiteral("no QUARLINK_* variable is set"));
}

} // namespace

int runDoctor(const Invocation& invocation)
{
    QCommandLineParser parser;
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Checks this serial port (%1) instead of the ports listed; may be given "
                       "more than once.")
            .arg(QLatin1String(os::kPortNameForm)),
        QStringLiteral("P"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the report as one JSON object."));
    parser.addOptions({port, json});
    const LanOptions lanOptions(parser);
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Checks what stands between this machine and a module: the serial "
                           "ports and this user's access to them, other programs holding a port, "
                           "the management UDP port, a route for the broadcast address and the "
                           "QUARLINK_* variables. Each problem is shown with the command that "
                           "mends it. Exit status 0 when nothing is wrong, 1 otherwise. Nothing "
                           "is written to a port or sent on the network.")))
        return *status;

    Report report(parser.isSet(json));
    checkSerialPorts(report, parser.values(port));
    report.section(QStringLiteral("Network:"));
    const auto environment = netmgmt::managementParametersFromEnvironment(
        [](const char* name) { return std::getenv(name); });
    if (!environment.parameters) {
        const QString error = QString::fromStdString(environment.error);
        report.problem(error + QStringLiteral(" (the network checks wait for it)"),
                       QStringLiteral("correct the value, or: ") +
                           QString::fromStdString(os::unsetVariableCommand(
                               error.section(QLatin1Char(':'), 0, 0).toStdString())));
    } else if (const auto lan = lanOptions.read(parser, invocation)) {
        checkManagementPort(report, lan->parameters);
        checkBroadcastRoute(report, lan->parameters);
    } else {
        return kExitUsage;
    }
    listVariables(report);
    report.finish();
    return report.problems() == 0 ? kExitSuccess : kExitFailure;
}

} // namespace quarlink::cli
