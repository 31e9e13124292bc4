#include "cli/LanSession.h"

#include "cli/TraceOptions.h"
#include "netmgmt/ManagementParameters.h"
#include "settings/JsonValueForms.h"

namespace quarlink::cli {

std::uint32_t hostOrderAddress(const netmgmt::Ipv4Bytes& a)
{
    return std::uint32_t{a[0]} << 24 | std::uint32_t{a[1]} << 16 | std::uint32_t{a[2]} << 8 | a[3];
}

QString targetText(const ModuleTarget& target)
{
    if (target.mode == netmgmt::TargetMode::Remote)
        return settings::ipv4Text(target.address);
    return settings::macAddressText(target.mac);
}

TargetOptions::TargetOptions(QCommandLineParser& parser)
    : m_mac(QStringLiteral("mac"),
            QStringLiteral("The module's MAC address, such as 00:30:F9:00:00:01: found by "
                           "broadcast (Local)."),
            QStringLiteral("MAC")),
      m_ip(QStringLiteral("ip"), QStringLiteral("The module's IP address (Remote)."),
           QStringLiteral("IP"))
{
    parser.addOptions({m_mac, m_ip});
}

std::optional<ModuleTarget> TargetOptions::read(const QCommandLineParser& parser,
                                                const Invocation& invocation) const
{
    if (parser.isSet(m_mac) == parser.isSet(m_ip)) {
        usageError(invocation, QStringLiteral("give the module as either --mac or --ip"));
        return std::nullopt;
    }
    ModuleTarget target;
    if (parser.isSet(m_mac)) {
        const auto mac = settings::parseMacAddress(parser.value(m_mac));
        if (!mac) {
            usageError(invocation, QStringLiteral("--mac: \"%1\" is not a MAC address such as "
                                                  "00:30:F9:00:00:01")
                                       .arg(parser.value(m_mac)));
            return std::nullopt;
        }
        target.mac = *mac;
        return target;
    }
    const auto address = netmgmt::parseIpv4(parser.value(m_ip).toStdString());
    if (!address || hostOrderAddress(*address) == 0) {
        usageError(
            invocation,
            QStringLiteral("--ip: \"%1\" is not a module's IPv4 address").arg(parser.value(m_ip)));
        return std::nullopt;
    }
    target.mode = netmgmt::TargetMode::Remote;
    target.address = hostOrderAddress(*address);
    return target;
}

LanSession::LanSession(const LanChoice& choice)
    : m_choice(choice), m_manager(*this, choice.parameters, choice.timings)
{
    m_manager.setTrace(cliTrace());
}

std::optional<ManagementPortLock> claimLocalPort(const LanChoice& choice)
{
    const std::uint16_t port = choice.parameters.localPort;
    std::string error;
    auto lock = ManagementPortLock::claim(
        port, choice.lockFolder, choice.portWait,
        [port] {
            printError(QStringLiteral("Waiting for UDP port %1: another quarlink-cli is using it")
                           .arg(port));
        },
        error);
    if (!lock)
        printError(QStringLiteral("UDP port %1 is not free: %2")
                       .arg(port)
                       .arg(QString::fromStdString(error)));
    return lock;
}

bool LanSession::claimLocalPort()
{
    m_portLock = cli::claimLocalPort(m_choice);
    return m_portLock.has_value();
}

int LanSession::readModule(const ModuleTarget& target)
{
    return m_manager.read(target.mode, target.mac, target.address);
}

void LanSession::setSettingsSource(std::function<void(netmgmt::ModuleRecord&)> source)
{
    m_settingsSource = std::move(source);
}

void LanSession::say(const std::string& text)
{
    if (text != m_lastLine)
        printError(text);
    m_lastLine = text;
}

void LanSession::showStatus(const std::string& text)
{
    say(text);
}

void LanSession::showMessage(const std::string& text)
{
    say(text);
}

void LanSession::clearModuleList()
{
    m_lines.clear();
    m_selected.reset();
}

void LanSession::addModuleLine(const std::string& line)
{
    m_lines.push_back(line);
}

bool LanSession::takeSettingsInto(netmgmt::ModuleRecord& record)
{
    if (m_settingsSource)
        m_settingsSource(record);
    return true;
}

} // namespace quarlink::cli
